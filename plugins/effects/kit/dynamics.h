// Small pieces the level-driven effects share: decibels, the coefficient of a one-pole
// smoother for a time constant, and the peak level of a frame over its channels.
#pragma once

#include <cmath>
#include <cstddef>

namespace sonthra::fx {

inline double fromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

// Decibels of a linear level; silence gives a very low level instead of minus infinity.
inline double toDb(double level) {
    return 20.0 * std::log10(level > 1e-10 ? level : 1e-10);
}

// The coefficient a of y += (1 - a) * (x - y) that covers about 63% of a step in ms.
inline double smoothing(double ms, double rate) {
    const double samples = ms * rate / 1000.0;
    return samples < 1e-3 ? 0.0 : std::exp(-1.0 / samples);
}

inline double framePeak(const float* frame, int channels) {
    double peak = 0;
    for (int c = 0; c < channels; ++c) peak = std::fmax(peak, std::fabs(frame[c]));
    return peak;
}

// The static curve of a compressor: how many dB a level (dBFS) is turned down, with a knee
// of kneeDb over which the ratio sets in gradually.
struct CompressorCurve {
    double thresholdDb = 0;
    double ratio = 1;
    double kneeDb = 0;

    double reductionDb(double levelDb) const {
        const double over = levelDb - thresholdDb;
        const double slope = 1.0 - 1.0 / ratio;
        if (2.0 * over <= -kneeDb) return 0.0;
        if (2.0 * over < kneeDb) {
            const double into = over + kneeDb / 2.0;
            return slope * into * into / (2.0 * kneeDb);
        }
        return slope * over;
    }
};

// Smooths a gain reduction in dB: a peak held with the release, then followed with the
// attack, so a steady tone gets a steady reduction (not one that pumps with each cycle) and
// the release sets how fast it lets go.
class ReductionSmoother {
public:
    void configure(double attackMs, double releaseMs, double rate) {
        m_attack = smoothing(attackMs, rate);
        m_release = smoothing(releaseMs, rate);
    }
    double next(double reductionDb) {
        m_held = std::fmax(reductionDb, m_release * m_held + (1.0 - m_release) * reductionDb);
        m_value = m_attack * m_value + (1.0 - m_attack) * m_held;
        return m_value;
    }

private:
    double m_attack = 0, m_release = 0;
    double m_held = 0, m_value = 0;
};

}  // namespace sonthra::fx
