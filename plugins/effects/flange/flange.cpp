// Flange: a delay of a few milliseconds swept by a slow sine, fed back into itself and mixed
// with the dry sound.
#include "swept_delay.h"

namespace sonthra::fx {

namespace {

class Flange : public SweptDelay {
public:
    int prepare(const EffectContext& ctx) override {
        const double* v = ctx.values;
        setUp(ctx, v[0], v[1], v[2], v[4]);
        m_feedback = static_cast<float>(v[3]);
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
                to[f * m_channels + c] = mixed(x, delayed);
            }
            advance();
        }
        return kEffectOk;
    }

private:
    float m_feedback = 0;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Flange>();
}

}  // namespace sonthra::fx
