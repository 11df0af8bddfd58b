// Amplify: every sample times one gain; the kit clips what passes full scale, and the effect
// tells how many samples that was and how far over they would have gone.
#include <cmath>
#include <cstdio>

#include "dynamics.h"
#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class Amplify : public EffectProcessor {
public:
    explicit Amplify(double gainDb) : m_gain(static_cast<float>(fromDb(gainDb))) {}

    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        // The largest values that round to a sample of the format without clipping.
        const float step = ctx.format.bitsPerSample == 16 ? 1.0f / 32768.0f : 1.0f / 128.0f;
        m_high = 1.0f - step / 2;
        m_low = -1.0f - step / 2;
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        const std::size_t samples = frames * m_channels;
        float* to = out.extend(frames);
        for (std::size_t i = 0; i < samples; ++i) {
            const float y = in[i] * m_gain;
            to[i] = y;
            if (y >= m_high || y < m_low) {
                ++m_clipped;
                m_worst = std::fmax(m_worst, std::fabs(y));
            }
        }
        return kEffectOk;
    }
    std::string resultText() const override {
        if (m_clipped == 0) return {};
        char text[EFFECT_TEXT_BYTES];
        std::snprintf(text, sizeof text,
                      "Amplify: %llu samples clipped, up to %.1f dB over full scale; %.1f dB "
                      "less gain keeps them whole",
                      static_cast<unsigned long long>(m_clipped), toDb(m_worst), toDb(m_worst));
        return text;
    }

private:
    float m_gain;
    int m_channels = 1;
    float m_high = 1, m_low = -1;
    unsigned long long m_clipped = 0;
    double m_worst = 0;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext& ctx) {
    return std::make_unique<Amplify>(ctx.values[0]);
}

}  // namespace sonthra::fx
