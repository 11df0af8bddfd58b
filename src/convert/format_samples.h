// The sample work of a format change: PCM bytes to floating-point samples and back, channel
// mixing, and the resampling between them. The pipeline takes the source's sample bytes block
// by block and hands back the target's, so memory use does not grow with the file.
//
// A FormatPipeline belongs to one thread (the conversion's worker).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "wave/wave_format.h"

namespace sonthra {

// 8-bit unsigned or 16-bit signed little-endian PCM of `channels` interleaved channels to
// floats in [-1, 1): value / 128 or value / 32768.
void decodePcm(const unsigned char* in, std::size_t frames, std::uint16_t bits,
               std::uint16_t channels, float* out);

// Stereo to mono as the mean of the two channels, mono to stereo by copying the one channel to
// both, the same count as a plain copy. Only 1 and 2 channels.
void mixChannels(const float* in, std::size_t frames, std::uint16_t from, std::uint16_t to,
                 float* out);

// Floats to 8- or 16-bit PCM, rounded to the nearest step and clipped at full scale, never
// wrapped around. With dither, triangular noise of one step peak is added before rounding,
// which turns the 8-bit rounding error into a steady hiss instead of distortion.
class PcmQuantizer {
public:
    PcmQuantizer(std::uint16_t bits, bool dither, std::uint32_t seed = 0x9E3779B9u);
    void encode(const float* in, std::size_t samples, unsigned char* out);

private:
    float nextTriangular();

    std::uint16_t m_bits;
    bool m_dither;
    std::uint32_t m_state;
};

// The frames a conversion of `frames` frames at `fromRate` gives at `toRate`: the exact ratio,
// rounded to the nearest frame.
std::uint64_t convertedFrames(std::uint64_t frames, std::uint32_t fromRate, std::uint32_t toRate);

class FormatPipeline {
public:
    FormatPipeline();
    ~FormatPipeline();
    FormatPipeline(const FormatPipeline&) = delete;
    FormatPipeline& operator=(const FormatPipeline&) = delete;

    // Prepares a conversion of `frames` source frames. Both formats must be PCM that
    // isSupportedPcm accepts. false when the resampler cannot be made for the two rates.
    bool open(const WaveFormat& from, const WaveFormat& to, std::uint64_t frames);

    // Converts whole source frames and appends the target's bytes to out. false when the
    // resampler fails.
    bool push(const unsigned char* in, std::size_t frames, std::vector<unsigned char>& out);
    // After the last push: the resampler's tail, so that the output holds exactly
    // convertedFrames() frames.
    bool finish(std::vector<unsigned char>& out);

    std::uint64_t expectedFrames() const { return m_expected; }

private:
    bool resample(const float* in, std::size_t frames, std::vector<unsigned char>& out);
    void emit(const float* samples, std::size_t frames, std::vector<unsigned char>& out);

    struct Resampler;
    std::unique_ptr<Resampler> m_resampler;  // null when the rate stays
    WaveFormat m_from;
    WaveFormat m_to;
    std::uint16_t m_workChannels = 0;  // channels that pass through the resampler
    std::unique_ptr<PcmQuantizer> m_quantizer;
    std::uint64_t m_expected = 0;
    std::uint64_t m_emitted = 0;
    std::vector<float> m_decoded;
    std::vector<float> m_mixed;
    std::vector<float> m_resampled;
};

}  // namespace sonthra
