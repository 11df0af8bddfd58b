// One playback of a range of audio (a PCM WAV file, or a document's sequence of blocks): a
// PortAudio output stream fed by a reader thread through a lock-free ring, with the position
// actually heard and the peak levels.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/level_meter.h"
#include "engine/ring_buffer.h"
#include "engine/wave_layout.h"
#include "sequence/sequence_reader.h"

typedef void PaStream;
struct PaStreamCallbackTimeInfo;

namespace sonthra {

// Where a playback's frames come from. The reader thread alone reads; a source that fails or
// ends early gives fewer frames, and the playback ends where its audio does.
class PlaySource {
public:
    virtual ~PlaySource() = default;
    // The format (channels, rate, sample size, block align) and the frames the source holds.
    virtual const WaveLayout& layout() const = 0;
    // Reads frames [from, from + count) into out; the frames read.
    virtual std::uint64_t read(std::uint64_t from, std::uint64_t count, void* out) = 0;
};

// The samples of a PCM WAV file: 0 or an engine error (102, 107 to 110).
int openFileSource(const std::string& file, std::unique_ptr<PlaySource>* out);
// A document's audio as it was when the snapshot was taken: later edits do not change it.
std::unique_ptr<PlaySource> sequenceSource(std::shared_ptr<const SequenceSnapshot> snapshot);

// Control calls (start, pause, resume, moveTo, position, levels, stop) come from one thread.
// The reader thread calls onEnd once when the stream has played its last frame by itself, never
// after stop() has returned. onEnd must not call back into this object.
class PlaybackStream {
public:
    explicit PlaybackStream(std::function<void()> onEnd);
    // Stops first.
    ~PlaybackStream();
    PlaybackStream(const PlaybackStream&) = delete;
    PlaybackStream& operator=(const PlaybackStream&) = delete;

    // Plays frames [first, last) of file (last 0 = to the end) on PortAudio device paDevice.
    // Returns 0 or an engine error: 102, 104, 105, 106, 107 to 110, 117.
    int start(const std::string& file, std::uint64_t first, std::uint64_t last, int paDevice);
    // The same from any source; 104 (a format the engine does not play), 105, 106, 117.
    int start(std::unique_ptr<PlaySource> source, std::uint64_t first, std::uint64_t last,
              int paDevice);

    void pause();
    void resume();
    bool paused() const { return m_paused.load(std::memory_order_relaxed); }

    // Continues from frame (clamped to the end of the range; at the end playback finishes).
    void moveTo(std::uint64_t frame);

    // The frame the listener hears now: frames handed to the device minus those still on their
    // way through its buffers.
    std::uint64_t position();

    void levels(int& left, int& right) const;

    // Device buffers that found the ring short before the end of the range (not counting the
    // moment after a move, before the reader has caught up): audio the listener missed because
    // the reader fell behind.
    std::uint64_t underruns() const { return m_underruns.load(std::memory_order_relaxed); }

    // True once the stream has ended by itself (played to the end, or the device failed).
    bool finished() const { return m_streamFinished.load(std::memory_order_acquire); }
    // Whether the stream ended without reaching its end or being stopped: the device stopped
    // taking audio (unplugged, its sound server gone).
    bool deviceLost() const {
        return finished() && !m_completed.load(std::memory_order_acquire) && !m_stopping.load();
    }

    void stop();

private:
    static int streamCallback(const void* input, void* output, unsigned long frames,
                              const PaStreamCallbackTimeInfo* time, unsigned long flags,
                              void* self);
    static void streamFinished(void* self);

    int process(std::int16_t* out, unsigned long frames, const PaStreamCallbackTimeInfo* time);
    void publishTiming(std::uint64_t bufferStart, std::uint64_t bufferFrames, double latency);
    void readerLoop();
    // Reads and queues one block; false when there was no room or nothing left.
    bool fillOnce();
    void handleMove(std::uint64_t request);
    void closeStream();

    std::function<void()> m_onEnd;

    // Set up by start() before the stream runs, read-only afterwards.
    std::unique_ptr<PlaySource> m_source;
    WaveLayout m_layout;
    int m_outChannels = 0;
    std::uint64_t m_end = 0;
    std::uint32_t m_blockFrames = 0;
    double m_fallbackLatency = 0;  // frames
    std::unique_ptr<RingBuffer<std::int16_t>> m_ring;
    PaStream* m_stream = nullptr;
    std::thread m_reader;

    // Reader thread only.
    std::uint64_t m_readPos = 0;
    // Where the audio ends: m_end, or earlier when the file turns out shorter than it said.
    std::uint64_t m_readEnd = 0;
    std::unique_ptr<unsigned char[]> m_raw;
    std::unique_ptr<std::int16_t[]> m_converted;

    // Callback only.
    std::uint64_t m_callbackFrame = 0;
    std::uint64_t m_leadLeft = 0;
    std::uint64_t m_tailLeft = 0;
    std::uint64_t m_tailFrames = 0;
    bool m_refilling = false;  // the ring was just emptied for a move

    // Shared; the callback only loads and stores them.
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_readerDone{false};
    std::atomic<bool> m_streamFinished{false};
    std::atomic<bool> m_completed{false};  // the callback played the end and ended the stream
    std::atomic<bool> m_stopping{false};
    std::atomic<std::uint64_t> m_underruns{0};
    // A move: the control thread bumps m_moveRequest after storing m_moveTarget; the reader stops
    // queueing, asks the callback to drop what is queued (m_flushRequest, m_flushStart), waits
    // for m_flushAck and queues from the target on.
    std::atomic<std::uint64_t> m_moveTarget{0};
    std::atomic<std::uint64_t> m_moveRequest{0};
    std::atomic<std::uint64_t> m_flushStart{0};
    std::atomic<std::uint64_t> m_flushRequest{0};
    std::atomic<std::uint64_t> m_flushAck{0};

    // What the callback last handed to the device and when, under a sequence counter (odd while
    // the callback writes) so that position() reads a consistent set without a lock.
    std::atomic<std::uint64_t> m_timingSeq{0};
    std::atomic<std::uint64_t> m_timingStart{0};
    std::atomic<std::uint64_t> m_timingFrames{0};
    std::atomic<std::int64_t> m_timingNanos{0};
    std::atomic<double> m_timingLatency{0};
    std::atomic<std::uint64_t> m_timingMove{0};

    LevelMeter m_meter;

    // Control thread only: position() never goes backwards except after a move.
    std::uint64_t m_floor = 0;
    std::uint64_t m_lastPosition = 0;

    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    // Held while onEnd runs, so that stop() returning means no onEnd call is still coming.
    std::mutex m_endMutex;
};

}  // namespace sonthra
