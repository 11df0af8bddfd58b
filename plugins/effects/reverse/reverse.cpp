// Reverse: the n-th frame out is the n-th frame from the selection's end, read from the source
// file, so only one chunk is ever held.
#include <algorithm>

#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class Reverse : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_ctx = &ctx;
        return kEffectOk;
    }
    int process(const float*, std::size_t frames, FrameFifo& out) override {
        const int channels = m_ctx->channels;
        frames =
            static_cast<std::size_t>(std::min<std::uint64_t>(frames, m_ctx->regionFrames - m_done));
        if (frames == 0) return kEffectOk;
        const std::uint64_t first = m_ctx->regionFrame + m_ctx->regionFrames - m_done - frames;
        m_read.resize(frames * channels);
        if (!m_ctx->source->read(first, frames, m_read.data())) return kEffectCannotReadFile;
        float* to = out.extend(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            const float* from = m_read.data() + (frames - 1 - i) * channels;
            std::copy(from, from + channels, to + i * channels);
        }
        m_done += frames;
        return kEffectOk;
    }

private:
    const EffectContext* m_ctx = nullptr;
    std::uint64_t m_done = 0;
    std::vector<float> m_read;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Reverse>();
}

}  // namespace sonthra::fx
