// Chorus: voices read the signal back through delays that each waver around the base delay
// with the same rate but spread phases, so that they never line up.
#include "swept_delay.h"

namespace sonthra::fx {

namespace {

class Chorus : public SweptDelay {
public:
    int prepare(const EffectContext& ctx) override {
        const double* v = ctx.values;
        m_voices = static_cast<int>(std::lround(v[0]));
        setUp(ctx, v[1], v[2], v[3], v[4]);
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
                    // The right channel's voices run a quarter turn apart for width.
                    const double phase =
                        m_phase + 2.0 * M_PI * voice / m_voices + (c ? M_PI / 2 : 0);
                    wet += line.read(m_delay + m_depth * std::sin(phase));
                }
                to[f * m_channels + c] = mixed(x, wet / static_cast<float>(m_voices));
            }
            advance();
        }
        return kEffectOk;
    }

private:
    int m_voices = 1;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Chorus>();
}

}  // namespace sonthra::fx
