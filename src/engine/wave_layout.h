// Where the audio of a PCM WAV file lies and what format it has: the small part of RIFF parsing
// that playback and the file-information call need. Treats every file as hostile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace sonthra {

struct WaveLayout {
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t blockAlign = 0;
    // File offset of the first sample byte.
    std::uint64_t dataOffset = 0;
    // Bytes of whole frames that the file really holds: a "data" size larger than the file (a
    // recording cut short by a crash, a size left at its maximum) is cut to what is there.
    std::uint64_t dataBytes = 0;

    std::uint64_t frames() const { return blockAlign == 0 ? 0 : dataBytes / blockAlign; }
};

// Reads count bytes at offset into buffer; returns the bytes read (fewer at the end of the
// file) or -1 on a read error.
using ReadAt = std::function<long long(std::uint64_t offset, void* buffer, std::size_t count)>;

// Walks the chunks of a RIFF "WAVE" file of fileSize bytes and fills layout. Returns 0 or an
// engine error: 107 not a RIFF WAVE file, 108 no usable "fmt " chunk, 109 not PCM, 110 no
// "data" chunk. The chunks may come in any order; other chunks are skipped.
int parseWaveLayout(const ReadAt& readAt, std::uint64_t fileSize, WaveLayout& layout);

// The same for an open file descriptor (read with pread, the file offset is not moved).
int readWaveLayout(int fd, WaveLayout& layout);

// The same for a file name; 102 when the file cannot be opened.
int readWaveLayout(const std::string& path, WaveLayout& layout);

}  // namespace sonthra
