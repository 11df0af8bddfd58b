// A look-ahead limiter that holds the true peak (the waveform between the samples, found by
// 4x oversampling) under a ceiling. Every channel gets the same gain. The gain for a peak is
// reached over the look-ahead before it and held for the reach of the interpolation around it,
// so no sample near the peak rises above what the peak allows; it recovers with the release.
// The output is the input delayed by latency() frames: process() gives nothing for the first
// ones and drain() hands out the last ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "effect_kit.h"

namespace sonthra::fx {

class TruePeakLimiter {
public:
    void configure(int channels, double rate, double ceilingDb, double releaseMs);
    void process(const float* in, std::size_t frames, FrameFifo& out);
    // Pushes out at most maxFrames of the held frames; true when none are left.
    bool drain(FrameFifo& out, std::size_t maxFrames);
    // The deepest gain reduction so far, in dB (0 or more).
    double maxReductionDb() const;
    std::size_t latency() const { return m_latency; }

private:
    void step(const float* frame, float* to);
    double truePeak();

    int m_channels = 1;
    double m_ceiling = 1;
    double m_release = 0;
    std::size_t m_lookahead = 1;  // frames the gain takes to come down
    std::size_t m_window = 1;     // frames of the running minimum
    std::size_t m_latency = 0;
    std::uint64_t m_count = 0;  // steps taken, silence of the drain included
    bool m_draining = false;    // the frames taken in are over; silence follows
    std::uint64_t m_taken = 0;  // frames of audio taken in
    std::uint64_t m_given = 0;  // frames of audio handed out

    std::vector<float> m_history;  // the last frames, for the interpolation
    std::vector<float> m_delay;    // the frames waiting for their gain
    std::size_t m_delayAt = 0;
    std::vector<double> m_minValue;  // running minimum of the gain each frame allows
    std::vector<std::uint64_t> m_minIndex;
    std::size_t m_minHead = 0;
    std::size_t m_minSize = 0;
    std::vector<double> m_box;  // the last m_lookahead minima, averaged
    std::size_t m_boxAt = 0;
    double m_boxSum = 0;
    double m_gain = 1;
    double m_lowest = 1;
    std::vector<double> m_lastQuarter;  // per channel, the point before this interval's sample
    double m_quiet = 0;                 // a sample level below which no point can pass the ceiling
    std::uint64_t m_lastLoud = 0;       // the step of the last sample at or above it
    std::vector<float> m_silence;
};

}  // namespace sonthra::fx
