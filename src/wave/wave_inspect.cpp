#include "wave/wave_inspect.h"

#include <sys/stat.h>

#include "messages/message_table.h"
#include "wave/wave_probe.h"

namespace sonthra {
namespace {

constexpr int kCannotOpen = 103;
constexpr std::uint16_t kFloatTag = 3;
constexpr std::uint16_t kALawTag = 6;
constexpr std::uint16_t kMuLawTag = 7;

// The kind as a sentence names it, with its article.
std::string kindWithArticle(const FileKindInfo& kind) {
    const std::string name = fileKindName(kind);
    switch (kind.kind) {
        case FileKind::Rf64:
        case FileKind::Aiff:
        case FileKind::Mp4:
        case FileKind::Ogg:
        case FileKind::OggVorbis:
        case FileKind::OggOpus:
        case FileKind::Mpeg:  // "an MP3", "an MP2"
            return "an " + name + " file";
        default:
            return "a " + name + " file";
    }
}

// What of a WAV format the program does not take, or empty when it takes it.
std::string unsupportedProperty(const WaveFileLayout& layout) {
    const WaveFormat& f = layout.format;
    const std::string channels =
        f.channels > 2 ? std::to_string(f.channels) + " channels" : std::string();
    auto withChannels = [&](std::string samples) {
        return channels.empty() ? samples : samples + " in " + channels;
    };
    switch (pcmSupport(f)) {
        case PcmSupport::Supported:
            return {};
        case PcmSupport::Malformed:
            return "a format record that does not add up";
        case PcmSupport::Unsupported:
            if (f.bitsPerSample == 8 || f.bitsPerSample == 16) return channels;
            return withChannels(std::to_string(f.bitsPerSample) + "-bit samples");
        case PcmSupport::NotPcm:
            break;
    }
    const std::uint16_t tag = f.formatTag == kWaveFormatExtensible && layout.subFormatTag != 0
                                  ? layout.subFormatTag
                                  : f.formatTag;
    switch (tag) {
        case kFloatTag:
            return withChannels(std::to_string(f.bitsPerSample) + "-bit floating-point samples");
        case kALawTag:
            return withChannels("A-law samples");
        case kMuLawTag:
            return withChannels("mu-law samples");
        default:
            return withChannels(formatTagName(tag) + " samples");
    }
}

std::string lastComponent(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
}

// What path names when it is there but is no file ("a folder", "a named pipe", "a device",
// "a socket"); empty for a file or a name that is not there.
std::string notAFileName(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) return "a folder";
    if (S_ISFIFO(st.st_mode)) return "a named pipe";
    if (S_ISSOCK(st.st_mode)) return "a socket";
    return "a device";
}

}  // namespace

std::string formatTagName(unsigned tag) {
    switch (tag) {
        case 0x0001:
            return "PCM";
        case 0x0002:
            return "Microsoft ADPCM";
        case kFloatTag:
            return "IEEE float";
        case kALawTag:
            return "A-law";
        case kMuLawTag:
            return "mu-law";
        case 0x0011:
            return "IMA ADPCM";
        case 0x0031:
            return "GSM 6.10";
        case 0x0055:
            return "MPEG layer 3";
        case kWaveFormatExtensible:
            return "extensible";
        default:
            return "tag " + std::to_string(tag);
    }
}

int inspectAudioFile(const std::string& path, AudioFileFacts* facts) {
    AudioFileFacts found;
    int result = 0;
    if (!inspectFileKind(path, &found.kind)) {
        found.unsupported = notAFileName(path);
        result = found.unsupported.empty() ? kCannotOpen : kNotAFile;
    } else if (found.kind.kind == FileKind::Mpeg) {
        found.opensAs = OpensAs::Mpeg;
    } else if (found.kind.kind == FileKind::Wave) {
        found.waveStep = inspectWave(path, found.layout);
        result = waveInspectMessage(found.waveStep);
        if (result == 0) {
            found.unsupported = unsupportedProperty(found.layout);
            if (!found.unsupported.empty()) result = kUnsupportedWave;
        }
        if (result == 0) found.opensAs = OpensAs::Wave;
    } else if (found.kind.kind == FileKind::Rf64) {
        found.unsupported = fileKindName(found.kind);
        result = kUnsupportedWave;
    } else if (found.kind.kind == FileKind::Unknown) {
        result = kNotAudio;
    } else {
        found.unsupported = fileKindName(found.kind);
        result = kOtherAudioKind;
    }
    if (facts) *facts = found;
    return result;
}

std::string refusalText(const std::string& path, const AudioFileFacts& facts, int message) {
    const std::string name = lastComponent(path);
    switch (message) {
        case 0:
            return {};
        case kUnsupportedWave: {
            std::string what = kindWithArticle(facts.kind);
            if (facts.kind.kind == FileKind::Wave) what += " with " + facts.unsupported;
            return FormatMessage(message, {name, what});
        }
        case kOtherAudioKind:
        case kMpegNotWave:
            return FormatMessage(message, {name, kindWithArticle(facts.kind)});
        case kNotAudio:
            return FormatMessage(message, {name});
        case kNotAFile:
            return FormatMessage(message, {name, facts.unsupported});
        default:
            return FormatMessage(message);
    }
}

}  // namespace sonthra
