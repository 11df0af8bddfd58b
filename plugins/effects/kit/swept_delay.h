// What chorus and flange share: per channel a delay line read back at a delay that a slow sine
// sweeps around a base delay, mixed with the dry sound.
#pragma once

#include <cmath>
#include <vector>

#include "delay_line.h"
#include "effect_kit.h"

namespace sonthra::fx {

class SweptDelay : public EffectProcessor {
protected:
    void setUp(const EffectContext& ctx, double delayMs, double depthMs, double rateHz, double mix) {
        m_channels = ctx.channels;
        const double perMs = ctx.sampleRate / 1000.0;
        m_delay = delayMs * perMs;
        m_depth = depthMs * perMs;
        m_step = 2.0 * M_PI * rateHz / ctx.sampleRate;
        m_mix = static_cast<float>(mix);
        m_lines.assign(m_channels, DelayLine(static_cast<std::size_t>(m_delay + m_depth) + 4));
    }
    // One frame on.
    void advance() { m_phase = std::fmod(m_phase + m_step, 2.0 * M_PI); }
    float mixed(float dry, float wet) const { return (1.0f - m_mix) * dry + m_mix * wet; }

    int m_channels = 1;
    double m_delay = 0;  // frames
    double m_depth = 0;  // frames
    double m_step = 0;   // sweep phase per frame
    double m_phase = 0;
    float m_mix = 0.5f;
    std::vector<DelayLine> m_lines;
};

}  // namespace sonthra::fx
