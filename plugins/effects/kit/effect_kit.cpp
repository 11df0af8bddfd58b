#include "effect_kit.h"

#include <fcntl.h>
#include <unistd.h>

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "wave/wave_layout.h"

namespace sonthra::fx {

float* FrameFifo::extend(std::size_t frames) {
    if (m_head > 0 && m_head >= m_data.size() / 2) {
        m_data.erase(m_data.begin(), m_data.begin() + static_cast<std::ptrdiff_t>(m_head));
        m_head = 0;
    }
    const std::size_t at = m_data.size();
    m_data.resize(at + frames * m_channels);
    return m_data.data() + at;
}

void FrameFifo::push(const float* samples, std::size_t frames) {
    float* to = extend(frames);
    std::copy(samples, samples + frames * m_channels, to);
}

void FrameFifo::pop(std::size_t frames) {
    m_head = std::min(m_data.size(), m_head + frames * m_channels);
    if (m_head == m_data.size()) {
        m_data.clear();
        m_head = 0;
    }
}

SourceData::~SourceData() {
    if (m_fd >= 0) ::close(m_fd);
}

int SourceData::open(const std::string& path) {
    WaveFileLayout layout;
    const WaveInspect inspected = inspectWave(path, layout);
    if (inspected == WaveInspect::CannotOpen) return kEffectNoSourceFile;
    if (inspected != WaveInspect::Ok || layout.format.blockAlign == 0) return kEffectCannotReadFile;
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) return kEffectNoSourceFile;
    m_dataOffset = layout.dataOffset;
    m_dataBytes = static_cast<std::uint64_t>(layout.frames()) * layout.format.blockAlign;
    const WaveFormat& f = layout.format;
    m_format = {f.formatTag,  f.channels,      f.sampleRate, f.avgBytesPerSec,
                f.blockAlign, f.bitsPerSample, f.extraSize};
    return kEffectOk;
}

bool SourceData::read(std::uint64_t frame, std::size_t frames, float* out) const {
    const std::uint64_t align = m_format.blockAlign;
    const std::uint64_t offset = frame * align;
    const std::size_t bytes = frames * align;
    if (offset + bytes > m_dataBytes) return false;
    m_bytes.resize(bytes);
    for (std::size_t got = 0; got < bytes;) {
        const ssize_t n = ::pread(m_fd, m_bytes.data() + got, bytes - got,
                                  static_cast<off_t>(m_dataOffset + offset + got));
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    bytesToFloats(m_bytes.data(), frames * m_format.channels, m_format.bitsPerSample, out);
    return true;
}

void bytesToFloats(const unsigned char* in, std::size_t samples, int bits, float* out) {
    if (bits == 16) {
        std::size_t i = 0;
        const __m128 scale = _mm_set1_ps(1.0f / 32768.0f);
        for (; i + 8 <= samples; i += 8) {
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
            // Sign-extend by placing each sample in a word's top half and shifting back.
            const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(s, s), 16);
            const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(s, s), 16);
            _mm_storeu_ps(out + i, _mm_mul_ps(_mm_cvtepi32_ps(lo), scale));
            _mm_storeu_ps(out + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(hi), scale));
        }
        for (; i < samples; ++i) {
            const auto s = static_cast<std::int16_t>(in[2 * i] | (in[2 * i + 1] << 8));
            out[i] = static_cast<float>(s) * (1.0f / 32768.0f);
        }
    } else {
        for (std::size_t i = 0; i < samples; ++i) {
            out[i] = static_cast<float>(static_cast<int>(in[i]) - 128) * (1.0f / 128.0f);
        }
    }
}

void floatsToBytes(const float* in, std::size_t samples, int bits, unsigned char* out) {
    // Rounded to the nearest step and clipped at full scale; NaN lands on the lower limit
    // (max with a NaN first operand gives the second) instead of an undefined conversion.
    if (bits == 16) {
        std::size_t i = 0;
        const __m128 scale = _mm_set1_ps(32768.0f);
        const __m128 low = _mm_set1_ps(-32768.0f);
        const __m128 high = _mm_set1_ps(32767.0f);
        for (; i + 8 <= samples; i += 8) {
            const __m128 a =
                _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(in + i), scale), low), high);
            const __m128 b =
                _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(in + i + 4), scale), low), high);
            const __m128i packed = _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), packed);
        }
        for (; i < samples; ++i) {
            const __m128 y =
                _mm_min_ss(_mm_max_ss(_mm_mul_ss(_mm_set_ss(in[i]), scale), low), high);
            const auto v = static_cast<std::int16_t>(_mm_cvtss_si32(y));
            out[2 * i] = static_cast<unsigned char>(v & 0xFF);
            out[2 * i + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
        }
    } else {
        for (std::size_t i = 0; i < samples; ++i) {
            float y = in[i] * 128.0f;
            y = y >= -128.0f ? y : -128.0f;
            y = y <= 127.0f ? y : 127.0f;
            out[i] = static_cast<unsigned char>(static_cast<int>(std::nearbyint(y)) + 128);
        }
    }
}

float Dither::next() {
    // xorshift32: plenty for dither, and the same sequence on every machine.
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return static_cast<float>(m_state) * (1.0f / 4294967296.0f);
}

void Dither::add(float* samples, std::size_t count, int bits) {
    const float step = bits == 16 ? 1.0f / 32768.0f : 1.0f / 128.0f;
    for (std::size_t i = 0; i < count; ++i) samples[i] += (next() - next()) * step;
}

