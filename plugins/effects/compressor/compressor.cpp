// Compressor: the level is the peak over the channels, sample by sample; the curve turns it
// into a reduction in dB, smoothed with the attack and release; every channel gets the same
// gain, raised by the makeup. Tells the deepest reduction it applied.
#include <cmath>
#include <cstdio>

#include "dynamics.h"
#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class Compressor : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        m_curve = {ctx.values[0], ctx.values[1], ctx.values[2]};
        m_smoother.configure(ctx.values[3], ctx.values[4], ctx.sampleRate);
        m_makeupDb = ctx.values[5];
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        float* to = out.extend(frames);
        for (std::size_t f = 0; f < frames; ++f) {
            const float* frame = in + f * m_channels;
            const double reduction =
                m_smoother.next(m_curve.reductionDb(toDb(framePeak(frame, m_channels))));
            m_deepest = std::fmax(m_deepest, reduction);
            const double gain = fromDb(m_makeupDb - reduction);
            for (int c = 0; c < m_channels; ++c) {
                to[f * m_channels + c] = static_cast<float>(frame[c] * gain);
            }
        }
        return kEffectOk;
    }
    bool dithered() const override { return true; }
    std::string resultText() const override {
        char text[96];
        std::snprintf(text, sizeof text, "Compressor: at most %.1f dB of gain reduction",
                      m_deepest);
        return text;
    }

private:
    int m_channels = 1;
    CompressorCurve m_curve;
    ReductionSmoother m_smoother;
    double m_makeupDb = 0;
    double m_deepest = 0;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Compressor>();
}

}  // namespace sonthra::fx
