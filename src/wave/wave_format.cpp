#include "wave/wave_format.h"

#include <cstring>

namespace sonthra {
namespace {

void put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, std::uint32_t v) {
    put16(p, static_cast<std::uint16_t>(v));
    put16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

std::uint16_t get16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(get16(p)) | static_cast<std::uint32_t>(get16(p + 2)) << 16;
}

}  // namespace

WaveFormat makePcmFormat(std::uint32_t sampleRate, std::uint16_t bits, std::uint16_t channels) {
    WaveFormat f;
    f.formatTag = kWaveFormatPcm;
    f.channels = channels;
    f.sampleRate = sampleRate;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<std::uint16_t>(channels * (bits / 8));
    f.avgBytesPerSec = sampleRate * f.blockAlign;
    f.extraSize = 0;
    return f;
}

void encodeWaveFormat(const WaveFormat& format, unsigned char out[kWaveFormatBytes]) {
    put16(out, format.formatTag);
    put16(out + 2, format.channels);
    put32(out + 4, format.sampleRate);
    put32(out + 8, format.avgBytesPerSec);
    put16(out + 12, format.blockAlign);
    put16(out + 14, format.bitsPerSample);
    put16(out + 16, format.extraSize);
}

WaveFormat decodeWaveFormat(const unsigned char* bytes, std::size_t count) {
    unsigned char full[kWaveFormatBytes] = {};
    std::memcpy(full, bytes, count < kWaveFormatBytes ? count : kWaveFormatBytes);
    WaveFormat f;
    f.formatTag = get16(full);
    f.channels = get16(full + 2);
    f.sampleRate = get32(full + 4);
    f.avgBytesPerSec = get32(full + 8);
    f.blockAlign = get16(full + 12);
    f.bitsPerSample = get16(full + 14);
    f.extraSize = get16(full + 16);
    return f;
}

WaveFormat decodeFmtChunk(const unsigned char* bytes, std::size_t count) {
    WaveFormat f = decodeWaveFormat(bytes, count);
    // The PCM sub-format: 00000001-0000-0010-8000-00AA00389B71, stored little-endian.
    static const unsigned char kPcmGuid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                               0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (f.formatTag != kWaveFormatExtensible || count < kFmtChunkReadBytes || f.extraSize < 22) {
        return f;
    }
    const std::uint16_t validBits = get16(bytes + 18);
    if (std::memcmp(bytes + 24, kPcmGuid, sizeof kPcmGuid) != 0 || validBits == 0 ||
        validBits > f.bitsPerSample) {
        return f;
    }
    f.formatTag = kWaveFormatPcm;
    f.extraSize = 0;
    return f;
}

PcmSupport pcmSupport(const WaveFormat& format) {
    if (format.formatTag != kWaveFormatPcm) return PcmSupport::NotPcm;
    const unsigned bytesPerSample = (format.bitsPerSample + 7u) / 8u;
    if (format.channels == 0 || format.sampleRate == 0 || format.bitsPerSample == 0 ||
        format.blockAlign != format.channels * bytesPerSample) {
        return PcmSupport::Malformed;
    }
    if ((format.channels != 1 && format.channels != 2) ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16)) {
        return PcmSupport::Unsupported;
    }
    return PcmSupport::Supported;
}

bool isSupportedPcm(const WaveFormat& format) {
    return pcmSupport(format) == PcmSupport::Supported;
}

bool sameSampleLayout(const WaveFormat& a, const WaveFormat& b) {
    return a.channels == b.channels && a.sampleRate == b.sampleRate &&
           a.bitsPerSample == b.bitsPerSample && a.blockAlign == b.blockAlign;
}

}  // namespace sonthra
