// WAV files of any codec-layer sample format: reading the header of a RIFF, RF64 or BW64 file,
// and writing one whose header has room for a ds64 chunk, so that a file that passes 4 GB is
// finished as RF64 in place instead of failing or wrapping its sizes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "codec/pcm_formats.h"
#include "wave/file_copy.h"
#include "wave/safe_file.h"

namespace sonthra {

struct PcmWaveInfo {
    PcmFormat format;
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;  // cut to what the file holds
    bool rf64 = false;
};

// Reads the header of the open file fd (RIFF, RF64 or BW64 "WAVE"). false with why set to a
// short reason that follows "is" ("not a WAV file", "damaged", ...) otherwise.
bool readPcmWaveHeader(int fd, PcmWaveInfo* info, std::string* why);

// Whether every chunk of a chunked container (WAV, AIFF, CAF) but the samples' ends inside the
// file. FFmpeg trusts the sizes inside a chunk (a LIST's texts, an AIFF NAME) as far as
// allocating them, so a file whose chunks claim more than it holds is not handed to it. The
// layout gives where the chunks start, the width and byte order of their size field, whether
// they are padded to even sizes, and the id of the samples' chunk, the only one that may run
// past the end.
struct ChunkLayout {
    std::uint64_t first;
    unsigned sizeBytes;
    bool bigEndian;
    bool padded;
    const char* samples;
};
bool chunksInBounds(int fd, const ChunkLayout& layout);

// The header our writer puts in front of the samples: RIFF, a 36-byte JUNK chunk that a ds64
// takes over when the file passes 4 GB, "fmt " and the "data" chunk's head.
std::size_t pcmWaveHeaderBytes(const PcmFormat& format);
// That header for dataBytes of samples: RIFF when the sizes fit 32 bits, otherwise RF64 with
// the sizes in ds64 and 0xFFFFFFFF in the 32-bit fields.
std::string makePcmWaveHeader(const PcmFormat& format, std::uint64_t dataBytes);
// Writes that header at the start of fd and the pad byte an odd data chunk needs after it.
bool finishPcmWave(int fd, const PcmFormat& format, std::uint64_t dataBytes);

// Writes a new WAV beside path and moves it over path on finish(), as every save does; a
// writer dropped unfinished or failed removes its file and leaves path as it was.
class PcmWaveWriter {
public:
    static std::unique_ptr<PcmWaveWriter> createReplacing(const std::string& path,
                                                          const PcmFormat& format,
                                                          std::optional<mode_t> mode = {});
    bool write(const void* bytes, std::size_t count);
    // Appends count sample bytes of the open file fd from offset, by the kernel's copy where it
    // can, in steps that each call step (false stops: the result is then ECANCELED). 0 or errno.
    int copyFrom(int fd, std::uint64_t offset, std::uint64_t count, const CopyStep& step = {});
    bool finish();
    std::uint64_t dataBytes() const { return m_dataBytes; }
    const PcmFormat& format() const { return m_format; }
    int error() const { return m_safe.error() ? m_safe.error() : m_error; }

private:
    PcmWaveWriter(const std::string& path, const PcmFormat& format, std::optional<mode_t> mode)
        : m_safe(path, mode), m_format(format) {}

    SafeFileWriter m_safe;
    PcmFormat m_format;
    std::uint64_t m_dataBytes = 0;
    int m_error = 0;
    bool m_failed = false;
};

}  // namespace sonthra
