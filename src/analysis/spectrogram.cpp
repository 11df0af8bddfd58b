#include "analysis/spectrogram.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>
#include <new>

#include "messages/message_table.h"

namespace sonthra {
namespace {

constexpr int kCannotRead = 165;
// Frames read at a time when a column covers many windows.
constexpr std::uint64_t kReadFrames = 1 << 16;

// FFTW's planner is not thread-safe, its plans are: plans are made once per size under this
// lock and then executed by any worker on its own arrays. They live until the program ends.
struct PlanStore {
    std::mutex mutex;
    std::map<int, fftwf_plan> plans;
    ~PlanStore() {
        for (auto& [size, plan] : plans) fftwf_destroy_plan(plan);
    }
};

fftwf_plan planFor(int size) {
    static PlanStore store;
    std::lock_guard<std::mutex> lock(store.mutex);
    auto found = store.plans.find(size);
    if (found != store.plans.end()) return found->second;
    float* in = fftwf_alloc_real(static_cast<std::size_t>(size));
    fftwf_complex* out = fftwf_alloc_complex(static_cast<std::size_t>(size / 2 + 1));
    fftwf_plan plan = nullptr;
    if (in && out) plan = fftwf_plan_dft_r2c_1d(size, in, out, FFTW_ESTIMATE);
    fftwf_free(in);
    fftwf_free(out);
    if (plan) store.plans.emplace(size, plan);
    return plan;
}

std::string hertzLabel(double hz) {
    char text[32];
    if (hz >= 1000) {
        std::snprintf(text, sizeof text, "%gk", hz / 1000);
    } else {
        std::snprintf(text, sizeof text, "%g", hz);
    }
    return text;
}

struct ColorStop {
    int level;
    Rgb color;
};

// Dark skin: black through deep blue, magenta and orange to pale yellow. Light skin: white
// through pale blue, blue and purple to near black.
constexpr ColorStop kDarkStops[] = {{0, {0, 0, 0}},
                                    {64, {30, 10, 110}},
                                    {128, {170, 30, 120}},
                                    {192, {250, 130, 30}},
                                    {255, {255, 250, 200}}};
constexpr ColorStop kLightStops[] = {{0, {255, 255, 255}},
                                     {64, {185, 210, 245}},
                                     {128, {70, 110, 210}},
                                     {192, {110, 20, 120}},
                                     {255, {25, 0, 30}}};

}  // namespace

bool SpectrogramSettings::valid() const {
    const bool powerOfTwo = windowSize > 0 && (windowSize & (windowSize - 1)) == 0;
    return powerOfTwo && windowSize >= kMinSpectrogramWindow &&
           windowSize <= kMaxSpectrogramWindow && rows > 0 && rows <= 65535;
}

FrequencyAxis::FrequencyAxis(const SpectrogramSettings& settings, std::uint32_t sampleRate)
    : m_scale(settings.scale),
      m_rows(std::max(settings.rows, 1)),
      m_lowest(settings.scale == FrequencyScale::Linear ? 0.0 : kLowestLogHz),
      m_highest(std::max(sampleRate / 2.0, 2 * kLowestLogHz)) {}

double FrequencyAxis::yOfFrequency(double hz) const {
    double share;
    if (m_scale == FrequencyScale::Linear) {
        share = hz / m_highest;
    } else {
        share = std::log(std::max(hz, 1e-9) / m_lowest) / std::log(m_highest / m_lowest);
    }
    return m_rows * (1 - share);
}

double FrequencyAxis::frequencyOfY(double y) const {
    const double share = 1 - y / m_rows;
    if (m_scale == FrequencyScale::Linear) return m_highest * share;
    return m_lowest * std::pow(m_highest / m_lowest, share);
}

int FrequencyAxis::rowOfFrequency(double hz) const {
    const double y = std::floor(yOfFrequency(hz));
    return static_cast<int>(std::clamp(y, 0.0, static_cast<double>(m_rows - 1)));
}

std::vector<FrequencyTick> frequencyTicks(const FrequencyAxis& axis, double minSpacing) {
    std::vector<FrequencyTick> ticks;
    const double low = axis.lowestHz(), high = axis.highestHz();
    auto spacingOf = [&](const std::vector<double>& hz) {
        double closest = 1e300;
        for (std::size_t i = 1; i < hz.size(); ++i)
            closest = std::min(closest, axis.yOfFrequency(hz[i - 1]) - axis.yOfFrequency(hz[i]));
        return closest;
    };
    std::vector<double> chosen;
    if (low <= 0) {
        for (double decade = 1; decade <= high && chosen.empty(); decade *= 10) {
            for (double m : {1.0, 2.0, 5.0}) {
                const double step = m * decade;
                if (step * axis.rows() / high < minSpacing) continue;
                for (double hz = 0; hz <= high; hz += step) chosen.push_back(hz);
                break;
            }
        }
    } else {
        const std::vector<std::vector<double>> sets = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 5}, {1}};
        for (const auto& multiples : sets) {
            std::vector<double> hz;
            for (double decade = std::pow(10, std::floor(std::log10(low))); decade <= high;
                 decade *= 10) {
                for (double m : multiples) {
                    if (m * decade >= low && m * decade <= high) hz.push_back(m * decade);
                }
            }
            chosen = hz;
            if (spacingOf(hz) >= minSpacing) break;
        }
    }
    for (double hz : chosen) ticks.push_back({axis.yOfFrequency(hz), hz, hertzLabel(hz)});
    return ticks;
}

