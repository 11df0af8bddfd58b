// Flange: a delay of a few milliseconds swept by a slow sine, fed back into itself and mixed
// with the dry sound.
#include <cmath>

#include "delay_line.h"
#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class Flange : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        const double* v = ctx.values;
        m_channels = ctx.channels;
        const double perMs = ctx.sampleRate / 1000.0;
        m_delay = v[0] * perMs;
        m_depth = v[1] * perMs;
        m_step = 2.0 * M_PI * v[2] / ctx.sampleRate;
        m_feedback = static_cast<float>(v[3]);
        m_mix = static_cast<float>(v[4]);
        m_lines.assign(m_channels, DelayLine(static_cast<std::size_t>(m_delay + m_depth) + 4));
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        float* to = out.extend(frames);
        for (std::size_t f = 0; f < frames; ++f) {
            const double sweep = 0.5 * (1.0 + std::sin(m_phase));
            for (int c = 0; c < m_channels; ++c) {
                const float x = in[f * m_channels + c];
                DelayLine& line = m_lines[c];
                const float delayed = line.read(m_delay + m_depth * sweep);
                line.push(x + m_feedback * delayed);
                to[f * m_channels + c] = (1.0f - m_mix) * x + m_mix * delayed;
            }
            m_phase = std::fmod(m_phase + m_step, 2.0 * M_PI);
        }
        return kEffectOk;
    }

private:
    int m_channels = 1;
    double m_delay = 0;
    double m_depth = 0;
    double m_step = 0;
    double m_phase = 0;
    float m_feedback = 0;
    float m_mix = 0.5f;
    std::vector<DelayLine> m_lines;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Flange>();
}

}  // namespace sonthra::fx
