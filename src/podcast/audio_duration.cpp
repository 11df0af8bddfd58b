#include "podcast/audio_duration.h"

#include <sys/stat.h>

#include <cctype>
#include <cmath>
#include <fstream>

#include "wave/file_kind.h"
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
    std::size_t at = static_cast<std::size_t>(id3v2TagBytes(bytes, head.size()));
    MpegFrameHeader frame;
    while (at + 4 <= head.size() && !parseMpegFrameHeader(bytes + at, &frame)) ++at;
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
