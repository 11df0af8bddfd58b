// A loudness meter after EBU R128 / ITU-R BS.1770-4, fed frames as they come (a file being
// analysed, audio being played or recorded): momentary (400 ms) and short-term (3 s) loudness
// updated every 100 ms, the gated integrated loudness and the loudness range since the start,
// their maxima, and the true peak. One meter belongs to one thread at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/sample_format.h"
#include "analysis/true_peak.h"

namespace sonthra {

// What a measurement found. Loudness in LUFS, range in LU, peak in dB of full scale; a value
// with nothing to measure (silence, or audio shorter than its window) is minus infinity.
struct LoudnessReport {
    double integratedLufs;
    double rangeLu;
    double maxMomentaryLufs;
    double maxShortTermLufs;
    double truePeakDbtp;
};

class LoudnessMeter {
public:
    LoudnessMeter();
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // Starts over for audio of format: 0, 105 for a format it cannot measure (no channels, more
    // than 8, or a rate outside 1000..768000 Hz), 104 without memory.
    int start(const SampleFormat& format);
    // Adds count interleaved frames in the format given to start(): 0, or 104 without memory.
    int add(const unsigned char* frames, std::size_t count);
    // The same for frames already turned into finite floats (full scale 1.0).
    int addFloats(const float* frames, std::size_t count);

    // At the last 100 ms step; minus infinity until the window has been filled once.
    double momentaryLufs() const { return m_momentary; }
    double shortTermLufs() const { return m_shortTerm; }
    double maxMomentaryLufs() const { return m_maxMomentary; }
    double maxShortTermLufs() const { return m_maxShortTerm; }
    double integratedLufs() const;
    double rangeLu() const;
    double truePeakDbtp() const;
    LoudnessReport report() const;

private:
    struct State;
    void stepEnded();

    std::unique_ptr<State> m_state;
    SampleFormat m_format;
    TruePeakMeter m_truePeak;
    std::vector<float> m_floats;
    // Frames of a 100 ms step, and how many of the current one have come.
    std::size_t m_stepFrames = 0;
    std::size_t m_inStep = 0;
    // Mean-square energy (channel-weighted) of the last 30 steps, oldest overwritten first.
    std::array<double, 30> m_steps{};
    std::size_t m_stepCount = 0;
    double m_momentary = 0;
    double m_shortTerm = 0;
    double m_maxMomentary = 0;
    double m_maxShortTerm = 0;
    // The loudness range's short-term values, every 100 ms: how many fell in each 0.01 LU step
    // from -70 LUFS up, and their energy, so that memory stays the same however long it runs.
    std::vector<std::uint32_t> m_rangeHistogram;
    double m_rangeEnergy = 0;
    std::uint64_t m_rangeCount = 0;
};

}  // namespace sonthra
