// WAV to MP3 through the encoder library, chunk by chunk. run() belongs to a worker thread;
// percent() and abort() may be called from any other thread meanwhile.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace sonthra {

class LameEncodeJob {
public:
    explicit LameEncodeJob(std::string libraryPath) : m_libraryPath(std::move(libraryPath)) {}

    // Clears an old abort request and the progress; the starting thread calls it before it
    // starts the worker.
    void arm() {
        m_abort.store(false);
        m_percent.store(0);
    }
    // Encodes source (PCM WAV, 8 or 16 bits, 1 or 2 channels) to destination at kbps. 0, or a
    // code of convert_codes.h: 500 no source, 501 not a PCM WAV file, 406 a bitrate above 160
    // for a rate of 22,050 Hz or less, 503 no library, 502 the encoder refused the format,
    // 504 no memory, 509 the new file cannot be created, 505 a read failed, 506 the encoder
    // failed, 496 the disk is full, 508 another write failure, 507 aborted. On any failure the
    // destination is as it was.
    int run(const std::string& source, const std::string& destination, std::uint32_t kbps);
    // Percent of the source's bytes done; it only grows.
    int percent() const { return m_percent.load(); }
    // Ends a running encoding after its current chunk with 507.
    void abort() { m_abort.store(true); }

private:
    std::string m_libraryPath;
    std::atomic<bool> m_abort{false};
    std::atomic<int> m_percent{0};
};

}  // namespace sonthra
