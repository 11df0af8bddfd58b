#include "convert/format_samples.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>

namespace sonthra {
namespace {

constexpr std::size_t kResampleRoomFrames = 16384;

}  // namespace

void decodePcm(const unsigned char* in, std::size_t frames, std::uint16_t bits,
               std::uint16_t channels, float* out) {
    const std::size_t samples = frames * channels;
    if (bits == 8) {
        for (std::size_t i = 0; i < samples; ++i) {
            out[i] = (static_cast<int>(in[i]) - 128) * (1.0f / 128.0f);
        }
        return;
    }
    for (std::size_t i = 0; i < samples; ++i) {
        const auto value =
            static_cast<std::int16_t>(static_cast<std::uint16_t>(in[2 * i] | in[2 * i + 1] << 8));
        out[i] = value * (1.0f / 32768.0f);
    }
}

void mixChannels(const float* in, std::size_t frames, std::uint16_t from, std::uint16_t to,
                 float* out) {
    if (from == 2 && to == 1) {
        for (std::size_t i = 0; i < frames; ++i) out[i] = 0.5f * (in[2 * i] + in[2 * i + 1]);
    } else if (from == 1 && to == 2) {
        for (std::size_t i = 0; i < frames; ++i) out[2 * i] = out[2 * i + 1] = in[i];
    } else {
        std::copy(in, in + frames * from, out);
    }
}

PcmQuantizer::PcmQuantizer(std::uint16_t bits, bool dither, std::uint32_t seed)
    : m_bits(bits), m_dither(dither), m_state(seed ? seed : 1) {}

float PcmQuantizer::nextTriangular() {
    // Two uniform values from a xorshift generator; their difference is triangular in (-1, 1).
    auto uniform = [this] {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return (m_state >> 8) * (1.0f / 16777216.0f);
    };
    const float a = uniform();
    return a - uniform();
}

void PcmQuantizer::encode(const float* in, std::size_t samples, unsigned char* out) {
    if (m_bits == 8) {
        for (std::size_t i = 0; i < samples; ++i) {
            float x = in[i] * 128.0f;
            if (m_dither) x += nextTriangular();
            x = std::clamp(x, -128.0f, 127.0f);
            out[i] = static_cast<unsigned char>(std::lrintf(x) + 128);
        }
        return;
    }
    for (std::size_t i = 0; i < samples; ++i) {
        float x = in[i] * 32768.0f;
        if (m_dither) x += nextTriangular();
        x = std::clamp(x, -32768.0f, 32767.0f);
        const auto value = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lrintf(x)));
        out[2 * i] = static_cast<unsigned char>(value & 0xFF);
        out[2 * i + 1] = static_cast<unsigned char>(value >> 8);
    }
}

std::uint64_t convertedFrames(std::uint64_t frames, std::uint32_t fromRate, std::uint32_t toRate) {
    if (fromRate == 0) return 0;
    const unsigned __int128 scaled = static_cast<unsigned __int128>(frames) * toRate + fromRate / 2;
    return static_cast<std::uint64_t>(scaled / fromRate);
}

struct FormatPipeline::Resampler {
    soxr_t soxr = nullptr;
    ~Resampler() {
        if (soxr) soxr_delete(soxr);
    }
};

FormatPipeline::FormatPipeline() = default;
FormatPipeline::~FormatPipeline() = default;

bool FormatPipeline::open(const WaveFormat& from, const WaveFormat& to, std::uint64_t frames) {
    m_from = from;
    m_to = to;
    m_expected = convertedFrames(frames, from.sampleRate, to.sampleRate);
    m_emitted = 0;
    // Fewer channels are mixed before resampling and more after it, so the resampler always
    // works on the smaller count.
    m_workChannels = std::min(from.channels, to.channels);
    // Rounding to 8 bits is dithered whenever the values are not already whole 8-bit steps.
    const bool dither =
        to.bitsPerSample == 8 && (from.bitsPerSample != 8 || from.sampleRate != to.sampleRate ||
                                  from.channels > to.channels);
    m_quantizer = std::make_unique<PcmQuantizer>(to.bitsPerSample, dither);
    m_resampler.reset();
    if (from.sampleRate == to.sampleRate) return true;
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_t soxr = soxr_create(from.sampleRate, to.sampleRate, m_workChannels, &error, &io, &quality,
                              &runtime);
    if (!soxr || error) {
        if (soxr) soxr_delete(soxr);
        return false;
    }
    m_resampler = std::make_unique<Resampler>();
    m_resampler->soxr = soxr;
    return true;
}

bool FormatPipeline::push(const unsigned char* in, std::size_t frames,
                          std::vector<unsigned char>& out) {
    m_decoded.resize(frames * m_from.channels);
    decodePcm(in, frames, m_from.bitsPerSample, m_from.channels, m_decoded.data());
    const float* work = m_decoded.data();
    if (m_workChannels < m_from.channels) {
        m_mixed.resize(frames * m_workChannels);
        mixChannels(work, frames, m_from.channels, m_workChannels, m_mixed.data());
        work = m_mixed.data();
    }
    if (!m_resampler) {
        emit(work, frames, out);
        return true;
    }
    return resample(work, frames, out);
}

bool FormatPipeline::resample(const float* in, std::size_t frames,
                              std::vector<unsigned char>& out) {
    // in == nullptr asks the resampler for its tail.
    // The output goes out in pieces of at most kResampleRoomFrames: a block of a low rate
    // turned into a high one would otherwise ask for megabytes at once.
    const double ratio = static_cast<double>(m_to.sampleRate) / m_from.sampleRate;
    const std::size_t room = std::min<std::size_t>(
        kResampleRoomFrames,
        static_cast<std::size_t>(std::ceil(std::max<std::size_t>(frames, 4096) * ratio)) + 256);
    m_resampled.resize(room * m_workChannels);
    std::size_t taken = 0;
    for (;;) {
        std::size_t used = 0;
        std::size_t made = 0;
        const float* next = in ? in + taken * m_workChannels : nullptr;
        if (soxr_process(m_resampler->soxr, next, in ? frames - taken : 0, &used,
                         m_resampled.data(), room, &made)) {
            return false;
        }
        taken += used;
        emit(m_resampled.data(), made, out);
        if (m_emitted >= m_expected) return true;
        if (in ? (taken >= frames && made < room) : made == 0) return true;
    }
}

void FormatPipeline::emit(const float* samples, std::size_t frames,
                          std::vector<unsigned char>& out) {
    frames = static_cast<std::size_t>(std::min<std::uint64_t>(frames, m_expected - m_emitted));
    if (frames == 0) return;
    if (m_to.channels > m_workChannels) {
        m_mixed.resize(frames * m_to.channels);
        mixChannels(samples, frames, m_workChannels, m_to.channels, m_mixed.data());
        samples = m_mixed.data();
    }
    const std::size_t at = out.size();
    out.resize(at + frames * m_to.blockAlign);
    m_quantizer->encode(samples, frames * m_to.channels, out.data() + at);
    m_emitted += frames;
}

bool FormatPipeline::finish(std::vector<unsigned char>& out) {
    if (m_resampler && m_emitted < m_expected && !resample(nullptr, 0, out)) return false;
    // A resampler may end a frame short of the exact ratio; silence makes up the difference.
    if (m_emitted < m_expected) {
        const std::vector<float> silence(4096 * static_cast<std::size_t>(m_workChannels), 0.0f);
        while (m_emitted < m_expected) emit(silence.data(), 4096, out);
    }
    return true;
}

}  // namespace sonthra
