// The wave format record: the 18 bytes of a "fmt " chunk, and the few rules built on it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sonthra {

inline constexpr std::size_t kWaveFormatBytes = 18;
inline constexpr std::uint16_t kWaveFormatPcm = 1;

struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;

    bool operator==(const WaveFormat&) const = default;
};

// The PCM record for a rate, sample size and channel count, with block align and bytes per
// second derived from them and extra size 0.
WaveFormat makePcmFormat(std::uint32_t sampleRate, std::uint16_t bits, std::uint16_t channels);

// Little-endian, exactly as stored in the file.
void encodeWaveFormat(const WaveFormat& format, unsigned char out[kWaveFormatBytes]);
// Decodes the first min(count, 18) bytes; fields beyond them stay 0.
WaveFormat decodeWaveFormat(const unsigned char* bytes, std::size_t count);

// Bytes of a "fmt " chunk worth reading: the extensible record is 40.
inline constexpr std::size_t kFmtChunkReadBytes = 40;
inline constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

// Decodes a "fmt " chunk's first min(count, 40) bytes. An extensible record whose sub-format is
// PCM, with valid bits that fit the container, reads as the plain PCM record it amounts to.
WaveFormat decodeFmtChunk(const unsigned char* bytes, std::size_t count);

// What the program makes of a format: the one rule that information, peaks, play, the edits
// and opening a document all apply.
enum class PcmSupport {
    Supported,    // PCM, 1 or 2 channels, 8 or 16 bits, a rate above 0, matching block align
    NotPcm,       // another encoding (A-law, float, ...)
    Malformed,    // PCM with no channels, no rate, no sample size or a wrong block align
    Unsupported,  // well-formed PCM of another sample size or channel count
};
PcmSupport pcmSupport(const WaveFormat& format);

// pcmSupport(format) == PcmSupport::Supported.
bool isSupportedPcm(const WaveFormat& format);

// Same channels, rate and sample size: audio of one can be spliced into the other.
bool sameSampleLayout(const WaveFormat& a, const WaveFormat& b);

}  // namespace sonthra
