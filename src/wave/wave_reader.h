// The streaming WAV reader: open a file, read sample bytes block by block at any offset of
// the "data" chunk, close. Its failures on open are shown through the wave message sink, in the
// reader's own words; callers only stop.
//
// A WaveReader belongs to one thread at a time; several readers may be open at once.
#pragma once

#include <cstdint>
#include <string>

#include "wave/riff.h"
#include "wave/wave_format.h"

namespace sonthra {

// Reader results.
inline constexpr int kWaveReadOk = 5000;
inline constexpr int kWaveReadNoMemory = 5001;
inline constexpr int kWaveReadBadName = 5002;
inline constexpr int kWaveReadCannotRead = 5003;
inline constexpr int kWaveReadNoData = 5004;
inline constexpr int kWaveReadNotPcm = 5005;
inline constexpr int kWaveReadShort = 5006;

// The text the reader shows for one of its codes or a file-I/O code ("Unknown Error" for any
// other number).
const char* waveReaderMessage(int code);

// Where the reader's messages go; the program installs one that shows a message box with the
// product caption. Without one the messages are dropped. show() may be called from any thread
// that reads a file.
class WaveMessageSink {
public:
    virtual ~WaveMessageSink() = default;
    virtual void show(int code, const char* text) = 0;
};
// Installs the sink (nullptr removes it). The sink must outlive every reader that may fail.
void setWaveMessageSink(WaveMessageSink* sink);

struct WaveReader {
    std::string fileName;
    WaveFormat format;
    RiffFile file;
    std::uint32_t dataSize = 0;
    RiffChunk riffChunk;
    RiffChunk dataChunk;
    RiffChunk fmtChunk;

    // Opens name and finds its format and sample bytes: kWaveReadOk with the file open, or a
    // reader or file-I/O code with the record cleared (the code's message has been shown).
    int open(const std::string& name, RiffFile::Mode mode = RiffFile::Mode::Read);
    // Reads up to count sample bytes from offset (bytes from the start of the "data" chunk)
    // into buffer, never past the end of the chunk: kWaveReadOk with bytesRead set, or
    // kWaveReadShort when offset is at or past the end, the file is not open or reading fails.
    int readBlock(std::uint32_t offset, std::uint32_t count, std::uint32_t& bytesRead,
                  void* buffer);
    // Closes the file when open and clears the record.
    void close();

private:
    int fail(int code);
};

}  // namespace sonthra
