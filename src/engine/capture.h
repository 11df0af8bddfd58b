// One capture from an input device: a recording into a WAV file (the callback queues the
// samples, a writer thread stores them) or a level test that only meters the input.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/level_meter.h"
#include "engine/record_file.h"
#include "engine/ring_buffer.h"

typedef void PaStream;
struct PaStreamCallbackTimeInfo;

namespace sonthra {

// Control calls come from one thread. The writer thread owns the file while the capture runs.
class CaptureStream {
public:
    CaptureStream() = default;
    // Stops first.
    ~CaptureStream();
    CaptureStream(const CaptureStream&) = delete;
    CaptureStream& operator=(const CaptureStream&) = delete;

    // Captures from PortAudio device paDevice in the given PCM format. With a file name the
    // samples go into that WAV file, up to frameLimit frames when that is not 0; with an empty
    // one the input is only metered. Returns 0 or an engine error: 201, 203, 204, 205.
    int start(int paDevice, std::uint32_t sampleRate, int bitsPerSample, int channels,
              const std::string& file, std::uint64_t frameLimit = 0);

    // Ends the capture and closes the file. Returns 0, 301 when samples could not be stored (a
    // full disk, the 4 GB limit of a WAV file), or 204 when the device stopped delivering before
    // (unplugged, its sound server gone); the file then holds what came until then.
    int stop();

    bool running() const { return m_stream != nullptr; }
    // Whether the device has stopped delivering on its own while the capture still runs.
    bool deviceLost() const { return m_stream != nullptr && m_deviceLost.load(); }
    // Whether the file has refused samples (a full disk, the 4 GB limit) while the capture
    // still runs: nothing more will be stored.
    bool storeFailed() const { return m_stream != nullptr && m_writeFailed.load(); }

    // Frames captured into the file so far.
    std::uint64_t framesRecorded() const {
        return m_framesRecorded.load(std::memory_order_relaxed);
    }

    // Frames the device delivered while the ring was full: lost from the recording.
    std::uint64_t framesLost() const { return m_framesLost.load(std::memory_order_relaxed); }

    void levels(int& left, int& right) const;

private:
    static int streamCallback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo* time, unsigned long flags,
                              void* self);
    static void streamFinished(void* self);
    void process(const unsigned char* input, unsigned long frames);
    void writerLoop();
    // Moves what is queued into the file; returns the bytes moved.
    std::size_t drain();

    PaStream* m_stream = nullptr;
    int m_bits = 16;
    std::size_t m_blockAlign = 0;
    std::uint64_t m_frameLimit = 0;
    bool m_recording = false;
    std::unique_ptr<RingBuffer<unsigned char>> m_ring;
    std::unique_ptr<unsigned char[]> m_chunk;
    std::size_t m_chunkBytes = 0;
    RecordFile m_file;
    std::thread m_writer;

    std::atomic<std::uint64_t> m_framesRecorded{0};
    std::atomic<std::uint64_t> m_framesLost{0};
    // Set by the writer when the file refused data; the callback then stops counting.
    std::atomic<bool> m_writeFailed{false};
    std::atomic<bool> m_stopping{false};
    // Set when the stream ends; the callback never ends it, so before stop() only the device
    // can have.
    std::atomic<bool> m_deviceLost{false};
    LevelMeter m_meter;

    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
};

}  // namespace sonthra
