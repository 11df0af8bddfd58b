// Sample formats of WAV files beyond the 8/16-bit world: 24 and 32-bit integer, 32 and 64-bit
// float, plain or WAVE_FORMAT_EXTENSIBLE, and the conversions between them and 32-bit float that
// every computation uses. Reducing the word length adds TPDF dither. Plain functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sonthra {

inline constexpr std::uint16_t kWaveFormatFloat = 3;

struct PcmFormat {
    std::uint32_t sampleRate = 0;
    std::uint16_t channels = 0;
    std::uint16_t bits = 0;  // container bits: 8, 16, 24, 32 or 64
    bool isFloat = false;
    bool extensible = false;  // written as WAVE_FORMAT_EXTENSIBLE

    std::uint32_t bytesPerSample() const { return bits / 8u; }
    std::uint32_t blockAlign() const { return bytesPerSample() * channels; }
    bool operator==(const PcmFormat&) const = default;
};

// A format the codec layer reads and writes: 1 or 2 channels, 8000 to 192000 Hz (any rate above
// 0 is read; the range is what the program offers), 8/16/24/32-bit integer or 32/64-bit float.
bool isCodecPcm(const PcmFormat& format);

// The format a "fmt " chunk describes (plain PCM, IEEE float, or extensible with a PCM or float
// sub-format). false when the chunk is short, another encoding or not self-consistent.
bool parseFmtChunk(const unsigned char* bytes, std::size_t count, PcmFormat* format);

// The "fmt " chunk body for a format: 16 bytes for plain PCM, 18 for float, 40 for extensible.
std::string makeFmtChunk(const PcmFormat& format);

// "16-bit", "24-bit", "32-bit float" ...: how a format is named to the user.
std::string sampleFormatName(const PcmFormat& format);

// Sample bytes of a format to float in [-1, 1); count is the number of samples (frames times
// channels). 8-bit is unsigned, the rest little-endian two's complement or IEEE.
void pcmToFloat(const unsigned char* in, const PcmFormat& format, std::size_t count, float* out);

// The dither state of one stream: a small generator that gives the same noise on every run, so
// that a saved file does not change between two saves of the same edit.
struct Dither {
    std::uint32_t state = 0x9E3779B9u;
    float next();  // uniform in [-0.5, 0.5)
};

// Float samples to the bytes of a format, clipped to full scale. Integer formats of 24 bits or
// fewer get TPDF dither of one step when dither is given; float formats are stored as they are.
void floatToPcm(const float* in, std::size_t count, const PcmFormat& format, unsigned char* out,
                Dither* dither);

}  // namespace sonthra
