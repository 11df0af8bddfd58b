// The sample formats analysis reads: the program's 8- and 16-bit integers and the 24/32-bit
// integer and 32/64-bit float formats other recorders write, turned into floats in [-1, 1).
#pragma once

#include <cstddef>
#include <cstdint>

#include "wave/wave_format.h"

namespace sonthra {

enum class SampleEncoding {
    UInt8,    // unsigned, 128 is silence
    Int16,    // little-endian, signed
    Int24,    // little-endian, signed, three bytes
    Int32,    // little-endian, signed
    Float32,  // IEEE, little-endian
    Float64,
};

// Bytes of one sample of the encoding.
std::size_t sampleBytes(SampleEncoding encoding);

struct SampleFormat {
    SampleEncoding encoding = SampleEncoding::Int16;
    int channels = 0;
    std::uint32_t sampleRate = 0;

    std::size_t frameBytes() const {
        return sampleBytes(encoding) * static_cast<std::size_t>(channels);
    }
};

// The sample format of a WAV "fmt " record: PCM of 8, 16, 24 or 32 bits, or IEEE float (tag 3)
// of 32 or 64 bits, whose block align matches. false for anything else.
bool sampleFormatOf(const WaveFormat& wave, SampleFormat& out);

// Turns count samples (not frames) of encoding at in into floats, full scale 1.0; a float
// sample that is not finite becomes 0.
void decodeSamples(const unsigned char* in, std::size_t count, SampleEncoding encoding, float* out);

}  // namespace sonthra
