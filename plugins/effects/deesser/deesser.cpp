// De-Esser: each channel is split at the frequency by a Linkwitz-Riley crossover (two
// Butterworth sections each way), whose two bands stay in phase and add up to the input's
// level at every frequency. The upper band's peak over the channels drives a compressor curve
// with a fast attack and release; only that band is turned down.
#include <algorithm>
#include <cmath>
#include <vector>

#include "biquad.h"
#include "dynamics.h"
#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class DeEsser : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        // Above the Nyquist frequency there is no band to tame: the corner stays below it.
        const double frequency = std::min(ctx.values[0], ctx.sampleRate * 0.45);
        m_low = Biquad::lowPass(ctx.sampleRate, frequency, 0.70710678);
        m_high = Biquad::highPass(ctx.sampleRate, frequency, 0.70710678);
        m_states.assign(4 * m_channels, BiquadState{});
        m_curve = {ctx.values[1], ctx.values[2], 0};
        m_smoother.configure(1, 60, ctx.sampleRate);
        m_band.resize(m_channels);
        m_lowBand.resize(m_channels);
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        float* to = out.extend(frames);
        for (std::size_t f = 0; f < frames; ++f) {
            const float* frame = in + f * m_channels;
            double peak = 0;
            for (int c = 0; c < m_channels; ++c) {
                BiquadState* s = &m_states[4 * c];
                m_lowBand[c] = s[1].run(m_low, s[0].run(m_low, frame[c]));
                m_band[c] = s[3].run(m_high, s[2].run(m_high, frame[c]));
                peak = std::fmax(peak, std::fabs(m_band[c]));
            }
            const double gain = fromDb(-m_smoother.next(m_curve.reductionDb(toDb(peak))));
            for (int c = 0; c < m_channels; ++c) {
                to[f * m_channels + c] = static_cast<float>(m_lowBand[c] + m_band[c] * gain);
            }
        }
        return kEffectOk;
    }
    bool dithered() const override { return true; }

private:
    int m_channels = 1;
    Biquad m_low, m_high;
    std::vector<BiquadState> m_states;  // per channel: two low sections, two high
    std::vector<double> m_band, m_lowBand;
    CompressorCurve m_curve;
    ReductionSmoother m_smoother;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<DeEsser>();
}

}  // namespace sonthra::fx
