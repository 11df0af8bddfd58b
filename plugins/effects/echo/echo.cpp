// Echo: a feedback delay per channel, y[n] = x[n] + decay * y[n - delay]. After the selection
// the echoes ring out for the tail: given, or until they fall 60 dB (at most a minute).
#include <algorithm>
#include <cmath>

#include "delay_line.h"
#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class Echo : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        m_delay = std::max<std::size_t>(
            1, static_cast<std::size_t>(std::lround(ctx.values[0] * ctx.sampleRate / 1000.0)));
        m_decay = static_cast<float>(ctx.values[1]);
        double tailMs = ctx.values[2];
        if (tailMs <= 0) {
            const double repeats = m_decay > 0 ? std::ceil(std::log(0.001) / std::log(m_decay)) : 0;
            tailMs = std::min(60000.0, repeats * ctx.values[0]);
        }
        m_tailLeft = static_cast<std::uint64_t>(std::llround(tailMs * ctx.sampleRate / 1000.0));
        m_lines.assign(m_channels, DelayLine(m_delay));
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        run(in, frames, out.extend(frames));
        return kEffectOk;
    }
    bool drain(FrameFifo& out, std::size_t maxFrames) override {
        const auto frames =
            static_cast<std::size_t>(std::min<std::uint64_t>(maxFrames, m_tailLeft));
        m_silence.assign(frames * m_channels, 0.0f);
        run(m_silence.data(), frames, out.extend(frames));
        m_tailLeft -= frames;
        return m_tailLeft == 0;
    }

private:
    void run(const float* in, std::size_t frames, float* to) {
        for (std::size_t f = 0; f < frames; ++f) {
            for (int c = 0; c < m_channels; ++c) {
                DelayLine& line = m_lines[c];
                const float y =
                    in[f * m_channels + c] + m_decay * line.read(static_cast<double>(m_delay));
                line.push(y);
                to[f * m_channels + c] = y;
            }
        }
    }

    int m_channels = 1;
    std::size_t m_delay = 1;
    float m_decay = 0;
    std::uint64_t m_tailLeft = 0;
    std::vector<DelayLine> m_lines;
    std::vector<float> m_silence;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Echo>();
}

}  // namespace sonthra::fx
