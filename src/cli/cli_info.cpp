#include "cli/cli_info.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ostream>

#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "cli/convert_command.h"
#include "engine/wave_layout.h"
#include "wave/riff.h"
#include "wave/wave_layout.h"

namespace sonthra::cli {
namespace {

std::uint64_t framesToMs(std::uint64_t frames, std::uint32_t rate) {
    return rate == 0 ? 0 : frames * 1000 / rate;
}

bool startsWith(const unsigned char* bytes, std::size_t count, const char* magic,
                std::size_t length) {
    return count >= length && std::memcmp(bytes, magic, length) == 0;
}

// What can be told of a file the editor does not take; the engine's refusal follows it.
void describeOther(const std::string& path, std::ostream& out) {
    const int fd = openRegularFile(path);
    if (fd < 0) return;
    struct stat st {};
    unsigned char head[16] = {};
    const bool known = fstat(fd, &st) == 0;
    const ssize_t got = read(fd, head, sizeof head);
    close(fd);
    if (!known) return;

    WaveFileLayout layout;
    const WaveInspect inspected = inspectWave(path, layout);
    if (inspected == WaveInspect::Ok || inspected == WaveInspect::NoData) {
        const WaveFormat& f = layout.format;
        out << "kind: WAV\n"
            << "format: " << formatTagName(f.formatTag) << "\n"
            << "rate: " << f.sampleRate << "\n"
            << "bits: " << f.bitsPerSample << "\n"
            << "channels: " << f.channels << "\n";
        if (inspected == WaveInspect::Ok) {
            out << "frames: " << layout.frames() << "\n"
                << "length: " << positionText(framesToMs(layout.frames(), f.sampleRate)) << "\n";
        }
    } else {
        const std::string kind = audioKindOf(head, got > 0 ? static_cast<std::size_t>(got) : 0);
        out << "kind: " << (kind.empty() ? "not an audio file this program knows" : kind) << "\n";
    }
    out << "size: " << st.st_size << " bytes\n"
        << "editable: no\n";
}

}  // namespace

std::string formatTagName(unsigned tag) {
    switch (tag) {
        case 0x0001:
            return "PCM";
        case 0x0002:
            return "Microsoft ADPCM";
        case 0x0003:
            return "IEEE float";
        case 0x0006:
            return "A-law";
        case 0x0007:
            return "mu-law";
        case 0x0011:
            return "IMA ADPCM";
        case 0x0031:
            return "GSM 6.10";
        case 0x0055:
            return "MPEG layer 3";
        case 0xFFFE:
            return "extensible";
        default:
            return "tag " + std::to_string(tag);
    }
}

std::string audioKindOf(const unsigned char* bytes, std::size_t count) {
    static const unsigned char kAsf[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
    if (count >= sizeof kAsf && std::memcmp(bytes, kAsf, sizeof kAsf) == 0) return "WMA (ASF)";
    if (startsWith(bytes, count, "fLaC", 4)) return "FLAC";
    if (startsWith(bytes, count, "OggS", 4)) return "Ogg";
    if (startsWith(bytes, count, "ID3", 3)) return "MP3 (ID3 tagged)";
    if (count >= 12 && startsWith(bytes, count, "FORM", 4) &&
        (std::memcmp(bytes + 8, "AIFF", 4) == 0 || std::memcmp(bytes + 8, "AIFC", 4) == 0))
        return "AIFF";
    if (count >= 12 && std::memcmp(bytes + 4, "ftyp", 4) == 0) return "MPEG-4 (AAC or ALAC)";
    if (startsWith(bytes, count, ".snd", 4)) return "Sun/NeXT audio";
    if (startsWith(bytes, count, "RIFF", 4)) return "RIFF, not a usable WAV file";
    if (count >= 2 && bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0) return "MPEG audio";
    return {};
}

int runInfo(const std::string& path, std::ostream& out, std::ostream& err) {
    if (isMp3Name(path)) return mp3Info(path, out, err);
    WaveLayout layout;
    const int result = readWaveLayout(path, layout);
    if (result != 0) {
        describeOther(path, out);
        return reportEngineError(result, err);
    }
    out << "rate: " << layout.sampleRate << "\n"
        << "bits: " << layout.bitsPerSample << "\n"
        << "channels: " << layout.channels << "\n"
        << "frames: " << layout.frames() << "\n"
        << "length: " << positionText(framesToMs(layout.frames(), layout.sampleRate)) << "\n";
    return kExitOk;
}

}  // namespace sonthra::cli
