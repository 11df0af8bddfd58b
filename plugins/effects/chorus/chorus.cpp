// Chorus: voices read the signal back through delays that each waver around the base delay
// with the same rate but spread phases, so that they never line up.
#include <cmath>

#include "delay_line.h"
#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class Chorus : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        const double* v = ctx.values;
        m_channels = ctx.channels;
        m_voices = static_cast<int>(std::lround(v[0]));
        const double perMs = ctx.sampleRate / 1000.0;
        m_delay = v[1] * perMs;
        m_depth = v[2] * perMs;
        m_step = 2.0 * M_PI * v[3] / ctx.sampleRate;
        m_mix = static_cast<float>(v[4]);
        m_lines.assign(m_channels, DelayLine(static_cast<std::size_t>(m_delay + m_depth) + 4));
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        float* to = out.extend(frames);
        for (std::size_t f = 0; f < frames; ++f) {
            for (int c = 0; c < m_channels; ++c) {
                const float x = in[f * m_channels + c];
                DelayLine& line = m_lines[c];
                line.push(x);
                float wet = 0;
                for (int voice = 0; voice < m_voices; ++voice) {
                    // Stereo voices move in opposite directions for width.
                    const double phase =
                        m_phase + 2.0 * M_PI * voice / m_voices + (c ? M_PI / 2 : 0);
                    wet += line.read(m_delay + m_depth * std::sin(phase));
                }
                wet /= static_cast<float>(m_voices);
                to[f * m_channels + c] = (1.0f - m_mix) * x + m_mix * wet;
            }
            m_phase = std::fmod(m_phase + m_step, 2.0 * M_PI);
        }
        return kEffectOk;
    }

private:
    int m_channels = 1;
    int m_voices = 1;
    double m_delay = 0;
    double m_depth = 0;
    double m_step = 0;
    double m_phase = 0;
    float m_mix = 0.5f;
    std::vector<DelayLine> m_lines;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Chorus>();
}

}  // namespace sonthra::fx
