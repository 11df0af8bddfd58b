#include "true_peak_limiter.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "dynamics.h"

namespace sonthra::fx {

namespace {

// The interpolation follows the long, steep filters true-peak meters upsample with, so that
// it sees the overshoot of a sudden edge as they do.
constexpr int kTaps = 32;    // input samples per interpolated point
constexpr int kBefore = 15;  // of them before the point's left sample
constexpr int kAfter = kTaps - kBefore - 1;
constexpr std::size_t kHistory = 64;  // a power of two above kTaps
constexpr std::size_t kReach = 17;    // frames either side a peak's gain must cover
constexpr double kCutoff = 0.97;      // of the Nyquist frequency
constexpr double kBeta = 9.0;
constexpr double kEdgeRoom = 1.06;  // 0.5 dB

// Windowed-sinc weights of the points a quarter, a half and three quarters between two
// samples, each scaled to a gain of 1 at 0 Hz.
using Phases = std::array<std::array<double, kTaps>, 3>;

double bessel0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 25; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

Phases makePhases() {
    Phases phases{};
    for (int p = 0; p < 3; ++p) {
        const double frac = (p + 1) / 4.0;
        double sum = 0;
        for (int j = 0; j < kTaps; ++j) {
            const double t = frac - (j - kBefore);  // distance from input sample j
            const double sinc = std::sin(M_PI * kCutoff * t) / (M_PI * t);
            const double r = t / (kTaps / 2.0);
            const double window = std::fabs(r) < 1 ? bessel0(kBeta * std::sqrt(1 - r * r)) : 0;
            phases[p][j] = sinc * window / bessel0(kBeta);
            sum += phases[p][j];
        }
        for (double& w : phases[p]) w /= sum;
    }
    return phases;
}

const Phases& phases() {
    static const Phases table = makePhases();
    return table;
}

}  // namespace

void TruePeakLimiter::configure(int channels, double rate, double ceilingDb, double releaseMs) {
    m_channels = channels;
    // A hair under the ceiling, for what a meter's own interpolation sees differently.
    m_ceiling = fromDb(ceilingDb - 0.05);
    m_release = smoothing(releaseMs, rate);
    m_lookahead = std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(rate * 0.005)));
    m_window = m_lookahead + 2 * kReach;
    m_latency = kAfter + m_lookahead - 1 + kReach;
    m_count = 0;
    m_draining = false;
    m_taken = 0;
    m_given = 0;
    m_history.assign(kHistory * channels, 0.0f);
    m_delay.assign(m_latency * channels, 0.0f);
    m_delayAt = 0;
    m_minValue.assign(m_window + 1, 1.0);
    m_minIndex.assign(m_window + 1, 0);
    m_minHead = 0;
    m_minSize = 0;
    m_box.assign(m_lookahead, 1.0);
    m_boxAt = 0;
    m_boxSum = static_cast<double>(m_lookahead);
    m_gain = 1;
    m_lowest = 1;
    // The most any point can be: every sample at the level, each weight's sign in its favour.
    double reach = 0;
    for (const auto& phase : phases()) {
        double sum = 0;
        for (double w : phase) sum += std::fabs(w);
        reach = std::max(reach, sum);
    }
    m_quiet = m_ceiling / reach;
    m_lastQuarter.assign(channels, 0.0);
    m_lastLoud = 0;
}

double TruePeakLimiter::truePeak() {
    // The newest frame is m_count - 1; the point judged is kAfter frames older.
    const Phases& w = phases();
    double peak = 0;
    const std::uint64_t newest = m_count - 1;
    for (int c = 0; c < m_channels; ++c) {
        auto at = [&](int j) {  // input sample j of the kernel, 0 = kBefore before the point
            const std::uint64_t frame = newest - static_cast<std::uint64_t>(kTaps - 1 - j);
            return static_cast<double>(m_history[(frame & (kHistory - 1)) * m_channels + c]);
        };
        // The previous interval's last quarter, this sample, three quarters, the next sample.
        double points[6] = {m_lastQuarter[c], at(kBefore), 0, 0, 0, at(kBefore + 1)};
        for (int p = 0; p < 3; ++p) {
            double sum = 0;
            for (int j = 0; j < kTaps; ++j) sum += w[p][j] * at(j);
            points[2 + p] = sum;
        }
        m_lastQuarter[c] = points[4];
        int top = 0;
        for (int k = 1; k < 6; ++k) {
            if (std::fabs(points[k]) > std::fabs(points[top])) top = k;
        }
        double value = std::fabs(points[top]);
        // A crest between the quarter points reads low by up to 0.7 dB near the Nyquist
        // frequency; a parabola through the highest point and its neighbours finds it. The
        // crest at the next sample is this one's in the next interval.
        if (top >= 1 && top <= 4) {
            const double sign = points[top] < 0 ? -1.0 : 1.0;
            const double a = sign * points[top - 1], b = value, z = sign * points[top + 1];
            const double bend = a - 2 * b + z;
            if (bend < 0) value = std::min(b - (a - z) * (a - z) / (8 * bend), 1.5 * b);
        }
        peak = std::max(peak, value);
    }
    return peak;
}

