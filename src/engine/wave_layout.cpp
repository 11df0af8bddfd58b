#include "engine/wave_layout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/engine_errors.h"
#include "wave/riff.h"
#include "wave/wave_layout.h"

namespace sonthra {
namespace {

int engineError(WaveInspect result) {
    switch (result) {
        case WaveInspect::Ok:
            return 0;
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
    return engine_error::kNotWaveFile;
}

int check(const WaveFileLayout& found, WaveLayout& layout) {
    const WaveFormat& format = found.format;
    if (format.formatTag != kWaveFormatPcm) return engine_error::kNotPcm;
    // Sizes and counts the rest of the engine divides and multiplies by.
    const unsigned bytesPerSample = (format.bitsPerSample + 7u) / 8u;
    if (format.channels == 0 || format.sampleRate == 0 || format.bitsPerSample == 0 ||
        format.blockAlign != format.channels * bytesPerSample)
        return engine_error::kBadFmtChunk;
    layout.channels = format.channels;
    layout.sampleRate = format.sampleRate;
    layout.bitsPerSample = format.bitsPerSample;
    layout.blockAlign = format.blockAlign;
    layout.dataOffset = found.dataOffset;
    layout.dataBytes = found.dataBytes - found.dataBytes % format.blockAlign;
    return 0;
}

}  // namespace

int readWaveLayout(int fd, WaveLayout& layout) {
    layout = WaveLayout{};
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return engine_error::kCannotOpenWaveFile;
    RiffFile file;
    if (file.attach(fd, RiffFile::Mode::Read) != kRiffOk) return engine_error::kCannotOpenWaveFile;
    WaveFileLayout found;
    const int result = engineError(inspectWave(file, found));
    file.close();
    return result != 0 ? result : check(found, layout);
}

int readWaveLayout(const std::string& path, WaveLayout& layout) {
    layout = WaveLayout{};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return engine_error::kCannotOpenWaveFile;
    const int result = readWaveLayout(fd, layout);
    close(fd);
    return result;
}

}  // namespace sonthra
