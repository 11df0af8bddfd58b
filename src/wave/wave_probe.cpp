#include "wave/wave_probe.h"

#include "wave/wave_layout.h"

namespace sonthra {

int waveInspectMessage(WaveInspect step) {
    switch (step) {
        case WaveInspect::CannotOpen:
            return 103;
        case WaveInspect::NotWave:
            return 108;
        case WaveInspect::NoFmt:
            return 161;
        case WaveInspect::BadFmt:
            return 109;
        case WaveInspect::NoData:
            return 111;
        case WaveInspect::Ok:
            break;
    }
    return 0;
}

int probeWave(const std::string& name, std::uint32_t* frames, WaveFormat* format) {
    if (frames) *frames = 0;
    if (format) *format = WaveFormat{};
    WaveFileLayout layout;
    const int failed = waveInspectMessage(inspectWave(name, layout));
    if (failed != 0) return failed;
    if (layout.frames() == 0) return 164;
    if (frames) *frames = layout.frames();
    if (format) *format = layout.format;
    return 0;
}

}  // namespace sonthra
