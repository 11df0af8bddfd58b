// Fade in or out across the selection. "linear" moves the gain evenly; "log" moves it evenly in
// decibels (over 60 dB), which the ear hears as an even fade, and still starts or ends at
// silence.
#include <cmath>

#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class Fade : public EffectProcessor {
public:
    Fade(bool fadeOut, bool logShape) : m_out(fadeOut), m_log(logShape) {}

    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        m_length = ctx.regionFrames;
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        float* to = out.extend(frames);
        const double span = m_length > 1 ? static_cast<double>(m_length - 1) : 1.0;
        for (std::size_t f = 0; f < frames; ++f, ++m_position) {
            double t = static_cast<double>(m_position) / span;
            t = t > 1.0 ? 1.0 : t;
            if (m_out) t = 1.0 - t;
            const auto gain =
                static_cast<float>(m_log ? (std::pow(10.0, 3.0 * t) - 1.0) / 999.0 : t);
            for (int c = 0; c < m_channels; ++c)
                to[f * m_channels + c] = in[f * m_channels + c] * gain;
        }
        return kEffectOk;
    }

private:
    bool m_out;
    bool m_log;
    int m_channels = 1;
    std::uint64_t m_length = 0;
    std::uint64_t m_position = 0;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext& ctx) {
    return std::make_unique<Fade>(SONTHRA_FADE_OUT != 0, ctx.values[0] >= 0.5);
}

}  // namespace sonthra::fx
