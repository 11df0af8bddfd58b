// Normalize: one pass over the selection through the source file finds its peak or its
// loudness (EBU R128 through libebur128), then every sample is scaled by one gain. To a
// loudness, peaks that the gain would push over the true-peak ceiling go through the kit's
// true-peak limiter, and the gain is corrected by measuring the limited result until it lands
// on the target; without the limiter the ceiling caps the gain. Whatever level the result
// falls short at is told, with the reason.
#include <ebur128.h>
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dynamics.h"
#include "effect_kit.h"
#include "true_peak_limiter.h"

namespace sonthra::fx {

namespace {

constexpr int kLimiterPasses = 6;
constexpr double kMostGainStepDb = 12;
constexpr double kCloseEnoughLu = 0.05;
constexpr double kLimiterReleaseMs = 60;

// Integrated loudness and true peak of audio added to it, or an error code.
class LoudnessMeter {
public:
    LoudnessMeter(int channels, double rate, bool truePeak)
        : m_channels(channels),
          m_state(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                               EBUR128_MODE_I | (truePeak ? EBUR128_MODE_TRUE_PEAK : 0))) {}
    ~LoudnessMeter() {
        if (m_state) ebur128_destroy(&m_state);
    }
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    bool ready() const { return m_state != nullptr; }
    void add(const float* samples, std::size_t frames) {
        m_failed |= ebur128_add_frames_float(m_state, samples, frames) != EBUR128_SUCCESS;
    }
    bool failed() const { return m_failed; }
    // -inf for silence or audio too short to measure.
    double loudness() const {
        double value = -HUGE_VAL;
        ebur128_loudness_global(m_state, &value);
        return value;
    }
    double truePeak() const {
        double peak = 0;
        for (int c = 0; c < m_channels; ++c) {
            double p = 0;
            ebur128_true_peak(m_state, static_cast<unsigned>(c), &p);
            peak = std::max(peak, p);
        }
        return peak;
    }

private:
    int m_channels;
    ebur128_state* m_state;
    bool m_failed = false;
};

class Normalize : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        const bool loudness = ctx.values[0] >= 0.5;
        return loudness ? normalizeLoudness(ctx) : measurePeak(ctx);
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        if (m_limited) {
            m_scaled.resize(frames * m_channels);
            for (std::size_t i = 0; i < frames * m_channels; ++i) m_scaled[i] = in[i] * m_gain;
            m_limiter.process(m_scaled.data(), frames, out);
            return kEffectOk;
        }
        float* to = out.extend(frames);
        for (std::size_t i = 0; i < frames * m_channels; ++i) to[i] = in[i] * m_gain;
        return kEffectOk;
    }
    bool drain(FrameFifo& out, std::size_t maxFrames) override {
        return !m_limited || m_limiter.drain(out, maxFrames);
    }
    bool dithered() const override { return m_limited; }
    std::string resultText() const override { return m_report; }

