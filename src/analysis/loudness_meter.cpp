#include "analysis/loudness_meter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "messages/message_table.h"

namespace sonthra {
namespace {

constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();
constexpr std::size_t kMomentarySteps = 4;
constexpr std::size_t kShortTermSteps = 30;
// Floats decoded at a time.
constexpr std::size_t kChunkFrames = 4096;
// The range's gates and percentiles (EBU Tech 3342).
constexpr double kAbsoluteGate = -70;
constexpr double kRelativeGate = -20;
constexpr double kLowPercentile = 0.10;
constexpr double kHighPercentile = 0.95;
constexpr double kRangeSteps = 100;               // per LU
constexpr std::size_t kRangeBins = 80 * 100 + 1;  // -70 to +10 LUFS

double finiteOrMinusInfinity(double value) {
    return std::isfinite(value) ? value : kMinusInfinity;
}

// Loudness of a channel-weighted mean-square energy.
double loudnessOfEnergy(double energy) {
    return energy <= 0 ? kMinusInfinity : -0.691 + 10 * std::log10(energy);
}

}  // namespace

struct LoudnessMeter::State {
    ebur128_state* meter = nullptr;
    ~State() {
        if (meter) ebur128_destroy(&meter);
    }
};

LoudnessMeter::LoudnessMeter() = default;
LoudnessMeter::~LoudnessMeter() = default;

int LoudnessMeter::start(const SampleFormat& format) {
    m_state.reset();
    if (format.channels < 1 || format.channels > 8 || format.sampleRate < 1000 ||
        format.sampleRate > 768000) {
        return 105;
    }
    auto state = std::unique_ptr<State>(new (std::nothrow) State);
    if (!state) return kNoMemory;
    // The library filters and gates; the 100 ms steps are read from it as a window of that
    // length, and momentary, short-term and range are made from them here. Its own range takes
    // a short-term value a second, which reads a varied programme's range lower than the ten a
    // second meters agree on.
    state->meter = ebur128_init(static_cast<unsigned>(format.channels), format.sampleRate,
                                EBUR128_MODE_I | EBUR128_MODE_S);
    if (!state->meter) return kNoMemory;
    m_state = std::move(state);
    m_format = format;
    m_truePeak.start(format.channels);
    m_stepFrames = format.sampleRate / 10;
    m_inStep = 0;
    m_stepCount = 0;
    m_momentary = m_shortTerm = m_maxMomentary = m_maxShortTerm = kMinusInfinity;
    try {
        m_rangeHistogram.assign(kRangeBins, 0);
    } catch (const std::bad_alloc&) {
        m_state.reset();
        return kNoMemory;
    }
    m_rangeEnergy = 0;
    m_rangeCount = 0;
    return 0;
}

int LoudnessMeter::add(const unsigned char* frames, std::size_t count) {
    if (!m_state) return 105;
    const std::size_t channels = static_cast<std::size_t>(m_format.channels);
    const std::size_t frameBytes = m_format.frameBytes();
    try {
        m_floats.resize(kChunkFrames * channels);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kChunkFrames, count - done);
        decodeSamples(frames + done * frameBytes, n * channels, m_format.encoding, m_floats.data());
        const int added = addFloats(m_floats.data(), n);
        if (added != 0) return added;
        done += n;
    }
    return 0;
}

int LoudnessMeter::addFloats(const float* frames, std::size_t count) {
    if (!m_state) return 105;
    const std::size_t channels = static_cast<std::size_t>(m_format.channels);
    while (count > 0) {
        // Up to the end of the current 100 ms step, so that each step's energy can be read.
        const std::size_t n = std::min(count, m_stepFrames - m_inStep);
        if (ebur128_add_frames_float(m_state->meter, frames, n) != EBUR128_SUCCESS)
            return kNoMemory;
        m_truePeak.add(frames, n);
        frames += n * channels;
        count -= n;
        m_inStep += n;
        if (m_inStep == m_stepFrames) stepEnded();
    }
    return 0;
}

void LoudnessMeter::stepEnded() {
    m_inStep = 0;
    double loudness = kMinusInfinity;
    ebur128_loudness_window(m_state->meter, 100, &loudness);
    m_steps[m_stepCount % kShortTermSteps] =
        std::isfinite(loudness) ? std::pow(10.0, (loudness + 0.691) / 10) : 0.0;
    ++m_stepCount;
    auto meanOfLast = [&](std::size_t steps) {
        double sum = 0;
        for (std::size_t i = 0; i < steps; ++i)
            sum += m_steps[(m_stepCount - 1 - i) % kShortTermSteps];
        return sum / static_cast<double>(steps);
    };
    // Windows reaching back before the start are not measured, as if the audio began with
    // silence they would read too low.
    if (m_stepCount >= kMomentarySteps) {
        m_momentary = loudnessOfEnergy(meanOfLast(kMomentarySteps));
        m_maxMomentary = std::max(m_maxMomentary, m_momentary);
    }
    if (m_stepCount >= kShortTermSteps) {
        const double energy = meanOfLast(kShortTermSteps);
        m_shortTerm = loudnessOfEnergy(energy);
        m_maxShortTerm = std::max(m_maxShortTerm, m_shortTerm);
        if (m_shortTerm >= kAbsoluteGate) {
            const double step = std::round((m_shortTerm - kAbsoluteGate) * kRangeSteps);
            ++m_rangeHistogram[static_cast<std::size_t>(
                std::min(step, static_cast<double>(kRangeBins - 1)))];
            m_rangeEnergy += energy;
            ++m_rangeCount;
        }
    }
}

double LoudnessMeter::integratedLufs() const {
    double value = kMinusInfinity;
    if (!m_state || ebur128_loudness_global(m_state->meter, &value) != EBUR128_SUCCESS)
        return kMinusInfinity;
    return finiteOrMinusInfinity(value);
}

double LoudnessMeter::rangeLu() const {
    if (m_rangeCount == 0) return 0;
    // Short-term values more than 20 LU below their own mean energy are left out; the range is
    // the spread between the 10th and the 95th percentile of the rest.
    const double gate =
        loudnessOfEnergy(m_rangeEnergy / static_cast<double>(m_rangeCount)) + kRelativeGate;
    const auto first = static_cast<std::size_t>(
        std::clamp(std::ceil((gate - kAbsoluteGate) * kRangeSteps), 0.0, kRangeBins - 1.0));
    std::uint64_t count = 0;
    for (std::size_t i = first; i < kRangeBins; ++i) count += m_rangeHistogram[i];
    if (count == 0) return 0;
    // The value of rank (1-based) share x count, rounded, at least the first.
    auto percentile = [&](double share) {
        const auto rank = std::max<std::uint64_t>(
            1, static_cast<std::uint64_t>(share * static_cast<double>(count) + 0.5));
        std::uint64_t seen = 0;
        for (std::size_t i = first; i < kRangeBins; ++i) {
            seen += m_rangeHistogram[i];
            if (seen >= rank) return kAbsoluteGate + static_cast<double>(i) / kRangeSteps;
        }
        return kAbsoluteGate + static_cast<double>(kRangeBins - 1) / kRangeSteps;
    };
    return percentile(kHighPercentile) - percentile(kLowPercentile);
}

double LoudnessMeter::truePeakDbtp() const {
    const double peak = m_truePeak.peak();
    return peak <= 0 ? kMinusInfinity : 20 * std::log10(peak);
}

LoudnessReport LoudnessMeter::report() const {
    return {integratedLufs(), rangeLu(), m_maxMomentary, m_maxShortTerm, truePeakDbtp()};
}

}  // namespace sonthra