Rgb spectrogramColor(SpectrogramPalette palette, std::uint8_t level) {
    const auto& stops = palette == SpectrogramPalette::Dark ? kDarkStops : kLightStops;
    std::size_t i = 1;
    while (i + 1 < std::size(stops) && stops[i].level < level) ++i;
    const ColorStop& a = stops[i - 1];
    const ColorStop& b = stops[i];
    const double t = static_cast<double>(level - a.level) / (b.level - a.level);
    auto mix = [t](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::lround(x + (y - x) * t));
    };
    return {mix(a.color.r, b.color.r), mix(a.color.g, b.color.g), mix(a.color.b, b.color.b)};
}

struct SpectrumAnalyzer::Impl {
    // How a row takes its value from the bins: the largest of [first, end), or, for a row
    // narrower than a bin, the power interpolated between bin `first` and the next.
    struct RowBins {
        int first;
        int end;
        float fraction;
    };

    SpectrogramSettings settings;
    fftwf_plan plan = nullptr;
    float* in = nullptr;
    fftwf_complex* out = nullptr;
    std::vector<float> window;
    // Makes a full-scale sine's bin read 1: the window's gain, halved for the two sides.
    double scale = 1;
    std::vector<double> power;
    std::vector<RowBins> rows;
    // The channels' mean of frames [bufferStart, bufferStart + mono.size()).
    std::vector<float> mono;
    std::uint64_t bufferStart = 0;
    std::vector<unsigned char> bytes;
    std::vector<float> samples;

    ~Impl() {
        fftwf_free(in);
        fftwf_free(out);
    }

    // Makes mono hold at least the frames [from, to) of source, reading ahead so that the
    // next windows, of this column or the next, find their frames there too.
    int fill(FrameSource& source, std::uint64_t from, std::uint64_t to) {
        if (from >= bufferStart && to <= bufferStart + mono.size()) return 0;
        const SampleFormat& format = source.format();
        const std::uint64_t until = std::max(to, std::min(source.frames(), from + kReadFrames));
        const auto count = static_cast<std::size_t>(until - from);
        const auto channels = static_cast<std::size_t>(format.channels);
        bytes.resize(count * format.frameBytes());
        samples.resize(count * channels);
        mono.resize(count);
        bufferStart = from;
        const std::int64_t got = source.read(from, count, bytes.data());
        if (got < static_cast<std::int64_t>(to - from)) {
            mono.clear();
            return kCannotRead;
        }
        const auto frames = static_cast<std::size_t>(got);
        mono.resize(frames);
        decodeSamples(bytes.data(), frames * channels, format.encoding, samples.data());
        if (channels == 1) {
            std::copy(samples.begin(), samples.begin() + frames, mono.begin());
        } else {
            const float share = 1.0f / static_cast<float>(channels);
            for (std::size_t i = 0; i < frames; ++i) {
                float sum = 0;
                for (std::size_t c = 0; c < channels; ++c) sum += samples[i * channels + c];
                mono[i] = sum * share;
            }
        }
        return 0;
    }
};

SpectrumAnalyzer::SpectrumAnalyzer() = default;

void SpectrumAnalyzer::forget() {
    if (m_impl) m_impl->mono.clear();
}
SpectrumAnalyzer::~SpectrumAnalyzer() = default;

