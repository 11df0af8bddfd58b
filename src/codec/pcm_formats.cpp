#include "codec/pcm_formats.h"

#include <cmath>
#include <cstring>

namespace sonthra {
namespace {

// The tail every KSDATAFORMAT sub-format GUID shares; its first two bytes are the format tag.
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void put16(std::string& s, std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& s, std::uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

bool validBitsFor(std::uint16_t bits, bool isFloat) {
    if (isFloat) return bits == 32 || bits == 64;
    return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

bool isCodecPcm(const PcmFormat& f) {
    return (f.channels == 1 || f.channels == 2) && f.sampleRate > 0 &&
           validBitsFor(f.bits, f.isFloat);
}

bool parseFmtChunk(const unsigned char* bytes, std::size_t count, PcmFormat* format) {
    if (count < 16) return false;
    PcmFormat f;
    std::uint16_t tag = le16(bytes);
    f.channels = le16(bytes + 2);
    f.sampleRate = le32(bytes + 4);
    const std::uint16_t blockAlign = le16(bytes + 12);
    f.bits = le16(bytes + 14);
    if (tag == 0xFFFE) {
        if (count < 40 || le16(bytes + 16) < 22) return false;
        const std::uint16_t validBits = le16(bytes + 18);
        if (std::memcmp(bytes + 26, kGuidTail, sizeof kGuidTail) != 0) return false;
        tag = le16(bytes + 24);
        // Valid bits below the container (20 in 24) still read as the container's samples.
        if (validBits > f.bits) return false;
        f.extensible = true;
    }
    if (tag == kWaveFormatFloat) {
        f.isFloat = true;
    } else if (tag != 1) {
        return false;
    }
    if (!validBitsFor(f.bits, f.isFloat) || f.channels == 0 || f.sampleRate == 0 ||
        blockAlign != f.blockAlign()) {
        return false;
    }
    *format = f;
    return true;
}

std::string makeFmtChunk(const PcmFormat& f) {
    std::string s;
    const std::uint16_t tag = f.extensible ? 0xFFFE : (f.isFloat ? kWaveFormatFloat : 1);
    put16(s, tag);
    put16(s, f.channels);
    put32(s, f.sampleRate);
    put32(s, f.sampleRate * f.blockAlign());
    put16(s, f.blockAlign());
    put16(s, f.bits);
    if (f.extensible) {
        put16(s, 22);
        put16(s, f.bits);
        put32(s, f.channels == 1 ? 0x4u : 0x3u);  // front centre, or front left and right
        put16(s, f.isFloat ? kWaveFormatFloat : 1);
        s.append(reinterpret_cast<const char*>(kGuidTail), sizeof kGuidTail);
    } else if (f.isFloat) {
        put16(s, 0);
    }
    return s;
}

std::string sampleFormatName(const PcmFormat& f) {
    return std::to_string(f.bits) + (f.isFloat ? "-bit float" : "-bit");
}

void pcmToFloat(const unsigned char* in, const PcmFormat& f, std::size_t count, float* out) {
    if (f.isFloat && f.bits == 32) {
        std::memcpy(out, in, count * 4);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        switch (f.bits) {
            case 8:
                out[i] = (static_cast<int>(in[i]) - 128) * (1.0f / 128);
                break;
            case 16:
                out[i] = static_cast<std::int16_t>(le16(in + 2 * i)) * (1.0f / 32768);
                break;
            case 24: {
                const unsigned char* p = in + 3 * i;
                const std::int32_t v =
                    static_cast<std::int32_t>((static_cast<std::uint32_t>(p[0]) << 8) |
                                              (static_cast<std::uint32_t>(p[1]) << 16) |
                                              (static_cast<std::uint32_t>(p[2]) << 24)) >>
                    8;
                out[i] = static_cast<float>(v) * (1.0f / 8388608);
                break;
            }
            case 32:
                out[i] = static_cast<float>(
                    static_cast<double>(static_cast<std::int32_t>(le32(in + 4 * i))) *
                    (1.0 / 2147483648.0));
                break;
            case 64: {
                double d;
                std::memcpy(&d, in + 8 * i, 8);
                out[i] = static_cast<float>(d);
                break;
            }
            default:
                out[i] = 0;
        }
    }
}

float Dither::next() {
    // xorshift32: cheap, and the same sequence on every run.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state >> 8) * (1.0f / 16777216.0f) - 0.5f;
}

namespace {

// One float to an integer of the given full scale, dithered only when it is not already a whole
// step: samples that came from a format of that size go back bit for bit.
std::int64_t quantize(float x, double scale, std::int64_t lo, std::int64_t hi, Dither* dither) {
    if (std::isnan(x)) return 0;
    double v = static_cast<double>(x) * scale;
    if (dither != nullptr && v != std::nearbyint(v) && scale <= 8388608.0) {
        v += static_cast<double>(dither->next()) + static_cast<double>(dither->next());
    }
    const double r = std::nearbyint(v);
    if (r < static_cast<double>(lo)) return lo;
    if (r > static_cast<double>(hi)) return hi;
    return static_cast<std::int64_t>(r);
}

}  // namespace

void floatToPcm(const float* in, std::size_t count, const PcmFormat& f, unsigned char* out,
                Dither* dither) {
    if (f.isFloat) {
        if (f.bits == 32) {
            std::memcpy(out, in, count * 4);
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                const double d = in[i];
                std::memcpy(out + 8 * i, &d, 8);
            }
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        switch (f.bits) {
            case 8:
                out[i] = static_cast<unsigned char>(quantize(in[i], 128, -128, 127, dither) + 128);
                break;
            case 16: {
                const auto v =
                    static_cast<std::uint32_t>(quantize(in[i], 32768, -32768, 32767, dither));
                out[2 * i] = static_cast<unsigned char>(v);
                out[2 * i + 1] = static_cast<unsigned char>(v >> 8);
                break;
            }
            case 24: {
                const auto v =
                    static_cast<std::uint32_t>(quantize(in[i], 8388608, -8388608, 8388607, dither));
                out[3 * i] = static_cast<unsigned char>(v);
                out[3 * i + 1] = static_cast<unsigned char>(v >> 8);
                out[3 * i + 2] = static_cast<unsigned char>(v >> 16);
                break;
            }
            case 32: {
                // A float holds 24 bits: nothing is lost that dither could hide.
                const auto v = static_cast<std::uint32_t>(
                    quantize(in[i], 2147483648.0, INT32_MIN, INT32_MAX, nullptr));
                for (int b = 0; b < 4; ++b) out[4 * i + b] = static_cast<unsigned char>(v >> 8 * b);
                break;
            }
            default:
                break;
        }
    }
}

}  // namespace sonthra
