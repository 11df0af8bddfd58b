// What every shipped effect plug-in shares: the parameter block, the conversion between the
// file's PCM bytes and float samples, the chunk protocol of ApplyEffect (a tail drained with
// input count 0, never more than one chunk of output per call) and read access to the source
// file. A plug-in supplies its description and an EffectProcessor.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effect_plugin_api.h"
#include "effect_settings.h"

namespace sonthra::fx {

// Interleaved float frames waiting to be handed out.
class FrameFifo {
public:
    explicit FrameFifo(int channels = 1) : m_channels(channels) {}
    void setChannels(int channels) { m_channels = channels; }
    std::size_t frames() const { return (m_data.size() - m_head) / m_channels; }
    // Room for frames more at the end; the caller fills all of it.
    float* extend(std::size_t frames);
    void push(const float* samples, std::size_t frames);
    const float* front() const { return m_data.data() + m_head; }
    float* front() { return m_data.data() + m_head; }
    void pop(std::size_t frames);

private:
    int m_channels;
    std::vector<float> m_data;
    std::size_t m_head = 0;
};

// The sample bytes of the file being processed, read at any frame.
class SourceData {
public:
    ~SourceData();
    // 0, or kEffectNoSourceFile / kEffectCannotReadFile.
    int open(const std::string& path);
    // Reads frames at frame (from the start of the data) as floats; false when they cannot be
    // read whole.
    bool read(std::uint64_t frame, std::size_t frames, float* out) const;
    std::uint64_t dataBytes() const { return m_dataBytes; }
    const EffectWaveFormat& format() const { return m_format; }

private:
    int m_fd = -1;
    std::uint64_t m_dataOffset = 0;
    std::uint64_t m_dataBytes = 0;
    EffectWaveFormat m_format{};
    mutable std::vector<unsigned char> m_bytes;
};

struct EffectContext {
    EffectWaveFormat format{};
    int channels = 1;
    double sampleRate = 44100;
    const double* values = nullptr;  // the settings, in table order
    std::string file;                // the File setting
    const SourceData* source = nullptr;
    std::uint64_t regionFrame = 0;   // first selected frame
    std::uint64_t regionFrames = 0;  // selected frames
    const std::atomic<int>* abortFlag = nullptr;

    bool aborted() const { return abortFlag && abortFlag->load(std::memory_order_relaxed) != 0; }
};

class EffectProcessor {
public:
    virtual ~EffectProcessor() = default;
    // Before the first chunk, on the worker: 0 or a plug-in code. May read the source; a long
    // read looks at ctx.aborted() and returns kEffectCancelled.
    virtual int prepare(const EffectContext& ctx) {
        (void)ctx;
        return kEffectOk;
    }
    // The next frames of the selection, interleaved; appends its output to out. 0 or a code.
    virtual int process(const float* in, std::size_t frames, FrameFifo& out) = 0;
    // After the last frame: appends at most maxFrames of what is still to come; true when
    // nothing more will come.
    virtual bool drain(FrameFifo& out, std::size_t maxFrames) {
        (void)out;
        (void)maxFrames;
        return true;
    }
    // After the last frame: what the user should be told about the run, or nothing.
    virtual std::string resultText() const { return {}; }
    // Whether 16-bit output gets triangular dither: for effects whose gain changes all the
    // time, where plain rounding would leave distortion that follows the signal.
    virtual bool dithered() const { return false; }
};

// PCM bytes of the format to floats in [-1, 1) and back, clipping (never wrapping) and rounding.
void bytesToFloats(const unsigned char* in, std::size_t samples, int bits, float* out);
void floatsToBytes(const float* in, std::size_t samples, int bits, unsigned char* out);

// Triangular (TPDF) dither of one step peak to peak either side, from a small generator whose
// sequence starts the same in every run, so that one input gives one output.
class Dither {
public:
    // Adds the dither for bits to samples, in place.
    void add(float* samples, std::size_t count, int bits);

private:
    std::uint32_t m_state = 0x2545F491u;
    float next();
};

// Reads the region [first, first + frames) of the source chunk by chunk, calling visit with
// each block of interleaved floats; kEffectCancelled when aborted, kEffectCannotReadFile.
template <typename Visit>
int scanSource(const EffectContext& ctx, std::uint64_t first, std::uint64_t frames, Visit visit);

struct Application;

struct EffectParamBlock {
    EffectSettingsBlock settings;
    std::atomic<int> abort;
    Application* application;
    char resultText[EFFECT_TEXT_BYTES];  // of the last run, kept after its buffers are freed
};

// Supplied by each plug-in.
const EffectDescription& pluginDescription();
std::unique_ptr<EffectProcessor> createProcessor(const EffectContext& ctx);

// The processing protocol behind the entry points (processing_entry.cpp).
int setParams(EffectParamBlock& block, const EffectWaveFormat* format, const char* sourcePath,
              std::uint32_t selStart, std::uint32_t selEnd, std::uint32_t maxChunk);
int applyChunk(EffectParamBlock& block, const void* input, void* output, std::uint32_t inputCount,
               std::uint32_t* outputCount);
// Keeps the run's result text in the block, then frees the run.
void freeApplication(EffectParamBlock& block);

template <typename Visit>
int scanSource(const EffectContext& ctx, std::uint64_t first, std::uint64_t frames, Visit visit) {
    constexpr std::size_t kBlock = 65536;
    std::vector<float> buffer(kBlock * ctx.channels);
    for (std::uint64_t done = 0; done < frames;) {
        if (ctx.aborted()) return kEffectCancelled;
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, frames - done));
        if (!ctx.source->read(first + done, n, buffer.data())) return kEffectCannotReadFile;
        visit(buffer.data(), n);
        done += n;
    }
    return kEffectOk;
}

}  // namespace sonthra::fx