int SpectrumAnalyzer::configure(const SpectrogramSettings& settings, std::uint32_t sampleRate) {
    m_impl.reset();
    if (!settings.valid() || sampleRate == 0) return 105;
    auto impl = std::unique_ptr<Impl>(new (std::nothrow) Impl);
    if (!impl) return kNoMemory;
    const int size = settings.windowSize;
    const int bins = size / 2 + 1;
    impl->settings = settings;
    impl->plan = planFor(size);
    impl->in = fftwf_alloc_real(static_cast<std::size_t>(size));
    impl->out = fftwf_alloc_complex(static_cast<std::size_t>(bins));
    if (!impl->plan || !impl->in || !impl->out) return kNoMemory;
    try {
        impl->window.resize(static_cast<std::size_t>(size));
        impl->power.resize(static_cast<std::size_t>(bins));
        impl->rows.resize(static_cast<std::size_t>(settings.rows));
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    const double pi = std::acos(-1.0);
    double gain = 0;
    for (int i = 0; i < size; ++i) {
        impl->window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2 * pi * i / size));
        gain += impl->window[i];
    }
    impl->scale = (2 / gain) * (2 / gain);

    const FrequencyAxis axis(settings, sampleRate);
    const double binHz = static_cast<double>(sampleRate) / size;
    for (int r = 0; r < settings.rows; ++r) {
        const double low = axis.frequencyOfY(r + 1);
        const double high = axis.frequencyOfY(r);
        int first = static_cast<int>(std::ceil(low / binHz));
        int end = r == 0 ? bins : static_cast<int>(std::ceil(high / binHz));
        first = std::clamp(first, 0, bins);
        end = std::clamp(end, first, bins);
        float fraction = 0;
        if (first == end) {
            const double at = std::min(axis.frequencyOfY(r + 0.5) / binHz, bins - 1.0);
            first = std::min(static_cast<int>(at), bins - 2);
            fraction = static_cast<float>(at - first);
            end = first;
        }
        impl->rows[r] = {first, end, fraction};
    }
    m_impl = std::move(impl);
    return 0;
}

int SpectrumAnalyzer::column(FrameSource& source, std::uint64_t first, std::uint64_t end,
                             std::uint8_t* out) {
    Impl& a = *m_impl;
    const auto size = static_cast<std::uint64_t>(a.settings.windowSize);
    const std::uint64_t frames = source.frames();
    end = std::max(end, first + 1);
    const std::uint64_t span = end - first;
    const std::uint64_t windows = span <= size ? 1 : (span + size - 1) / size;
    std::fill(a.power.begin(), a.power.end(), 0.0);
    for (std::uint64_t k = 0; k < windows; ++k) {
        // Signed: a short column's window starts before the audio at its beginning.
        const std::int64_t start =
            windows == 1
                ? static_cast<std::int64_t>(first + span / 2) - static_cast<std::int64_t>(size / 2)
                : static_cast<std::int64_t>(first + k * (span - size) / (windows - 1));
        const auto from = static_cast<std::uint64_t>(std::max<std::int64_t>(start, 0));
        const std::uint64_t to =
            std::min<std::uint64_t>(frames, static_cast<std::uint64_t>(start + size));
        if (from < to) {
            const int filled = a.fill(source, from, to);
            if (filled != 0) return filled;
        }
        std::fill(a.in, a.in + size, 0.0f);
        if (from < to) {
            const float* samples = a.mono.data() + (from - a.bufferStart);
            const float* window = a.window.data() + (static_cast<std::int64_t>(from) - start);
            float* in = a.in + (static_cast<std::int64_t>(from) - start);
            for (std::uint64_t i = 0; i < to - from; ++i) in[i] = window[i] * samples[i];
        }
        fftwf_execute_dft_r2c(a.plan, a.in, a.out);
        for (std::size_t b = 0; b < a.power.size(); ++b)
            a.power[b] += static_cast<double>(a.out[b][0]) * a.out[b][0] +
                          static_cast<double>(a.out[b][1]) * a.out[b][1];
    }
    const double scale = a.scale / static_cast<double>(windows);
    for (std::size_t r = 0; r < a.rows.size(); ++r) {
        const Impl::RowBins& row = a.rows[r];
        double value;
        if (row.first == row.end) {
            value =
                a.power[row.first] + (a.power[row.first + 1] - a.power[row.first]) * row.fraction;
        } else {
            value = *std::max_element(a.power.begin() + row.first, a.power.begin() + row.end);
        }
        const double db = 10 * std::log10(std::max(value * scale, 1e-30));
        const double level = std::round((db - kSpectrogramFloorDb) / -kSpectrogramFloorDb * 255);
        out[r] = static_cast<std::uint8_t>(std::clamp(level, 0.0, 255.0));
    }
    return 0;
}

}  // namespace sonthra
