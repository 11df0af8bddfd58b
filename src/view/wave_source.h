// The display's access to a WAV file: the header (format, frame count, where the samples lie)
// with the display's own result codes, the format check, and reading sample bytes by offset.
// Each SampleFile belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "wave/wave_format.h"

namespace sonthra {

struct WaveHeaderInfo {
    WaveFormat format;               // tag and extra size are left 0, as the display keeps them
    std::uint32_t totalSamples = 0;  // whole sample frames in the "data" chunk
    std::uint64_t dataOffset = 0;    // file position of the first sample byte
};

// 0, or 101 cannot open, 102 no RIFF "WAVE" form, 103 no "fmt " chunk, 104 "fmt " chunk short or
// unusable, 105 no "data" chunk, 113 a format the program does not play and edit
// (isSupportedPcm). info is cleared on failure.
int ReadWaveHeader(const std::string& name, WaveHeaderInfo& info);

// ReadWaveHeader without the header.
int CheckWaveFormat(const std::string& name);

// The sample data of one file, kept open for reading.
class SampleFile {
public:
    SampleFile() = default;
    ~SampleFile();
    SampleFile(const SampleFile&) = delete;
    SampleFile& operator=(const SampleFile&) = delete;

    // OpenSampleData: the header codes of ReadWaveHeader; the file stays open on success.
    int open(const std::string& name);
    void close();
    const WaveHeaderInfo& info() const { return m_info; }

    // Reads up to count bytes at offset bytes into the sample data, never past the whole frames
    // of the "data" chunk, retrying short reads. Bytes read (0 at the end) or -1 on an error.
    std::int64_t read(std::uint64_t offset, void* buffer, std::size_t count);

    // Whether the sample data can be seen through a memory map (mapping it on the first call):
    // then view() serves it without copying. false for a file that cannot be mapped, or after
    // allowMapping(false).
    bool mapped();
    // Whether mapped() may map the file (the default); reads serve otherwise.
    void allowMapping(bool allowed) { m_mapAllowed = allowed; }
    // The bytes [offset, offset + count) of the sample data in the map, cut to the whole frames
    // like read(), with their pages already brought in (and the next stretch asked for), so
    // that scanning them takes no page faults. nullptr when they are no longer in the file (it
    // was cut short since it was opened), or without a map.
    const unsigned char* view(std::uint64_t offset, std::size_t count);

    // Where one scan through the map is, so that several threads can each scan a part of the
    // samples through view(offset, count, cursor) at once (after mapped() returned true).
    struct MapCursor {
        std::uintptr_t first = 0;  // the pages of the last stretch given
        std::uintptr_t end = 0;
    };
    const unsigned char* view(std::uint64_t offset, std::size_t count, MapCursor& cursor) const;

    std::uint64_t dataBytes() const { return m_dataBytes; }

private:
    void unmap();

    int m_fd = -1;
    WaveHeaderInfo m_info;
    std::uint64_t m_dataBytes = 0;
    unsigned char* m_map = nullptr;  // the file from its start to the end of the samples
    std::size_t m_mapBytes = 0;
    bool m_mapTried = false;
    bool m_mapAllowed = true;
    MapCursor m_cursor;  // view()'s own
};

}  // namespace sonthra
