// High-Pass Filter: a Butterworth high-pass of order 2 (one section) or 4 (two sections with
// the Butterworth pole pairs), per channel, in double precision.
#include "biquad.h"
#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class HighPass : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        const double cutoff = ctx.values[0];
        if (ctx.values[1] < 0.5) {
            m_filter.setup({Biquad::highPass(ctx.sampleRate, cutoff, 0.70710678)}, ctx.channels);
        } else {
            m_filter.setup({Biquad::highPass(ctx.sampleRate, cutoff, 0.54119610),
                            Biquad::highPass(ctx.sampleRate, cutoff, 1.30656296)},
                           ctx.channels);
        }
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        m_filter.run(in, frames, out.extend(frames));
        return kEffectOk;
    }
    bool dithered() const override { return true; }

private:
    BiquadCascade m_filter;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<HighPass>();
}

}  // namespace sonthra::fx
