#include "cli/peaks_command.h"

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "messages/message_table.h"
#include "settings/settings.h"
#include "view/peak_file.h"
#include "view/view_errors.h"
#include "view/wave_view_model.h"

namespace sonthra {
namespace {

// Our own words for the peak-file failures, whose messages the program keeps silent.
const char* peakFileText(int code) {
    switch (code) {
        case kViewErrNoFile:
            return "no WAV file is attached";
        case kViewErrNoPeakName:
            return "the peak file name is empty";
        case kViewErrPeakCreate:
            return "the peak file cannot be created";
        case kViewErrPeakWrite:
            return "the peak file cannot be written";
        default:
            return "failed";
    }
}

int fail(const std::string& file, int code) {
    const int message = ViewErrorToMessage(code);
    const char* text = MessageText(message);
    std::fprintf(stderr, "sonthra-cli peaks: %s: %s (code %d)\n", file.c_str(),
                 text ? text : peakFileText(code), code);
    return 1;
}

}  // namespace

int RunPeaksCommand(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2 || args[0].empty()) {
        std::fprintf(stderr, "usage: sonthra-cli peaks WAV [OUT.cvp]\n");
        return 2;
    }
    const std::string& wav = args[0];
    WaveViewModel model;
    // The builder works for any display with a client area; this one is never drawn.
    model.setClientSize(1, 1);
    int code = model.OpenWaveFile(wav);
    if (code != kViewOk) return fail(wav, code);
    std::atomic<std::int32_t> progress{0};
    code = model.BuildPeaks(progress);
    if (code != kViewOk) return fail(wav, code);
    const std::string out = args.size() == 2 ? args[1] : GetPeakFileName(wav, systemTempFolder());
    code = model.SavePeaks(out);
    if (code != kViewOk) return fail(out, code);
    std::printf("%s: %u frames, %u channel(s), %zu peak blocks -> %s\n", wav.c_str(),
                model.TotalSamples(), static_cast<unsigned>(model.format().channels),
                model.peaks().blockCount(), out.c_str());
    return 0;
}

}  // namespace sonthra
