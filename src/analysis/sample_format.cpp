#include "analysis/sample_format.h"

#include <cmath>
#include <cstring>

namespace sonthra {
namespace {

constexpr std::uint16_t kWaveFormatFloat = 3;

}  // namespace

std::size_t sampleBytes(SampleEncoding encoding) {
    switch (encoding) {
        case SampleEncoding::UInt8:
            return 1;
        case SampleEncoding::Int16:
            return 2;
        case SampleEncoding::Int24:
            return 3;
        case SampleEncoding::Int32:
        case SampleEncoding::Float32:
            return 4;
        case SampleEncoding::Float64:
            return 8;
    }
    return 0;
}

bool sampleFormatOf(const WaveFormat& wave, SampleFormat& out) {
    SampleEncoding encoding;
    if (wave.formatTag == kWaveFormatPcm) {
        switch (wave.bitsPerSample) {
            case 8:
                encoding = SampleEncoding::UInt8;
                break;
            case 16:
                encoding = SampleEncoding::Int16;
                break;
            case 24:
                encoding = SampleEncoding::Int24;
                break;
            case 32:
                encoding = SampleEncoding::Int32;
                break;
            default:
                return false;
        }
    } else if (wave.formatTag == kWaveFormatFloat && wave.bitsPerSample == 32) {
        encoding = SampleEncoding::Float32;
    } else if (wave.formatTag == kWaveFormatFloat && wave.bitsPerSample == 64) {
        encoding = SampleEncoding::Float64;
    } else {
        return false;
    }
    const SampleFormat format{encoding, wave.channels, wave.sampleRate};
    if (format.channels == 0 || format.sampleRate == 0 || format.frameBytes() != wave.blockAlign)
        return false;
    out = format;
    return true;
}

void decodeSamples(const unsigned char* in, std::size_t count, SampleEncoding encoding,
                   float* out) {
    switch (encoding) {
        case SampleEncoding::UInt8:
            for (std::size_t i = 0; i < count; ++i)
                out[i] = (static_cast<int>(in[i]) - 128) / 128.0f;
            return;
        case SampleEncoding::Int16:
            for (std::size_t i = 0; i < count; ++i) {
                const auto v = static_cast<std::int16_t>(in[2 * i] | (in[2 * i + 1] << 8));
                out[i] = v * (1.0f / 32768.0f);
            }
            return;
        case SampleEncoding::Int24:
            for (std::size_t i = 0; i < count; ++i) {
                const unsigned char* p = in + 3 * i;
                // Into the top of a 32-bit word, so that the shift back brings the sign along.
                const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 |
                                                         static_cast<std::uint32_t>(p[1]) << 16 |
                                                         static_cast<std::uint32_t>(p[2]) << 24);
                out[i] = static_cast<float>(v >> 8) * (1.0f / 8388608.0f);
            }
            return;
        case SampleEncoding::Int32:
            for (std::size_t i = 0; i < count; ++i) {
                std::int32_t v;
                std::memcpy(&v, in + 4 * i, 4);
                out[i] = static_cast<float>(v * (1.0 / 2147483648.0));
            }
            return;
        // A float file may hold infinities or NaNs, which would poison every filter they pass
        // through for good: they read as silence.
        case SampleEncoding::Float32:
            for (std::size_t i = 0; i < count; ++i) {
                float v;
                std::memcpy(&v, in + 4 * i, 4);
                out[i] = std::isfinite(v) ? v : 0.0f;
            }
            return;
        case SampleEncoding::Float64:
            for (std::size_t i = 0; i < count; ++i) {
                double v;
                std::memcpy(&v, in + 8 * i, 8);
                out[i] = std::isfinite(v) ? static_cast<float>(v) : 0.0f;
            }
            return;
    }
}

}  // namespace sonthra
