#include "analysis/frame_source.h"

#include <algorithm>
#include <limits>
#include <new>

#include "messages/message_table.h"
#include "wave/wave_probe.h"
#include "wave/wave_reader.h"

namespace sonthra {
namespace {

class WaveFrameSource final : public FrameSource {
public:
    ~WaveFrameSource() override { m_reader.close(); }

    int open(const std::string& path) {
        // The probe names what is wrong with a file in the program's messages; the reader would
        // show its own words instead.
        std::uint32_t frames = 0;
        WaveFormat wave;
        const int probed = probeWave(path, &frames, &wave);
        if (probed != 0) return probed;
        switch (pcmSupport(wave)) {
            case PcmSupport::Supported:
                break;
            case PcmSupport::NotPcm:
                return 110;
            case PcmSupport::Malformed:
                return 109;
            case PcmSupport::Unsupported:
                return 105;
        }
        if (m_reader.open(path) != kWaveReadOk || !sampleFormatOf(m_reader.format, m_format))
            return 103;
        m_frames = m_reader.dataSize / m_format.frameBytes();
        return m_frames == 0 ? 164 : 0;
    }

    const SampleFormat& format() const override { return m_format; }
    std::uint64_t frames() const override { return m_frames; }

    std::int64_t read(std::uint64_t from, std::size_t count, unsigned char* out) override {
        if (from >= m_frames) return 0;
        const std::size_t frameBytes = m_format.frameBytes();
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_frames - from));
        std::size_t done = 0;
        while (done < count) {
            // The reader takes 32-bit counts; a frame never straddles two reads.
            const std::size_t want = std::min<std::size_t>(count - done, (1u << 30) / frameBytes);
            std::uint32_t got = 0;
            const auto offset = static_cast<std::uint32_t>((from + done) * frameBytes);
            if (m_reader.readBlock(offset, static_cast<std::uint32_t>(want * frameBytes), got,
                                   out + done * frameBytes) != kWaveReadOk ||
                got < frameBytes) {
                return -1;
            }
            done += got / frameBytes;
        }
        return static_cast<std::int64_t>(done);
    }

private:
    WaveReader m_reader;
    SampleFormat m_format;
    std::uint64_t m_frames = 0;
};

}  // namespace

int openWaveFrameSource(const std::string& path, std::unique_ptr<FrameSource>& out) {
    out.reset();
    auto source = std::unique_ptr<WaveFrameSource>(new (std::nothrow) WaveFrameSource);
    if (!source) return kNoMemory;
    const int result = source->open(path);
    if (result != 0) return result;
    out = std::move(source);
    return 0;
}

}  // namespace sonthra
