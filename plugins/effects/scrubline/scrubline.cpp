// Scrubline: a spectral noise gate. The noise's power spectrum is learned from a sample (a
// given stretch of the file, or the quietest tenth of the selection); then each short-time
// spectrum keeps the bins that stand clear of the noise and turns the others down by the
// reduction, with gains smoothed across neighbouring bins and released slowly so the
// remaining noise does not warble. Overlap-add of Hann-windowed frames at a quarter hop.
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "effect_kit.h"

namespace sonthra::fx {

namespace {

constexpr std::size_t kSize = 2048;
constexpr std::size_t kHop = kSize / 4;
constexpr std::size_t kBins = kSize / 2 + 1;

// FFTW's planner is not thread-safe.
std::mutex& plannerLock() {
    static std::mutex lock;
    return lock;
}

// FFTW keeps its planner's memory until told; the library lets it go when it is unloaded, when no
// application (and so no plan) is left.
struct PlannerCleanup {
    ~PlannerCleanup() { fftwf_cleanup(); }
} plannerCleanup;

class Spectrum {
public:
    Spectrum() {
        m_time = fftwf_alloc_real(kSize);
        m_freq = fftwf_alloc_complex(kBins);
        std::lock_guard<std::mutex> guard(plannerLock());
        m_forward = fftwf_plan_dft_r2c_1d(kSize, m_time, m_freq, FFTW_ESTIMATE);
        m_inverse = fftwf_plan_dft_c2r_1d(kSize, m_freq, m_time, FFTW_ESTIMATE);
        for (std::size_t i = 0; i < kSize; ++i) {
            m_window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * M_PI * i / kSize));
        }
    }
    ~Spectrum() {
        std::lock_guard<std::mutex> guard(plannerLock());
        fftwf_destroy_plan(m_forward);
        fftwf_destroy_plan(m_inverse);
        fftwf_free(m_time);
        fftwf_free(m_freq);
    }
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // Windows frame (kSize samples) and transforms it.
    void forward(const float* frame) {
        for (std::size_t i = 0; i < kSize; ++i) m_time[i] = frame[i] * m_window[i];
        fftwf_execute(m_forward);
    }
    float power(std::size_t bin) const {
        return m_freq[bin][0] * m_freq[bin][0] + m_freq[bin][1] * m_freq[bin][1];
    }
    void scale(std::size_t bin, float gain) {
        m_freq[bin][0] *= gain;
        m_freq[bin][1] *= gain;
    }
    // Back to time; result in time() (unnormalised).
    const float* inverse() {
        fftwf_execute(m_inverse);
        return m_time;
    }

private:
    float* m_time = nullptr;
    fftwf_complex* m_freq = nullptr;
    fftwf_plan m_forward = nullptr;
    fftwf_plan m_inverse = nullptr;
    float m_window[kSize];
};

struct Channel {
    std::vector<float> input = std::vector<float>(kSize, 0.0f);  // the last kSize samples
    std::vector<float> sum = std::vector<float>(kSize, 0.0f);    // overlap-add accumulator
    std::vector<float> gains = std::vector<float>(kBins, 1.0f);
    std::vector<float> stage = std::vector<float>(kHop, 0.0f);  // samples of the next hop
    std::vector<float> ready;  // finished samples not yet handed out
    std::size_t fresh = 0;     // samples in stage
};

class Scrubline : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_ctx = &ctx;
        m_channels = ctx.channels;
        m_floor = static_cast<float>(std::pow(10.0, -ctx.values[0] / 20.0));
        m_threshold = static_cast<float>(std::pow(10.0, ctx.values[1] / 10.0));
        m_release =
            static_cast<float>(std::exp(-static_cast<double>(kHop) / (0.1 * ctx.sampleRate)));
        m_state.assign(m_channels, Channel{});
        m_noise.assign(kBins, 0.0);
        m_skip = kSize - kHop;
        return learnNoise(ctx);
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        feed(in, frames);
        emit(out, frames + m_state[0].ready.size());
        return kEffectOk;
    }
    bool drain(FrameFifo& out, std::size_t maxFrames) override {
        // Zeros push the last real samples through the frames that still overlap them.
        while (m_emitted + m_state[0].ready.size() < m_ctx->regionFrames && m_flushed < kSize) {
            const std::vector<float> zeros(kHop * m_channels, 0.0f);
            feed(zeros.data(), kHop);
            m_flushed += kHop;
        }
        emit(out, maxFrames);
        return m_emitted >= m_ctx->regionFrames || m_state[0].ready.empty();
    }

