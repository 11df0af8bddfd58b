#include "engine/wave_layout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/engine_errors.h"
#include "wave/riff.h"
#include "wave/wave_layout.h"

namespace sonthra {
namespace {

void fill(const WaveFileLayout& found, WaveLayout& layout) {
    const WaveFormat& format = found.format;
    layout.channels = format.channels;
    layout.sampleRate = format.sampleRate;
    layout.bitsPerSample = format.bitsPerSample;
    layout.blockAlign = format.blockAlign;
    layout.dataOffset = found.dataOffset;
    layout.dataBytes = found.dataBytes - found.dataBytes % format.blockAlign;
}

}  // namespace

int checkInspectedWave(WaveInspect result, const WaveFormat& format) {
    switch (result) {
        case WaveInspect::Ok:
            break;
        case WaveInspect::CannotOpen:
            return engine_error::kCannotOpenWaveFile;
        case WaveInspect::NotWave:
            return engine_error::kNotWaveFile;
        case WaveInspect::NoFmt:
        case WaveInspect::BadFmt:
            return engine_error::kBadFmtChunk;
        case WaveInspect::NoData:
            return engine_error::kNoDataChunk;
    }
    // The same rule as the display and the peaks: what plays can be edited.
    switch (pcmSupport(format)) {
        case PcmSupport::Supported:
            return 0;
        case PcmSupport::NotPcm:
            return engine_error::kNotPcm;
        case PcmSupport::Malformed:
            return engine_error::kBadFmtChunk;
        case PcmSupport::Unsupported:
            return engine_error::kFormatNotSupported;
    }
    return engine_error::kNotWaveFile;
}

int readWaveLayout(int fd, WaveLayout& layout) {
    layout = WaveLayout{};
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return engine_error::kCannotOpenWaveFile;
    RiffFile file;
    if (file.attach(fd, RiffFile::Mode::Read) != kRiffOk) return engine_error::kCannotOpenWaveFile;
    WaveFileLayout found;
    const WaveInspect inspected = inspectWave(file, found);
    file.close();
    const int result = checkInspectedWave(inspected, found.format);
    if (result == 0) fill(found, layout);
    return result;
}

int readWaveLayout(const std::string& path, WaveLayout& layout) {
    layout = WaveLayout{};
    // The chunk layer opens without blocking on a pipe and takes regular files only.
    RiffFile file;
    if (file.open(path, RiffFile::Mode::Read) != kRiffOk) return engine_error::kCannotOpenWaveFile;
    return readWaveLayout(file.fd(), layout);
}

}  // namespace sonthra