void TruePeakLimiter::step(const float* frame, float* to) {
    std::copy(frame, frame + m_channels, &m_history[(m_count & (kHistory - 1)) * m_channels]);
    ++m_count;
    // Before the kernel is full its early samples are the silence before the audio. Without a
    // sample loud enough within the kernel's reach no point between can pass the ceiling.
    if (framePeak(frame, m_channels) >= m_quiet) m_lastLoud = m_count;
    double peak = 0;
    if (m_count - m_lastLoud < kTaps) {
        peak = truePeak();
        // Where the audio meets the silence before or after it, meters' longer filters ring
        // higher than this one; the edge is given room for that.
        if (m_count < kTaps || m_draining) peak *= kEdgeRoom;
    } else {
        std::fill(m_lastQuarter.begin(), m_lastQuarter.end(), 0.0);
    }
    const double allowed = peak > m_ceiling ? m_ceiling / peak : 1.0;
    const std::uint64_t index = m_count;

    // Running minimum over the window: a queue of rising values.
    const std::size_t capacity = m_minValue.size();
    while (m_minSize > 0 && m_minValue[(m_minHead + m_minSize - 1) % capacity] >= allowed) {
        --m_minSize;
    }
    m_minValue[(m_minHead + m_minSize) % capacity] = allowed;
    m_minIndex[(m_minHead + m_minSize) % capacity] = index;
    ++m_minSize;
    while (m_minIndex[m_minHead] + m_window <= index) {
        m_minHead = (m_minHead + 1) % capacity;
        --m_minSize;
    }
    const double minimum = m_minValue[m_minHead];

    // Averaged over the look-ahead: the gain glides down to the minimum instead of jumping.
    m_boxSum += minimum - m_box[m_boxAt];
    m_box[m_boxAt] = minimum;
    m_boxAt = m_boxAt + 1 == m_box.size() ? 0 : m_boxAt + 1;
    const double target = std::min(1.0, m_boxSum / static_cast<double>(m_box.size()));
    m_gain = target < m_gain ? target : m_gain + (1.0 - m_release) * (target - m_gain);
    m_lowest = std::min(m_lowest, m_gain);

    float* delayed = &m_delay[m_delayAt * m_channels];
    for (int c = 0; c < m_channels; ++c) {
        const float x = delayed[c];
        delayed[c] = frame[c];
        if (to) to[c] = static_cast<float>(x * m_gain);
    }
    m_delayAt = m_delayAt + 1 == m_latency ? 0 : m_delayAt + 1;
}

void TruePeakLimiter::process(const float* in, std::size_t frames, FrameFifo& out) {
    // Nothing comes out until the delay line is full.
    const std::size_t dead = static_cast<std::size_t>(
        std::min<std::uint64_t>(frames, m_count < m_latency ? m_latency - m_count : 0));
    std::size_t f = 0;
    for (; f < dead; ++f) step(in + f * m_channels, nullptr);
    float* to = out.extend(frames - dead);
    for (; f < frames; ++f) step(in + f * m_channels, to + (f - dead) * m_channels);
    m_taken += frames;
    m_given += frames - dead;
}

bool TruePeakLimiter::drain(FrameFifo& out, std::size_t maxFrames) {
    m_draining = true;
    m_silence.assign(m_channels, 0.0f);
    // A file shorter than the delay first fills it with silence.
    while (m_given < m_taken && m_count < m_latency) step(m_silence.data(), nullptr);
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(m_taken - m_given, maxFrames));
    float* to = out.extend(n);
    for (std::size_t f = 0; f < n; ++f) step(m_silence.data(), to + f * m_channels);
    m_given += n;
    return m_given == m_taken;
}

double TruePeakLimiter::maxReductionDb() const {
    return -toDb(m_lowest);
}

}  // namespace sonthra::fx