// One application of the effect: from SetEffectParams to FreeEffectBuffers.
struct Application {
    EffectContext ctx;
    SourceData source;
    std::unique_ptr<EffectProcessor> processor;
    FrameFifo fifo;
    std::vector<float> samples;
    std::vector<unsigned char> partial;  // bytes of a frame cut by a chunk boundary
    Dither dither;
    std::uint32_t maxChunk = 0;
    std::uint64_t regionBytes = 0;
    std::uint64_t received = 0;
    bool inputDone = false;
    bool drained = false;
};

namespace {

bool validFormat(const EffectWaveFormat& f) {
    return f.formatTag == 1 && f.channels >= 1 && f.channels <= 8 &&
           (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.sampleRate > 0 &&
           f.blockAlign == f.channels * f.bitsPerSample / 8;
}

}  // namespace

int setParams(EffectParamBlock& block, const EffectWaveFormat* format, const char* sourcePath,
              std::uint32_t selStart, std::uint32_t selEnd, std::uint32_t maxChunk) {
    freeApplication(block);
    block.resultText[0] = 0;
    if (!format || !validFormat(*format) || !sourcePath) return kEffectInvalidParameter;
    const EffectWaveFormat& f = *format;
    if (selStart > selEnd || selStart % f.blockAlign || selEnd % f.blockAlign ||
        maxChunk < f.blockAlign) {
        return kEffectInvalidParameter;
    }
    auto app = std::make_unique<Application>();
    const int opened = app->source.open(sourcePath);
    if (opened != 0) return opened;
    const EffectWaveFormat& sf = app->source.format();
    if (sf.channels != f.channels || sf.bitsPerSample != f.bitsPerSample) {
        return kEffectInvalidParameter;
    }
    const bool whole = selStart == 0 && selEnd == 0;
    const std::uint64_t first = whole ? 0 : selStart;
    const std::uint64_t last = whole ? app->source.dataBytes() : selEnd;
    if (last > app->source.dataBytes()) return kEffectInvalidParameter;

    EffectContext& ctx = app->ctx;
    ctx.format = f;
    ctx.channels = f.channels;
    ctx.sampleRate = f.sampleRate;
    ctx.values = block.settings.values;
    ctx.file = std::string(block.settings.file, strnlen(block.settings.file, kEffectFileBytes));
    ctx.source = &app->source;
    ctx.regionFrame = first / f.blockAlign;
    ctx.regionFrames = (last - first) / f.blockAlign;
    ctx.abortFlag = &block.abort;
    app->regionBytes = last - first;
    app->maxChunk = maxChunk;
    app->fifo.setChannels(f.channels);

    app->processor = createProcessor(ctx);
    if (!app->processor) return kEffectNoMemory;
    const int prepared = app->processor->prepare(ctx);
    if (prepared != 0) return prepared;
    block.application = app.release();
    return kEffectOk;
}

int applyChunk(EffectParamBlock& block, const void* input, void* output, std::uint32_t inputCount,
               std::uint32_t* outputCount) {
    Application* app = block.application;
    if (!app || !outputCount || (inputCount > 0 && !input) || !output) {
        return kEffectInvalidParameter;
    }
    if (block.abort.load() != 0) return kEffectCancelled;
    const int channels = app->ctx.channels;
    const int bits = app->ctx.format.bitsPerSample;
    const std::size_t align = app->ctx.format.blockAlign;
    if (inputCount > 0 && !app->inputDone) {
        const auto* bytes = static_cast<const unsigned char*>(input);
        app->partial.insert(app->partial.end(), bytes, bytes + inputCount);
        const std::size_t frames = app->partial.size() / align;
        app->samples.resize(frames * channels);
        bytesToFloats(app->partial.data(), frames * channels, bits, app->samples.data());
        app->partial.erase(app->partial.begin(),
                           app->partial.begin() + static_cast<std::ptrdiff_t>(frames * align));
        const int code = app->processor->process(app->samples.data(), frames, app->fifo);
        if (code != 0) return code;
        app->received += inputCount;
        if (app->received >= app->regionBytes) app->inputDone = true;
    } else {
        app->inputDone = true;
    }
    const std::size_t capacity = app->maxChunk / align;
    while (app->inputDone && !app->drained && app->fifo.frames() < capacity) {
        app->drained = app->processor->drain(app->fifo, capacity - app->fifo.frames());
    }
    const std::size_t frames = std::min(app->fifo.frames(), capacity);
    if (bits == 16 && app->processor->dithered()) {
        // The fifo's frames are handed out once, so they take the dither in place.
        app->dither.add(app->fifo.front(), frames * channels, bits);
    }
    floatsToBytes(app->fifo.front(), frames * channels, bits, static_cast<unsigned char*>(output));
    app->fifo.pop(frames);
    *outputCount = static_cast<std::uint32_t>(frames * align);
    return kEffectOk;
}

void freeApplication(EffectParamBlock& block) {
    if (block.application && block.application->processor) {
        const std::string text = block.application->processor->resultText();
        const std::size_t n = std::min(text.size(), std::size_t{EFFECT_TEXT_BYTES - 1});
        std::memcpy(block.resultText, text.data(), n);
        block.resultText[n] = 0;
    }
    delete block.application;
    block.application = nullptr;
}

}  // namespace sonthra::fx
