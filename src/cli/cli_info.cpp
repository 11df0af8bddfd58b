#include "cli/cli_info.h"

#include <sys/stat.h>

#include <ostream>

#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "cli/convert_command.h"
#include "engine/wave_layout.h"
#include "wave/wave_inspect.h"

namespace sonthra::cli {
namespace {

std::uint64_t framesToMs(std::uint64_t frames, std::uint32_t rate) {
    return rate == 0 ? 0 : frames * 1000 / rate;
}

// What can be told of a file the editor does not take; the refusal follows it.
void describeOther(const std::string& path, const AudioFileFacts& facts, std::ostream& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    const WaveInspect inspected = facts.waveStep;
    if (facts.kind.kind == FileKind::Wave &&
        (inspected == WaveInspect::Ok || inspected == WaveInspect::NoData)) {
        const WaveFormat& f = facts.layout.format;
        out << "kind: WAV\n"
            << "format: " << formatTagName(f.formatTag) << "\n"
            << "rate: " << f.sampleRate << "\n"
            << "bits: " << f.bitsPerSample << "\n"
            << "channels: " << f.channels << "\n";
        if (inspected == WaveInspect::Ok) {
            out << "frames: " << facts.layout.frames() << "\n"
                << "length: " << positionText(framesToMs(facts.layout.frames(), f.sampleRate))
                << "\n";
        }
    } else {
        out << "kind: "
            << (facts.kind.kind == FileKind::Unknown ? "not an audio file this program knows"
                                                     : fileKindName(facts.kind))
            << "\n";
    }
    out << "size: " << st.st_size << " bytes\n"
        << "editable: no\n";
}

}  // namespace

int refuseInput(const std::string& path, bool waveOnly, std::ostream& err) {
    AudioFileFacts facts;
    int refused = inspectAudioFile(path, &facts);
    if (refused == 0 && waveOnly && facts.opensAs == OpensAs::Mpeg) refused = kMpegNotWave;
    if (refused == 0) return kExitOk;
    err << refusalText(path, facts, refused) << "\n";
    return kExitFailed;
}

int runInfo(const std::string& path, std::ostream& out, std::ostream& err) {
    AudioFileFacts facts;
    const int refused = inspectAudioFile(path, &facts);
    if (facts.opensAs == OpensAs::Mpeg) return mp3Info(path, out, err);
    if (refused != 0) {
        describeOther(path, facts, out);
        err << refusalText(path, facts, refused) << "\n";
        return kExitFailed;
    }
    WaveLayout layout;
    const int result = readWaveLayout(path, layout);
    if (result != 0) return reportEngineError(result, err);
    out << "rate: " << layout.sampleRate << "\n"
        << "bits: " << layout.bitsPerSample << "\n"
        << "channels: " << layout.channels << "\n"
        << "frames: " << layout.frames() << "\n"
        << "length: " << positionText(framesToMs(layout.frames(), layout.sampleRate)) << "\n";
    return kExitOk;
}

}  // namespace sonthra::cli
