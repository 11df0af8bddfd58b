// EQualize: one peaking filter per band (the usual biquad of the audio cookbook, one octave
// wide) in series, per channel, in double precision. Bands at 0 dB or above the Nyquist
// frequency are left out.
#include <cmath>

#include "effect_kit.h"

namespace sonthra::fx {

namespace {

constexpr double kCentres[] = {31.25, 62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

    static Biquad peaking(double rate, double centre, double gainDb) {
        const double a = std::pow(10.0, gainDb / 40.0);
        const double w = 2.0 * M_PI * centre / rate;
        const double q = 1.41;  // one octave
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha / a;
        Biquad f;
        f.b0 = (1.0 + alpha * a) / a0;
        f.b1 = -2.0 * std::cos(w) / a0;
        f.b2 = (1.0 - alpha * a) / a0;
        f.a1 = f.b1;
        f.a2 = (1.0 - alpha / a) / a0;
        return f;
    }
};

struct State {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

class Equalize : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        for (int band = 0; band < 10; ++band) {
            const double gain = ctx.values[band];
            if (gain != 0 && kCentres[band] < ctx.sampleRate * 0.45) {
                m_filters.push_back(Biquad::peaking(ctx.sampleRate, kCentres[band], gain));
            }
        }
        m_output = std::pow(10.0, ctx.values[10] / 20.0);
        m_states.assign(m_filters.size() * m_channels, State{});
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        float* to = out.extend(frames);
        for (std::size_t f = 0; f < frames; ++f) {
            for (int c = 0; c < m_channels; ++c) {
                double x = in[f * m_channels + c];
                for (std::size_t i = 0; i < m_filters.size(); ++i) {
                    const Biquad& q = m_filters[i];
                    State& s = m_states[i * m_channels + c];
                    const double y =
                        q.b0 * x + q.b1 * s.x1 + q.b2 * s.x2 - q.a1 * s.y1 - q.a2 * s.y2;
                    s.x2 = s.x1;
                    s.x1 = x;
                    s.y2 = s.y1;
                    s.y1 = y;
                    x = y;
                }
                to[f * m_channels + c] = static_cast<float>(x * m_output);
            }
        }
        return kEffectOk;
    }

private:
    int m_channels = 1;
    double m_output = 1;
    std::vector<Biquad> m_filters;
    std::vector<State> m_states;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Equalize>();
}

}  // namespace sonthra::fx
