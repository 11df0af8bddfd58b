// Mix: the chosen file is added to the selection from its start; where the file ends the
// selection goes on alone, and a longer file is cut at the selection's end.
#include <cmath>

#include "effect_kit.h"

namespace sonthra::fx {

namespace {

class Mix : public EffectProcessor {
public:
    int prepare(const EffectContext& ctx) override {
        m_channels = ctx.channels;
        if (ctx.file.empty()) return kEffectNoSourceFile;
        const int opened = m_file.open(ctx.file);
        if (opened != 0) return opened;
        const EffectWaveFormat& f = m_file.format();
        if (f.formatTag != 1 || f.channels != ctx.format.channels ||
            f.sampleRate != ctx.format.sampleRate || f.bitsPerSample != ctx.format.bitsPerSample) {
            return kEffectFormatsDiffer;
        }
        m_frames = m_file.dataBytes() / f.blockAlign;
        m_level = static_cast<float>(std::pow(10.0, ctx.values[1] / 20.0));
        m_original = static_cast<float>(std::pow(10.0, ctx.values[2] / 20.0));
        return kEffectOk;
    }
    int process(const float* in, std::size_t frames, FrameFifo& out) override {
        float* to = out.extend(frames);
        const std::size_t samples = frames * m_channels;
        for (std::size_t i = 0; i < samples; ++i) to[i] = in[i] * m_original;
        const auto mixed = static_cast<std::size_t>(
            std::min<std::uint64_t>(frames, m_frames > m_done ? m_frames - m_done : 0));
        if (mixed > 0) {
            m_read.resize(mixed * m_channels);
            if (!m_file.read(m_done, mixed, m_read.data())) return kEffectCannotReadFile;
            for (std::size_t i = 0; i < mixed * m_channels; ++i) to[i] += m_read[i] * m_level;
        }
        m_done += frames;
        return kEffectOk;
    }

private:
    SourceData m_file;
    int m_channels = 1;
    std::uint64_t m_frames = 0;
    std::uint64_t m_done = 0;
    float m_level = 1;
    float m_original = 1;
    std::vector<float> m_read;
};

}  // namespace

std::unique_ptr<EffectProcessor> createProcessor(const EffectContext&) {
    return std::make_unique<Mix>();
}

}  // namespace sonthra::fx
