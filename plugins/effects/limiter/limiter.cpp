// Limiter: the kit's true-peak limiter over the selection; tells how deep it cut.
#include <cstdio>

#include "effect_kit.h"
#include "true_peak_limiter.h"

namespace sonthra::fx {

namespace {

class Limiter : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_limiter.configure(ctx.channels, ctx.sampleRate, ctx.values[0], ctx.values[1]);
        m_ceilingDb = ctx.values[0];
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        m_limiter.process(in, frames, out);
        return kEffectOk;
    }
    bool drain(FrameFifo& out, std::size_t maxFrames) override {
        return m_limiter.drain(out, maxFrames);
    }
    bool dithered() const override { return true; }
    std::string resultText() const override {
        const double reduction = m_limiter.maxReductionDb();
        if (reduction < 0.05) return {};
        char text[128];
        std::snprintf(text, sizeof text,
                      "Limiter: peaks turned down by up to %.1f dB to stay under %.1f dBTP",
                      reduction, m_ceilingDb);
        return text;
    }

private:
    TruePeakLimiter m_limiter;
    double m_ceilingDb = 0;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Limiter>();
}

}  // namespace sonthra::fx
