#include "engine/playback.h"

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

#include "engine/engine_errors.h"
#include "engine/pa_devices.h"
#include "wave/riff.h"

namespace sonthra {
namespace {

// The reader wakes this often to top up the ring, which holds about a second: a late wake-up or
// a slow disk has plenty of slack before the device runs dry.
constexpr auto kReaderPeriod = std::chrono::milliseconds(10);
constexpr double kRingSeconds = 1.0;
// Silence played before the first and after the last frame. Through ALSA's PulseAudio plug-in,
// the first and the last buffers of a stream are otherwise sometimes never heard.
constexpr double kLeadSeconds = 0.1;
constexpr double kTailSeconds = 0.2;

std::int64_t nowNanos() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long long preadAll(int fd, void* buffer, std::size_t count, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = pread(fd, static_cast<char*>(buffer) + done, count - done,
                                static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

class FileSource : public PlaySource {
public:
    FileSource(int fd, const WaveLayout& layout) : m_fd(fd), m_layout(layout) {}
    ~FileSource() override { ::close(m_fd); }

    const WaveLayout& layout() const override { return m_layout; }
    std::uint64_t read(std::uint64_t from, std::uint64_t count, void* out) override {
        const std::size_t align = m_layout.blockAlign;
        const long long got =
            preadAll(m_fd, out, count * align, m_layout.dataOffset + from * align);
        return got > 0 ? static_cast<std::uint64_t>(got) / align : 0;
    }

private:
    int m_fd;
    WaveLayout m_layout;
};

class SequenceSource : public PlaySource {
public:
    explicit SequenceSource(std::shared_ptr<const SequenceSnapshot> snapshot)
        : m_reader(std::move(snapshot)) {
        const WaveFormat& f = m_reader.snapshot().format;
        m_layout.channels = f.channels;
        m_layout.sampleRate = f.sampleRate;
        m_layout.bitsPerSample = f.bitsPerSample;
        m_layout.blockAlign = f.blockAlign;
        m_layout.dataBytes = m_reader.frames() * f.blockAlign;
    }

    const WaveLayout& layout() const override { return m_layout; }
    std::uint64_t read(std::uint64_t from, std::uint64_t count, void* out) override {
        std::uint64_t got = 0;
        return m_reader.read(from, count, out, &got) == 0 ? got : 0;
    }

private:
    SequenceReader m_reader;
    WaveLayout m_layout;
};

}  // namespace

int openFileSource(const std::string& file, std::unique_ptr<PlaySource>* out) {
    const int fd = openRegularFile(file);
    if (fd < 0) return engine_error::kCannotOpenWaveFile;
    WaveLayout layout;
    if (const int r = readWaveLayout(fd, layout); r != 0) {
        ::close(fd);
        return r;
    }
    *out = std::make_unique<FileSource>(fd, layout);
    return 0;
}

std::unique_ptr<PlaySource> sequenceSource(std::shared_ptr<const SequenceSnapshot> snapshot) {
    return std::make_unique<SequenceSource>(std::move(snapshot));
}

PlaybackStream::PlaybackStream(std::function<void()> onEnd) : m_onEnd(std::move(onEnd)) {}

PlaybackStream::~PlaybackStream() {
    stop();
}

int PlaybackStream::start(const std::string& file, std::uint64_t first, std::uint64_t last,
                          int paDevice) {
    stop();
    std::unique_ptr<PlaySource> source;
    if (const int r = openFileSource(file, &source); r != 0) return r;
    return start(std::move(source), first, last, paDevice);
}

int PlaybackStream::start(std::unique_ptr<PlaySource> source, std::uint64_t first,
                          std::uint64_t last, int paDevice) {
    stop();
    m_source = std::move(source);
    m_layout = m_source->layout();
    const bool playable = (m_layout.bitsPerSample == 8 || m_layout.bitsPerSample == 16) &&
                          (m_layout.channels == 1 || m_layout.channels == 2) &&
                          m_layout.sampleRate > 0 &&
                          m_layout.blockAlign == m_layout.channels * m_layout.bitsPerSample / 8;
    if (!playable) {
        closeStream();
        return engine_error::kFormatNotSupported;
    }
    const std::uint64_t total = m_layout.frames();
    m_end = last == 0 ? total : std::min(last, total);
    if (first >= m_end) {
        closeStream();
        return engine_error::kNoDataToPlay;
    }

    const PaDeviceInfo* info = paDevice >= 0 ? Pa_GetDeviceInfo(paDevice) : nullptr;
    if (!info) {
        closeStream();
        return engine_error::kCannotOpenOutputDevice;
    }
    // Some devices take only two channels; mono is then played on both.
    PaStreamParameters params{};
    params.device = paDevice;
    params.sampleFormat = paInt16;
    params.suggestedLatency = info->defaultHighOutputLatency;
    const double rate = m_layout.sampleRate;
    params.channelCount = m_layout.channels;
    PaError supported = Pa_IsFormatSupported(nullptr, &params, rate);
    if (supported != paFormatIsSupported && m_layout.channels == 1 && isFormatRefusal(supported)) {
        params.channelCount = 2;
        supported = Pa_IsFormatSupported(nullptr, &params, rate);
    }
    if (supported != paFormatIsSupported) {
        closeStream();
        // A busy or vanished device is not the file's fault.
        return isFormatRefusal(supported) ? engine_error::kFormatNotSupported
                                          : engine_error::kCannotOpenOutputDevice;
    }
    m_outChannels = params.channelCount;

    m_blockFrames = std::max<std::uint32_t>(1024, m_layout.sampleRate / 25);
    const std::size_t ringFrames =
        std::max<std::size_t>(4 * m_blockFrames, static_cast<std::size_t>(rate * kRingSeconds));
    try {
        m_ring = std::make_unique<RingBuffer<std::int16_t>>(ringFrames * m_outChannels);
        m_raw = std::make_unique<unsigned char[]>(std::size_t{m_blockFrames} * m_layout.blockAlign);
        m_converted = std::make_unique<std::int16_t[]>(std::size_t{m_blockFrames} * m_outChannels);
    } catch (const std::bad_alloc&) {
        closeStream();
        return engine_error::kCannotPreparePlayBuffers;
    }

    m_readPos = first;
    m_readEnd = m_end;
    m_callbackFrame = first;
    m_floor = m_lastPosition = first;
    m_paused = false;
    m_readerDone = false;
    m_streamFinished = false;
    m_completed = false;
    m_stopping = false;
    m_moveRequest = m_flushRequest = m_flushAck = 0;
    m_timingSeq = 0;
    m_underruns = 0;
    m_refilling = false;
    m_meter.reset(m_outChannels, std::max<std::uint32_t>(1, m_layout.sampleRate / 20));

    // Fill the ring before the device asks for anything, so the first callbacks find audio.
    while (fillOnce()) {
    }

    PaError error = Pa_OpenStream(&m_stream, nullptr, &params, rate, paFramesPerBufferUnspecified,
                                  paNoFlag, &PlaybackStream::streamCallback, this);
    if (error != paNoError) {
        m_stream = nullptr;
        closeStream();
        return engine_error::kCannotOpenOutputDevice;
    }
    const PaStreamInfo* streamInfo = Pa_GetStreamInfo(m_stream);
    m_fallbackLatency = streamInfo ? streamInfo->outputLatency * rate : 0;
    m_leadLeft = static_cast<std::uint64_t>(std::max(rate * kLeadSeconds, 2 * m_fallbackLatency));
    m_tailFrames = static_cast<std::uint64_t>(std::max(rate * kTailSeconds, 3 * m_fallbackLatency));
    m_tailLeft = m_tailFrames;
    Pa_SetStreamFinishedCallback(m_stream, &PlaybackStream::streamFinished);
    error = Pa_StartStream(m_stream);
    if (error != paNoError) {
        closeStream();
        return engine_error::kCannotOpenOutputDevice;
    }
    m_reader = std::thread([this] { readerLoop(); });
    return 0;
}

void PlaybackStream::pause() {
    m_paused.store(true, std::memory_order_relaxed);
}

void PlaybackStream::resume() {
    m_paused.store(false, std::memory_order_relaxed);
}

void PlaybackStream::moveTo(std::uint64_t frame) {
    if (!m_stream) return;
    frame = std::min(frame, m_end);
    m_moveTarget.store(frame, std::memory_order_relaxed);
    m_moveRequest.fetch_add(1, std::memory_order_release);
    m_floor = m_lastPosition = frame;
    m_wake.notify_one();
}

void PlaybackStream::publishTiming(std::uint64_t bufferStart, std::uint64_t bufferFrames,
                                   double latency) {
    const std::uint64_t seq = m_timingSeq.load(std::memory_order_relaxed);
    m_timingSeq.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    m_timingStart.store(bufferStart, std::memory_order_relaxed);
    m_timingFrames.store(bufferFrames, std::memory_order_relaxed);
    m_timingNanos.store(nowNanos(), std::memory_order_relaxed);
    m_timingLatency.store(latency, std::memory_order_relaxed);
    m_timingMove.store(m_flushAck.load(std::memory_order_relaxed), std::memory_order_relaxed);
    m_timingSeq.store(seq + 2, std::memory_order_release);
}

std::uint64_t PlaybackStream::position() {
    if (!m_stream) return m_lastPosition;
    const std::uint64_t request = m_moveRequest.load(std::memory_order_acquire);
    if (request != m_flushAck.load(std::memory_order_acquire)) return m_floor;

    std::uint64_t start, frames, move;
    std::int64_t nanos;
    double latency;
    for (;;) {
        const std::uint64_t before = m_timingSeq.load(std::memory_order_acquire);
        start = m_timingStart.load(std::memory_order_relaxed);
        frames = m_timingFrames.load(std::memory_order_relaxed);
        nanos = m_timingNanos.load(std::memory_order_relaxed);
        latency = m_timingLatency.load(std::memory_order_relaxed);
        move = m_timingMove.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1) == 0 && before == m_timingSeq.load(std::memory_order_relaxed)) {
            if (before == 0) return m_lastPosition;  // nothing handed to the device yet
            break;
        }
    }
    // Timing from before the last move belongs to audio that was dropped.
    if (move != request) return m_lastPosition;

