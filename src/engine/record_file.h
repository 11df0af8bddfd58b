// The WAV file a recording grows into. Its header is kept valid on disk while it grows, so
// that whatever was recorded before a crash or a power cut can still be opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sonthra {

// Layout: "RIFF", "WAVE", an 18-byte "fmt " chunk and the "data" chunk, 46 bytes of header in
// all, the same layout as every other WAV file the program writes. Used by one thread at a time.
class RecordFile {
public:
    static constexpr std::size_t kHeaderBytes = 46;

    RecordFile() = default;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    // Closes the file as it stands; the last header written stays valid.
    ~RecordFile();

    // Creates (or empties) the file and writes a header for no data yet. Returns 0 or 203.
    int create(const std::string& path, std::uint32_t sampleRate, std::uint16_t bitsPerSample,
               std::uint16_t channels);

    // Appends sample bytes. False when the disk refused them or the file reached the 4 GB that
    // a WAV header can describe; whole frames written until then stay in the file.
    bool append(const void* data, std::size_t bytes);

    // Rewrites the sizes in the header for the data written so far; with sync, also flushes
    // everything to the disk. Without it the header is as current, for a process that is
    // killed, but may lag behind the data after a power cut.
    bool updateHeader(bool sync = true);

    // Pads an odd data chunk, writes the final header, flushes and closes.
    bool finish();

    bool isOpen() const { return m_fd >= 0; }
    std::uint64_t dataBytes() const { return m_dataBytes; }

    // The largest data size a header can state for frames of blockAlign bytes.
    static std::uint64_t maxDataBytes(std::uint16_t blockAlign);

private:
    bool writeHeader(std::uint64_t dataBytes, std::uint64_t riffExtra);
    void cutToWholeFrames();

    int m_fd = -1;
    std::uint32_t m_sampleRate = 0;
    std::uint16_t m_bits = 0;
    std::uint16_t m_channels = 0;
    std::uint16_t m_blockAlign = 0;
    std::uint64_t m_dataBytes = 0;
    bool m_failed = false;
};

}  // namespace sonthra
