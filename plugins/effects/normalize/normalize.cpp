// Normalize: one pass over the selection through the source file finds its peak or its
// loudness (EBU R128 through libebur128), then every sample is scaled by one gain.
#include <ebur128.h>
#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "effect_kit.h"

namespace sonthra::fx {

namespace {

double fromDb(double db) {
    return std::pow(10.0, db / 20.0);
}

class Normalize : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        const bool loudness = ctx.values[0] >= 0.5;
        return loudness ? measureLoudness(ctx) : measurePeak(ctx);
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        float* to = out.extend(frames);
        for (std::size_t i = 0; i < frames * m_channels; ++i) to[i] = in[i] * m_gain;
        return kEffectOk;
    }

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

    int measureLoudness(const EffectContext& ctx) {
        ebur128_state* state = ebur128_init(static_cast<unsigned>(m_channels),
                                            static_cast<unsigned long>(ctx.sampleRate),
                                            EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
        if (!state) return kEffectNoMemory;
        bool failed = false;
        int code = scanSource(
            ctx, ctx.regionFrame, ctx.regionFrames, [&](const float* samples, std::size_t frames) {
                failed |= ebur128_add_frames_float(state, samples, frames) != EBUR128_SUCCESS;
            });
        double loudness = -HUGE_VAL;
        double truePeak = 0;
        if (code == 0 && !failed) {
            ebur128_loudness_global(state, &loudness);
            for (int c = 0; c < m_channels; ++c) {
                double peak = 0;
                ebur128_true_peak(state, static_cast<unsigned>(c), &peak);
                truePeak = std::max(truePeak, peak);
            }
        }
        ebur128_destroy(&state);
        if (code != 0) return code;
        if (failed) return kEffectCannotApply;
        // Silence (or too short to measure) has no loudness to bring anywhere.
        if (!std::isfinite(loudness)) return kEffectOk;
        double gain = fromDb(ctx.values[2] - loudness);
        const double ceiling = fromDb(ctx.values[3]);
        if (truePeak * gain > ceiling && truePeak > 0) gain = ceiling / truePeak;
        m_gain = static_cast<float>(gain);
        return kEffectOk;
    }

    int m_channels = 1;
    float m_gain = 1.0f;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Normalize>();
}

}  // namespace sonthra::fx
