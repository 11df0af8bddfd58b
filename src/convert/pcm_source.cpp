#include "convert/pcm_source.h"

#include <algorithm>

#include "convert/convert_codes.h"
#include "wave/wave_layout.h"

namespace sonthra {

int PcmSource::open(const std::string& path) {
    m_done = 0;
    const int opened = m_file.open(path, RiffFile::Mode::Read);
    if (opened == kRiffErrFileNotFound || opened == kRiffErrPathNotFound) return kLameNoSource;
    if (opened != kRiffOk) return kLameNotWave;
    // The inspection every other reader of WAV files goes by: the same files are taken here as
    // everywhere, extensible PCM of 8 or 16 bits in one or two channels among them.
    WaveFileLayout layout;
    if (inspectWave(m_file, layout) != WaveInspect::Ok || !isSupportedPcm(layout.format))
        return kLameNotWave;
    m_format = layout.format;
    m_dataBytes = layout.dataBytes;
    if (!m_file.seek(layout.dataOffset)) return kLameNotWave;
    return kConvertOk;
}

std::int64_t PcmSource::read(void* buffer, std::size_t count) {
    const std::size_t want = std::min<std::size_t>(count, m_dataBytes - m_done);
    const std::int64_t got = m_file.read(buffer, want);
    if (got > 0) m_done += static_cast<std::uint32_t>(got);
    return got;
}

void widen8To16(const unsigned char* in, std::size_t count, std::int16_t* out) {
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::int16_t>(static_cast<int>(in[i]) * 256 - 32768);
}

}  // namespace sonthra