private:
    int measurePeak(const EffectContext& ctx) {
        // Four lanes of |sample| maxima; the sign bit cleared is the absolute value.
        const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
        __m128 lanes = _mm_setzero_ps();
        float peak = 0;
        const int code = scanSource(
            ctx, ctx.regionFrame, ctx.regionFrames, [&](const float* samples, std::size_t frames) {
                const std::size_t n = frames * m_channels;
                std::size_t i = 0;
                for (; i + 4 <= n; i += 4) {
                    lanes = _mm_max_ps(lanes, _mm_and_ps(_mm_loadu_ps(samples + i), magnitude));
                }
                for (; i < n; ++i) peak = std::max(peak, std::fabs(samples[i]));
            });
        float lane[4];
        _mm_storeu_ps(lane, lanes);
        for (float v : lane) peak = std::max(peak, v);
        if (code != 0) return code;
        if (peak > 0) m_gain = static_cast<float>(fromDb(ctx.values[1]) / peak);
        return kEffectOk;
    }

    int normalizeLoudness(const EffectContext& ctx) {
        LoudnessMeter meter(m_channels, ctx.sampleRate, true);
        if (!meter.ready()) return kEffectNoMemory;
        const int code = scanSource(
            ctx, ctx.regionFrame, ctx.regionFrames,
            [&](const float* samples, std::size_t frames) { meter.add(samples, frames); });
        if (code != 0) return code;
        if (meter.failed()) return kEffectCannotApply;
        const double measured = meter.loudness();
        const double truePeak = meter.truePeak();
        const double target = ctx.values[2];
        const double ceilingDb = ctx.values[3];
        if (!std::isfinite(measured)) {
            m_report = "Normalize: the selection is silent or too short to measure; left as it was";
            return kEffectOk;
        }
        double gainDb = target - measured;
        const bool overCeiling = truePeak > 0 && toDb(truePeak) + gainDb > ceilingDb;
        if (!overCeiling) {
            m_gain = static_cast<float>(fromDb(gainDb));
            return kEffectOk;
        }
        if (ctx.values[4] >= 0.5) {
            // Without the limiter the ceiling decides the gain.
            gainDb = ceilingDb - toDb(truePeak);
            m_gain = static_cast<float>(fromDb(gainDb));
            tellShortfall(measured + gainDb, target,
                          "the true-peak ceiling stops the gain (the limiter is off)", ceilingDb);
            return kEffectOk;
        }
        // The limiter takes back part of each dB added; how much is learned from the passes
        // (the slope of loudness over gain), so few passes land on the target.
        double reached = measured;
        double slope = 1.0;
        double lastGain = 0, lastReached = 0;
        for (int pass = 0; pass < kLimiterPasses; ++pass) {
            const int tried = measureLimited(ctx, gainDb, ceilingDb, reached);
            if (tried != 0) return tried;
            if (!std::isfinite(reached)) break;
            if (std::fabs(reached - target) <= kCloseEnoughLu || pass + 1 == kLimiterPasses) break;
            if (pass > 0 && std::fabs(gainDb - lastGain) > 1e-6) {
                slope = std::clamp((reached - lastReached) / (gainDb - lastGain), 0.1, 1.0);
            }
            lastGain = gainDb;
            lastReached = reached;
            gainDb += std::min((target - reached) / slope, kMostGainStepDb);
        }
        m_gain = static_cast<float>(fromDb(gainDb));
        m_limited = true;
        m_limiter.configure(m_channels, ctx.sampleRate, ceilingDb, kLimiterReleaseMs);
        if (std::isfinite(reached)) {
            tellShortfall(reached, target, "the limiter could not make up for the ceiling",
                          ceilingDb);
        }
        return kEffectOk;
    }

    // The loudness of the selection with gainDb and the limiter at the ceiling.
    int measureLimited(const EffectContext& ctx, double gainDb, double ceilingDb,
                       double& loudness) {
        LoudnessMeter meter(m_channels, ctx.sampleRate, false);
        if (!meter.ready()) return kEffectNoMemory;
        TruePeakLimiter limiter;
        limiter.configure(m_channels, ctx.sampleRate, ceilingDb, kLimiterReleaseMs);
        const auto gain = static_cast<float>(fromDb(gainDb));
        FrameFifo limited(m_channels);
        auto take = [&] {
            meter.add(limited.front(), limited.frames());
            limited.pop(limited.frames());
        };
        const int code = scanSource(ctx, ctx.regionFrame, ctx.regionFrames,
                                    [&](const float* samples, std::size_t frames) {
                                        m_scaled.resize(frames * m_channels);
                                        for (std::size_t i = 0; i < frames * m_channels; ++i) {
                                            m_scaled[i] = samples[i] * gain;
                                        }
                                        limiter.process(m_scaled.data(), frames, limited);
                                        take();
                                    });
        if (code != 0) return code;
        while (!limiter.drain(limited, 65536)) take();
        take();
        if (meter.failed()) return kEffectCannotApply;
        loudness = meter.loudness();
        return kEffectOk;
    }

    // Says so when the result ends more than a meter's rounding away from the target.
    void tellShortfall(double reached, double target, const char* why, double ceilingDb) {
        if (std::fabs(reached - target) < 0.2) return;
        char text[EFFECT_TEXT_BYTES];
        std::snprintf(text, sizeof text,
                      "Normalize: reached %.1f LUFS instead of %.1f LUFS: %s at %.1f dBTP", reached,
                      target, why, ceilingDb);
        m_report = text;
    }

    int m_channels = 1;
    float m_gain = 1.0f;
    bool m_limited = false;
    TruePeakLimiter m_limiter;
    std::vector<float> m_scaled;
    std::string m_report;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Normalize>();
}

}  // namespace sonthra::fx