private:
    // Averages the spectra of the noise sample; without one, of the quietest tenth of the
    // selection's frames (by their mixed-down energy).
    int learnNoise(const EffectContext& ctx) {
        const double perMs = ctx.sampleRate / 1000.0;
        const std::uint64_t total = ctx.source->dataBytes() / ctx.format.blockAlign;
        std::uint64_t first = ctx.regionFrame;
        std::uint64_t frames = ctx.regionFrames;
        const bool given = ctx.values[3] > ctx.values[2];
        if (given) {
            first =
                std::min<std::uint64_t>(total, static_cast<std::uint64_t>(ctx.values[2] * perMs));
            const auto last =
                std::min<std::uint64_t>(total, static_cast<std::uint64_t>(ctx.values[3] * perMs));
            frames = last - first;
        }
        if (frames < kSize) return kEffectOk;  // nothing to learn from: the gate stays open
        float threshold = HUGE_VALF;
        if (!given) {
            std::vector<float> energies;
            int code = scanFrames(ctx, first, frames, [&](const float* mono) {
                double e = 0;
                for (std::size_t i = 0; i < kSize; ++i) e += mono[i] * mono[i];
                energies.push_back(static_cast<float>(e));
            });
            if (code != 0) return code;
            std::nth_element(energies.begin(), energies.begin() + energies.size() / 10,
                             energies.end());
            threshold = energies[energies.size() / 10];
        }
        Spectrum spectrum;
        std::size_t counted = 0;
        const int code = scanFrames(ctx, first, frames, [&](const float* mono) {
            double e = 0;
            for (std::size_t i = 0; i < kSize; ++i) e += mono[i] * mono[i];
            if (!given && e > threshold) return;
            spectrum.forward(mono);
            for (std::size_t b = 0; b < kBins; ++b) m_noise[b] += spectrum.power(b);
            ++counted;
        });
        if (code != 0) return code;
        for (double& p : m_noise) p /= std::max<std::size_t>(1, counted);
        return kEffectOk;
    }

    // Visits the region as hop-spaced frames of the channels' mean.
    template <typename Visit>
    int scanFrames(const EffectContext& ctx, std::uint64_t first, std::uint64_t frames,
                   Visit visit) {
        std::vector<float> mono;
        mono.reserve(kSize * 2);
        std::vector<float> frame(kSize);
        return scanSource(ctx, first, frames, [&](const float* samples, std::size_t n) {
            for (std::size_t f = 0; f < n; ++f) {
                float sum = 0;
                for (int c = 0; c < m_channels; ++c) sum += samples[f * m_channels + c];
                mono.push_back(sum / static_cast<float>(m_channels));
                if (mono.size() == kSize) {
                    visit(mono.data());
                    mono.erase(mono.begin(), mono.begin() + kHop);
                }
            }
        });
    }

    void feed(const float* in, std::size_t frames) {
        for (int c = 0; c < m_channels; ++c) {
            Channel& ch = m_state[c];
            for (std::size_t f = 0; f < frames; ++f) {
                ch.stage[ch.fresh] = in[f * m_channels + c];
                if (++ch.fresh == kHop) {
                    ch.fresh = 0;
                    std::copy(ch.input.begin() + kHop, ch.input.end(), ch.input.begin());
                    std::copy(ch.stage.begin(), ch.stage.end(), ch.input.end() - kHop);
                    frame(ch);
                }
            }
        }
    }

    void frame(Channel& ch) {
        m_spectrum.forward(ch.input.data());
        // Neighbouring bins are judged together, so that the noise's own ups and downs in
        // single bins do not open the gate.
        std::vector<float>& power = m_power;
        power.resize(kBins);
        for (std::size_t b = 0; b < kBins; ++b) power[b] = m_spectrum.power(b);
        float window = 0;
        for (std::size_t b = 0; b < 3 && b < kBins; ++b) window += power[b];
        for (std::size_t b = 0; b < kBins; ++b) {
            const std::size_t lo = b > 2 ? b - 2 : 0;
            const std::size_t hi = std::min(kBins - 1, b + 2);
            const float mean = window / static_cast<float>(hi - lo + 1);
            const float wanted = mean > m_threshold * m_noise[b] ? 1.0f : m_floor;
            ch.gains[b] = std::max(wanted, ch.gains[b] * m_release + m_floor * (1 - m_release));
            // Slide the window one bin on.
            if (b + 3 < kBins) window += power[b + 3];
            if (b >= 2) window -= power[b - 2];
        }
        for (std::size_t b = 0; b < kBins; ++b) m_spectrum.scale(b, ch.gains[b]);
        const float* time = m_spectrum.inverse();
        // Hann windows at a quarter hop sum to 2; the inverse transform scales by kSize.
        const float norm = 1.0f / (2.0f * kSize);
        for (std::size_t i = 0; i < kSize; ++i) ch.sum[i] += time[i] * norm;
        ch.ready.insert(ch.ready.end(), ch.sum.begin(), ch.sum.begin() + kHop);
        std::copy(ch.sum.begin() + kHop, ch.sum.end(), ch.sum.begin());
        std::fill(ch.sum.end() - kHop, ch.sum.end(), 0.0f);
    }

    // Hands out up to maxFrames finished frames, after dropping the frames of the lead-in.
    void emit(FrameFifo& out, std::size_t maxFrames) {
        const std::size_t drop = std::min(m_skip, m_state[0].ready.size());
        for (Channel& ch : m_state) ch.ready.erase(ch.ready.begin(), ch.ready.begin() + drop);
        m_skip -= drop;
        std::size_t n = std::min(maxFrames, m_state[0].ready.size());
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_ctx->regionFrames - m_emitted));
        float* to = out.extend(n);
        for (int c = 0; c < m_channels; ++c) {
            Channel& ch = m_state[c];
            for (std::size_t f = 0; f < n; ++f) to[f * m_channels + c] = ch.ready[f];
            ch.ready.erase(ch.ready.begin(), ch.ready.begin() + n);
        }
        m_emitted += n;
    }

    const EffectContext* m_ctx = nullptr;
    int m_channels = 1;
    float m_floor = 0.25f;
    float m_threshold = 4.0f;
    float m_release = 0.9f;
    std::vector<double> m_noise;
    std::vector<Channel> m_state;
    std::vector<float> m_power;
    Spectrum m_spectrum;
    std::size_t m_skip = 0;
    std::size_t m_flushed = 0;
    std::uint64_t m_emitted = 0;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Scrubline>();
}

}  // namespace sonthra::fx
