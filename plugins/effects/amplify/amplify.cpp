// Amplify: every sample times one gain; the kit clips what passes full scale.
#include <cmath>

#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class Amplify : public EffectProcessor {
public:
    explicit Amplify(double gainDb) : m_gain(static_cast<float>(std::pow(10.0, gainDb / 20.0))) {}

    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        const std::size_t samples = frames * m_channels;
        float* to = out.extend(frames);
        for (std::size_t i = 0; i < samples; ++i) to[i] = in[i] * m_gain;
        return kEffectOk;
    }
    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        return kEffectOk;
    }

private:
    float m_gain;
    int m_channels = 1;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext& ctx) {
    return std::make_unique<Amplify>(ctx.values[0]);
}

}  // namespace sonthra::fx