    const double elapsed = static_cast<double>(nowNanos() - nanos) * 1e-9 * m_layout.sampleRate;
    const double heard = static_cast<double>(start) - latency + elapsed;
    std::uint64_t frame = heard <= 0 ? 0 : static_cast<std::uint64_t>(heard);
    frame = std::clamp(frame, m_floor, std::max(m_floor, start + frames));
    m_lastPosition = std::max(m_lastPosition, frame);
    return m_lastPosition;
}

void PlaybackStream::levels(int& left, int& right) const {
    if (!m_stream || m_paused.load(std::memory_order_relaxed)) {
        left = right = 0;
        return;
    }
    m_meter.read(left, right);
}

int PlaybackStream::streamCallback(const void*, void* output, unsigned long frames,
                                   const PaStreamCallbackTimeInfo* time, unsigned long,
                                   void* self) {
    return static_cast<PlaybackStream*>(self)->process(static_cast<std::int16_t*>(output), frames,
                                                       time);
}

void PlaybackStream::streamFinished(void* self) {
    static_cast<PlaybackStream*>(self)->m_streamFinished.store(true, std::memory_order_release);
}

// Runs on the device's thread: no locks, no allocation, no file access.
int PlaybackStream::process(std::int16_t* out, unsigned long frames,
                            const PaStreamCallbackTimeInfo* time) {
    const std::size_t channels = static_cast<std::size_t>(m_outChannels);
    const std::uint64_t flush = m_flushRequest.load(std::memory_order_acquire);
    if (flush != m_flushAck.load(std::memory_order_relaxed)) {
        m_ring->discard(m_ring->readAvailable());
        m_callbackFrame = m_flushStart.load(std::memory_order_relaxed);
        m_flushAck.store(flush, std::memory_order_release);
        m_refilling = true;
    }
    if (m_paused.load(std::memory_order_relaxed)) {
        std::memset(out, 0, frames * channels * sizeof(std::int16_t));
        m_meter.silence();
        return paContinue;
    }

    // Silence first: sound servers may lose the first moments of a new stream.
    const std::size_t lead = static_cast<std::size_t>(std::min<std::uint64_t>(frames, m_leadLeft));
    std::memset(out, 0, lead * channels * sizeof(std::int16_t));
    m_leadLeft -= lead;
    std::int16_t* audio = out + lead * channels;
    const std::size_t room = frames - lead;

    // Loaded before reading the ring: the reader marks itself done only after its last write,
    // so an empty ring seen afterwards really is the end.
    const bool readerDone = m_readerDone.load(std::memory_order_acquire);
    const std::size_t got = m_ring->read(audio, room * channels) / channels;
    std::memset(audio + got * channels, 0, (room - got) * channels * sizeof(std::int16_t));
    m_meter.addInt16(out, frames);

    if (got == room) {
        m_refilling = false;
    } else if (!readerDone && !m_refilling && m_callbackFrame + got < m_end) {
        m_underruns.fetch_add(1, std::memory_order_relaxed);
    }
    if (got > 0) {
        double latency = m_fallbackLatency;
        if (time && time->currentTime > 0 && time->outputBufferDacTime >= time->currentTime &&
            time->outputBufferDacTime - time->currentTime < 2.0)
            latency = (time->outputBufferDacTime - time->currentTime) * m_layout.sampleRate;
        publishTiming(m_callbackFrame, got, latency + static_cast<double>(lead));
        m_callbackFrame += got;
    }

    const bool movePending =
        m_moveRequest.load(std::memory_order_acquire) != m_flushAck.load(std::memory_order_relaxed);
    if (readerDone && got < room && m_ring->readAvailable() == 0 && !movePending) {
        // Silence after the end too, so that the last frames are through the device and any
        // server behind it before the stream closes.
        const std::uint64_t silent = room - got;
        if (m_tailLeft <= silent) {
            m_completed.store(true, std::memory_order_release);
            return paComplete;
        }
        m_tailLeft -= silent;
    } else {
        m_tailLeft = m_tailFrames;
    }
    return paContinue;
}

bool PlaybackStream::fillOnce() {
    if (m_readPos >= m_readEnd) {
        m_readerDone.store(true, std::memory_order_release);
        return false;
    }
    const std::uint64_t frames = std::min<std::uint64_t>(m_blockFrames, m_readEnd - m_readPos);
    if (m_ring->writeAvailable() < frames * m_outChannels) return false;

    const std::uint64_t whole = m_source->read(m_readPos, frames, m_raw.get());
    // A file that shrank or failed under us ends the playback where its audio ends.
    if (whole < frames) m_readEnd = m_readPos + whole;

    const int inChannels = m_layout.channels;
    const bool eightBit = m_layout.bitsPerSample == 8;
    for (std::uint64_t f = 0; f < whole; ++f) {
        for (int c = 0; c < m_outChannels; ++c) {
            const std::size_t sample = f * inChannels + (c < inChannels ? c : 0);
            std::int16_t value;
            if (eightBit) {
                value = static_cast<std::int16_t>((static_cast<int>(m_raw[sample]) - 128) * 256);
            } else {
                value = static_cast<std::int16_t>(m_raw[2 * sample] | (m_raw[2 * sample + 1] << 8));
            }
            m_converted[f * m_outChannels + c] = value;
        }
    }
    m_ring->write(m_converted.get(), whole * m_outChannels);
    m_readPos += whole;
    if (m_readPos >= m_readEnd) {
        m_readerDone.store(true, std::memory_order_release);
        return false;
    }
    return true;
}

void PlaybackStream::handleMove(std::uint64_t request) {
    const std::uint64_t target = m_moveTarget.load(std::memory_order_relaxed);
    m_readerDone.store(false, std::memory_order_relaxed);
    m_flushStart.store(target, std::memory_order_relaxed);
    m_flushRequest.store(request, std::memory_order_release);
    // Nothing may be queued until the callback has dropped the old audio.
    while (m_flushAck.load(std::memory_order_acquire) != request) {
        if (m_stopping.load() || m_streamFinished.load(std::memory_order_acquire)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_readPos = target;
}

void PlaybackStream::readerLoop() {
    std::uint64_t handled = 0;
    while (!m_stopping.load()) {
        const std::uint64_t request = m_moveRequest.load(std::memory_order_acquire);
        if (request != handled) {
            handled = request;
            handleMove(request);
            continue;
        }
        if (m_streamFinished.load(std::memory_order_acquire)) {
            std::lock_guard<std::mutex> endLock(m_endMutex);
            if (!m_stopping.load() && m_onEnd) m_onEnd();
            return;
        }
        if (fillOnce()) continue;
        std::unique_lock<std::mutex> lock(m_wakeMutex);
        m_wake.wait_for(lock, kReaderPeriod, [&] {
            return m_stopping.load() || m_moveRequest.load(std::memory_order_acquire) != handled;
        });
    }
}

void PlaybackStream::stop() {
    {
        std::lock_guard<std::mutex> endLock(m_endMutex);
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_stream) {
        m_lastPosition = position();
        Pa_AbortStream(m_stream);
    }
    if (m_reader.joinable()) m_reader.join();
    closeStream();
}

void PlaybackStream::closeStream() {
    if (m_stream) {
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }
    m_source.reset();
}

}  // namespace sonthra
