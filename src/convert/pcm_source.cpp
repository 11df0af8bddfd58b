#include "convert/pcm_source.h"

#include <sys/stat.h>

#include <algorithm>

#include "convert/convert_codes.h"

namespace sonthra {

int PcmSource::open(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return kLameNoSource;
    if (!S_ISREG(st.st_mode) || m_file.open(path, RiffFile::Mode::Read) != kRiffOk)
        return kLameNotWave;
    RiffChunk riff;
    riff.formType = kWaveId;
    if (m_file.descend(riff, nullptr, RiffFind::RiffForm) != kRiffOk) return kLameNotWave;
    RiffChunk fmt;
    fmt.id = kFmtId;
    if (m_file.descend(fmt, &riff, RiffFind::ChunkId) != kRiffOk) return kLameNotWave;
    unsigned char bytes[kWaveFormatBytes] = {};
    const std::size_t want = std::min<std::size_t>(fmt.size, sizeof bytes);
    if (m_file.read(bytes, want) != static_cast<std::int64_t>(want)) return kLameNotWave;
    m_format = decodeWaveFormat(bytes, want);
    if (!isSupportedPcm(m_format)) return kLameNotWave;
    if (m_file.ascend(fmt) != kRiffOk) return kLameNotWave;
    m_data.id = kDataId;
    if (m_file.descend(m_data, &riff, RiffFind::ChunkId) != kRiffOk) return kLameNotWave;
    m_done = 0;
    return kConvertOk;
}

std::int64_t PcmSource::read(void* buffer, std::size_t count) {
    const std::size_t want = std::min<std::size_t>(count, m_data.size - m_done);
    const std::int64_t got = m_file.read(buffer, want);
    if (got > 0) m_done += static_cast<std::uint32_t>(got);
    return got;
}

void widen8To16(const unsigned char* in, std::size_t count, std::int16_t* out) {
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::int16_t>(static_cast<int>(in[i]) * 256 - 32768);
}

}  // namespace sonthra
