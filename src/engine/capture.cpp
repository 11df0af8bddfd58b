#include "engine/capture.h"

#include <portaudio.h>

#include <algorithm>
#include <chrono>
#include <new>

#include "engine/engine_errors.h"
#include "engine/pa_devices.h"

namespace sonthra {
namespace {

// The header states the audio written after every drain, so that a killed process loses only
// what had not reached the file; it is flushed to the disk with the audio this often, which
// bounds what a power cut loses.
constexpr auto kSyncPeriod = std::chrono::milliseconds(500);
constexpr auto kWriterPeriod = std::chrono::milliseconds(20);
// Room for this much audio between the device and the disk: covers a disk that stalls.
constexpr std::uint32_t kRingSeconds = 4;

}  // namespace

CaptureStream::~CaptureStream() {
    stop();
}

int CaptureStream::start(int paDevice, std::uint32_t sampleRate, int bitsPerSample, int channels,
                         const std::string& file, std::uint64_t frameLimit) {
    stop();
    const PaDeviceInfo* info = paDevice >= 0 ? Pa_GetDeviceInfo(paDevice) : nullptr;
    if (!info) return engine_error::kRecordDeviceUnusable;
    if (sampleRate == 0 || (bitsPerSample != 8 && bitsPerSample != 16) ||
        (channels != 1 && channels != 2) || channels > info->maxInputChannels)
        return engine_error::kRecordFormatNotSupported;
    PaStreamParameters params{};
    params.device = paDevice;
    params.channelCount = channels;
    params.sampleFormat = bitsPerSample == 8 ? paUInt8 : paInt16;
    params.suggestedLatency = info->defaultHighInputLatency;
    const PaError supported = Pa_IsFormatSupported(&params, nullptr, sampleRate);
    if (supported != paFormatIsSupported) {
        return isFormatRefusal(supported) ? engine_error::kRecordFormatNotSupported
                                          : engine_error::kRecordDeviceUnusable;
    }

    m_bits = bitsPerSample;
    m_blockAlign = static_cast<std::size_t>(channels * bitsPerSample / 8);
    m_recording = !file.empty();
    m_frameLimit = frameLimit;
    m_framesRecorded = 0;
    m_framesLost = 0;
    m_writeFailed = false;
    m_stopping = false;
    m_deviceLost = false;
    m_meter.reset(channels, std::max<std::uint32_t>(1, sampleRate / 20));
    if (m_recording) {
        try {
            m_ring = std::make_unique<RingBuffer<unsigned char>>(std::size_t{sampleRate} *
                                                                 m_blockAlign * kRingSeconds);
            m_chunkBytes = 64 * 1024;
            m_chunk = std::make_unique<unsigned char[]>(m_chunkBytes);
        } catch (const std::bad_alloc&) {
            return engine_error::kCannotStartRecording;
        }
    }

    // The device is opened before the file is touched, so a busy device leaves the file alone.
    if (Pa_OpenStream(&m_stream, &params, nullptr, sampleRate, paFramesPerBufferUnspecified,
                      paNoFlag, &CaptureStream::streamCallback, this) != paNoError) {
        m_stream = nullptr;
        return engine_error::kRecordDeviceUnusable;
    }
    if (m_recording) {
        const int result =
            m_file.create(file, sampleRate, static_cast<std::uint16_t>(bitsPerSample),
                          static_cast<std::uint16_t>(channels));
        if (result != 0) {
            Pa_CloseStream(m_stream);
            m_stream = nullptr;
            return result;
        }
        m_writer = std::thread([this] { writerLoop(); });
    }
    Pa_SetStreamFinishedCallback(m_stream, &CaptureStream::streamFinished);
    if (Pa_StartStream(m_stream) != paNoError) {
        stop();
        return engine_error::kCannotStartRecording;
    }
    return 0;
}

int CaptureStream::stop() {
    const bool lost = deviceLost();
    if (m_stream) {
        // Stop (not abort) lets the device hand over what it has already captured.
        Pa_StopStream(m_stream);
        Pa_CloseStream(m_stream);
        m_stream = nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_writer.joinable()) m_writer.join();
    int result = 0;
    if (m_file.isOpen()) {
        const bool finished = m_file.finish();
        if (!finished || m_writeFailed.load()) {
            result = engine_error::kCannotWriteData;
        } else if (lost) {
            result = engine_error::kRecordDeviceUnusable;
        }
    }
    m_meter.silence();
    return result;
}

void CaptureStream::levels(int& left, int& right) const {
    if (!m_stream) {
        left = right = 0;
        return;
    }
    m_meter.read(left, right);
}

int CaptureStream::streamCallback(const void* input, void*, unsigned long frames,
                                  const PaStreamCallbackTimeInfo*, unsigned long, void* self) {
    static_cast<CaptureStream*>(self)->process(static_cast<const unsigned char*>(input), frames);
    return paContinue;
}

void CaptureStream::streamFinished(void* self) {
    static_cast<CaptureStream*>(self)->m_deviceLost.store(true);
}

// Runs on the device's thread: no locks, no allocation, no file access.
void CaptureStream::process(const unsigned char* input, unsigned long frames) {
    if (!input) return;
    if (m_bits == 8) {
        m_meter.addUInt8(input, frames);
    } else {
        m_meter.addInt16(reinterpret_cast<const std::int16_t*>(input), frames);
    }
    if (!m_recording || m_writeFailed.load(std::memory_order_relaxed)) return;
    if (m_frameLimit != 0) {
        const std::uint64_t recorded = m_framesRecorded.load(std::memory_order_relaxed);
        frames = static_cast<unsigned long>(
            std::min<std::uint64_t>(frames, m_frameLimit - std::min(recorded, m_frameLimit)));
    }
    const std::size_t bytes = frames * m_blockAlign;
    // Only whole frames go in, so the file never holds half a frame.
    const std::size_t room = m_ring->writeAvailable() / m_blockAlign * m_blockAlign;
    const std::size_t taken = m_ring->write(input, std::min(bytes, room));
    m_framesRecorded.fetch_add(taken / m_blockAlign, std::memory_order_relaxed);
    if (taken < bytes)
        m_framesLost.fetch_add((bytes - taken) / m_blockAlign, std::memory_order_relaxed);
}

std::size_t CaptureStream::drain() {
    std::size_t moved = 0;
    for (;;) {
        const std::size_t n = m_ring->read(m_chunk.get(), m_chunkBytes);
        if (n == 0) return moved;
        moved += n;
        if (!m_writeFailed.load(std::memory_order_relaxed) && !m_file.append(m_chunk.get(), n))
            m_writeFailed.store(true, std::memory_order_relaxed);
    }
}

void CaptureStream::writerLoop() {
    auto lastSync = std::chrono::steady_clock::now();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_wakeMutex);
            m_wake.wait_for(lock, kWriterPeriod, [&] { return m_stopping.load(); });
        }
        const bool stopping = m_stopping.load();
        const std::size_t moved = drain();
        const auto now = std::chrono::steady_clock::now();
        if (!stopping && !m_writeFailed.load()) {
            const bool sync = now - lastSync >= kSyncPeriod;
            if ((moved > 0 || sync) && !m_file.updateHeader(sync)) m_writeFailed.store(true);
            if (sync) lastSync = now;
        }
        // The stream is closed before stopping is set, so the drain above took the last audio.
        if (stopping) return;
    }
}

}  // namespace sonthra
