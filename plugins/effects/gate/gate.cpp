// Noise Gate: the level is the peak over the channels, falling by 10 ms; while it is at the
// threshold or above (and for the hold after) the gain goes to 1 with the attack, otherwise to
// the floor with the release. Every channel gets the same gain.
#include <cmath>

#include "dynamics.h"
#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class NoiseGate : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        m_threshold = fromDb(ctx.values[0]);
        m_attack = smoothing(ctx.values[1], ctx.sampleRate);
        m_holdFrames = static_cast<long>(std::lround(ctx.values[2] * ctx.sampleRate / 1000.0));
        m_release = smoothing(ctx.values[3], ctx.sampleRate);
        m_floor = fromDb(ctx.values[4]);
        m_fall = smoothing(10, ctx.sampleRate);
        // The audio before the selection is unknown: the gate starts closed and opens with the
        // attack.
        m_gain = m_floor;
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        float* to = out.extend(frames);
        for (std::size_t f = 0; f < frames; ++f) {
            const float* frame = in + f * m_channels;
            m_level = std::fmax(framePeak(frame, m_channels), m_level * m_fall);
            if (m_level >= m_threshold) {
                m_holdLeft = m_holdFrames;
            } else if (m_holdLeft > 0) {
                --m_holdLeft;
            }
            const bool open = m_level >= m_threshold || m_holdLeft > 0;
            const double target = open ? 1.0 : m_floor;
            const double a = target > m_gain ? m_attack : m_release;
            m_gain = target + a * (m_gain - target);
            for (int c = 0; c < m_channels; ++c) {
                to[f * m_channels + c] = static_cast<float>(frame[c] * m_gain);
            }
        }
        return kEffectOk;
    }
    bool dithered() const override { return true; }

private:
    int m_channels = 1;
    double m_threshold = 0, m_floor = 0, m_attack = 0, m_release = 0, m_fall = 0;
    long m_holdFrames = 0, m_holdLeft = 0;
    double m_level = 0;
    double m_gain = 0;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<NoiseGate>();
}

}  // namespace sonthra::fx
