// EQualize: one peaking filter per band (the usual biquad of the audio cookbook, one octave
// wide) in series, per channel, in double precision. Bands at 0 dB or above the Nyquist
// frequency are left out.
#include <cmath>

#include "biquad.h"
#include "effect_kit.h"

namespace sonthra::fx {

namespace {

constexpr double kCentres[] = {31.25, 62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
constexpr double kOctaveQ = 1.41;

class Equalize : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        std::vector<Biquad> filters;
        for (int band = 0; band < 10; ++band) {
            const double gain = ctx.values[band];
            if (gain != 0 && kCentres[band] < ctx.sampleRate * 0.45) {
                filters.push_back(Biquad::peaking(ctx.sampleRate, kCentres[band], gain, kOctaveQ));
            }
        }
        m_bands.setup(std::move(filters), ctx.channels);
        m_output = std::pow(10.0, ctx.values[10] / 20.0);
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        m_bands.run(in, frames, out.extend(frames), m_output);
        return kEffectOk;
    }

private:
    double m_output = 1;
    BiquadCascade m_bands;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Equalize>();
}

}  // namespace sonthra::fx
