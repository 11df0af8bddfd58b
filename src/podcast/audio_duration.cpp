#include "podcast/audio_duration.h"

#include <sys/stat.h>

#include <cctype>
#include <cmath>
#include <fstream>

#include "wave/wave_probe.h"

namespace sonthra::podcast {

namespace {

constexpr std::size_t kHeadBytes = 1u << 20;

// The extension with its dot, in lower case: "EP2.MP3" is as much an MP3 file as "ep2.mp3".
std::string extensionOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

struct FrameHeader {
    int samplesPerFrame = 0;
    int sampleRate = 0;
    int bitrateKbps = 0;
    bool mono = false;
    bool mpeg1 = false;
};

bool parseFrameHeader(const unsigned char* p, FrameHeader& frame) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version = (p[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layer = (p[1] >> 1) & 3;    // 1 layer III, 2 layer II, 3 layer I
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return false;
    }
    static constexpr int kRates[3] = {44100, 48000, 32000};
    static constexpr int kV1[3][15] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},       // III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},      // II
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}};  // I
    static constexpr int kV2[3][15] = {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}};
    frame.mpeg1 = version == 3;
    const int layerRow = layer - 1;
    frame.bitrateKbps = frame.mpeg1 ? kV1[layerRow][bitrateIndex] : kV2[layerRow][bitrateIndex];
    frame.sampleRate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    frame.samplesPerFrame = layer == 3 ? 384 : (layer == 1 && !frame.mpeg1) ? 576 : 1152;
    frame.mono = (p[3] >> 6) == 3;
    return true;
}

std::uint32_t readBigEndian(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

std::uint32_t roundSeconds(double seconds) {
    if (!(seconds > 0) || seconds > 4.0e9) return 0;
    return static_cast<std::uint32_t>(std::lround(seconds));
}

}  // namespace

std::uint32_t mp3DurationSeconds(std::string_view head, std::uint64_t fileSize) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
    std::size_t at = 0;
    if (head.size() >= 10 && head.substr(0, 3) == "ID3") {
        const std::size_t tagSize = (std::size_t{bytes[6]} & 0x7F) << 21 |
                                    (std::size_t{bytes[7]} & 0x7F) << 14 |
                                    (std::size_t{bytes[8]} & 0x7F) << 7 | (bytes[9] & 0x7F);
        at = 10 + tagSize + ((bytes[5] & 0x10) ? 10 : 0);
    }
    FrameHeader frame;
    while (at + 4 <= head.size() && !parseFrameHeader(bytes + at, frame)) ++at;
    if (at + 4 > head.size()) return 0;

    // A Xing or Info frame counts the frames of a variable bit rate file.
    const std::size_t sideInfo = frame.mpeg1 ? (frame.mono ? 17 : 32) : (frame.mono ? 9 : 17);
    const std::size_t tag = at + 4 + sideInfo;
    if (tag + 12 <= head.size()) {
        const std::string_view name = head.substr(tag, 4);
        if ((name == "Xing" || name == "Info") && (bytes[tag + 7] & 1)) {
            const std::uint32_t frames = readBigEndian(bytes + tag + 8);
            return roundSeconds(double(frames) * frame.samplesPerFrame / frame.sampleRate);
        }
    }
    if (fileSize <= at) return 0;
    return roundSeconds(double(fileSize - at) * 8.0 / (frame.bitrateKbps * 1000.0));
}

std::uint32_t audioDurationSeconds(const std::string& path) {
    const std::string lower = extensionOf(path);
    if (lower == ".wav") {
        std::uint32_t frames = 0;
        WaveFormat format;
        if (probeWave(path, &frames, &format) != 0 || format.sampleRate == 0) return 0;
        return roundSeconds(double(frames) / format.sampleRate);
    }
    if (lower == ".mp3") {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) return 0;
        std::ifstream in(path, std::ios::binary);
        std::string head(kHeadBytes, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(in.gcount()));
        return mp3DurationSeconds(head, static_cast<std::uint64_t>(info.st_size));
    }
    return 0;
}

std::string mimeTypeForFile(const std::string& path) {
    const std::string extension = extensionOf(path);
    if (extension == ".mp3") return "audio/mpeg";
    if (extension == ".wma") return "audio/wma";
    if (extension == ".wav") return "audio/wave";
    return {};
}

}  // namespace sonthra::podcast
