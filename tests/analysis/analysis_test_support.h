// Helpers of the analysis tests: ffmpeg's loudness of a file, audio held in memory as a frame
// source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/frame_source.h"
#include "analysis/loudness_meter.h"

namespace sonthra::test {

// ffmpeg's ebur128 (with true peak) of a whole file, from its per-frame metadata at full
// precision: the final integrated loudness and range, the largest momentary and short-term
// loudness, and the largest true peak in dB (from the summary when below -20 dB, where the
// metadata's three decimals are too coarse). Fails the test when ffmpeg does.
LoudnessReport ffmpegLoudness(const std::string& path);

// 16-bit frames held in memory.
class MemorySource final : public FrameSource {
public:
    MemorySource(std::vector<std::int16_t> samples, int channels, std::uint32_t rate);
    const SampleFormat& format() const override { return m_format; }
    std::uint64_t frames() const override;
    std::int64_t read(std::uint64_t from, std::size_t count, unsigned char* out) override;
    std::vector<std::int16_t>& samples() { return m_samples; }

private:
    std::vector<std::int16_t> m_samples;
    SampleFormat m_format;
};

}  // namespace sonthra::test
