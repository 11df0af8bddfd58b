// The second-order filter section of the audio cookbook (bilinear transform with the frequency
// pre-warped, so a design's corner lands exactly where asked), in double precision, and the
// state one channel keeps for it.
#pragma once

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

namespace sonthra::fx {

struct Biquad {
public:
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

    // A bell lifting or cutting gainDb around centre; q 1.41 is one octave wide.
    static Biquad peaking(double rate, double centre, double gainDb, double q) {
        const double a = std::pow(10.0, gainDb / 40.0);
        const double w = 2.0 * M_PI * centre / rate;
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

    // 12 dB per octave above cutoff; q 0.7071 is the flat (Butterworth) section.
    static Biquad lowPass(double rate, double cutoff, double q) {
        return pass(rate, cutoff, q, -1.0);
    }
    // 12 dB per octave below cutoff.
    static Biquad highPass(double rate, double cutoff, double q) {
        return pass(rate, cutoff, q, 1.0);
    }

private:
    // The low-pass (side -1) and the high-pass (side 1) differ only in the numerator's signs.
    static Biquad pass(double rate, double cutoff, double q, double side) {
        const double w = 2.0 * M_PI * cutoff / rate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double cosw = std::cos(w);
        const double a0 = 1.0 + alpha;
        Biquad f;
        f.b0 = (1.0 + side * cosw) / 2.0 / a0;
        f.b1 = -side * (1.0 + side * cosw) / a0;
        f.b2 = f.b0;
        f.a1 = -2.0 * cosw / a0;
        f.a2 = (1.0 - alpha) / a0;
        return f;
    }
};

struct BiquadState {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    double run(const Biquad& q, double x) {
        const double y = q.b0 * x + q.b1 * x1 + q.b2 * x2 - q.a1 * y1 - q.a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// Sections in series on every channel of interleaved frames, then a gain.
class BiquadCascade {
public:
    void setup(std::vector<Biquad> sections, int channels) {
        m_sections = std::move(sections);
        m_channels = channels;
        m_states.assign(m_sections.size() * channels, BiquadState{});
    }
    void run(const float* in, std::size_t frames, float* to, double gain = 1.0) {
        for (std::size_t f = 0; f < frames; ++f) {
            for (int c = 0; c < m_channels; ++c) {
                double x = in[f * m_channels + c];
                for (std::size_t i = 0; i < m_sections.size(); ++i) {
                    x = m_states[i * m_channels + c].run(m_sections[i], x);
                }
                to[f * m_channels + c] = static_cast<float>(x * gain);
            }
        }
    }

private:
    std::vector<Biquad> m_sections;
    std::vector<BiquadState> m_states;
    int m_channels = 1;
};

}  // namespace sonthra::fx
