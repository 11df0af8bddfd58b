// A small buffered RIFF chunk layer: open a file, find a chunk and step into it, step out of it
// (fixing its size when it was written), create chunks, read, write and seek. Everything the
// wave reader, writer and probe do goes through it. Results are 0 or one of the file-I/O error
// numbers below, which the callers and their message tables rely on.
//
// One RiffFile belongs to one thread at a time. Chunk sizes read from a file are never trusted:
// a size that runs past the end of the file is cut to what the file holds, and a RIFF size of 0
// (left by a program that crashed before writing it) counts as "up to the end of the file".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sonthra {

// File-I/O result numbers: the base 256 plus 1..16, and the wave layer's bad-format code.
inline constexpr int kRiffOk = 0;
inline constexpr int kRiffErrFileNotFound = 257;
inline constexpr int kRiffErrOutOfMemory = 258;
inline constexpr int kRiffErrCannotOpen = 259;
inline constexpr int kRiffErrCannotClose = 260;
inline constexpr int kRiffErrCannotRead = 261;
inline constexpr int kRiffErrCannotWrite = 262;
inline constexpr int kRiffErrCannotSeek = 263;
inline constexpr int kRiffErrCannotExpand = 264;
inline constexpr int kRiffErrChunkNotFound = 265;
inline constexpr int kRiffErrUnbuffered = 266;
inline constexpr int kRiffErrPathNotFound = 267;
inline constexpr int kRiffErrAccessDenied = 268;
inline constexpr int kRiffErrSharingViolation = 269;
inline constexpr int kRiffErrNetworkError = 270;
inline constexpr int kRiffErrTooManyOpenFiles = 271;
inline constexpr int kRiffErrInvalidFile = 272;
inline constexpr int kWaveErrBadFormat = 32;

// The open-failure number for an errno value from open(2); path decides between "file not
// found" and "path not found" when the error is ENOENT.
int riffOpenError(int err, const std::string& path);

// Opens a regular file read-only, never blocking on a named pipe or a device: the descriptor,
// or -1 with errno set (EINVAL when path is a pipe, a device, a folder or a socket).
int openRegularFile(const std::string& path);

// Whether four bytes are printable ASCII, as every chunk id is.
bool isPrintableChunkId(const unsigned char* id);

// A four-character code as it sits in the file, read as a little-endian 32-bit number.
constexpr std::uint32_t fourCC(const char (&s)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])) << 24;
}
inline constexpr std::uint32_t kRiffId = fourCC("RIFF");
inline constexpr std::uint32_t kListId = fourCC("LIST");
inline constexpr std::uint32_t kWaveId = fourCC("WAVE");
inline constexpr std::uint32_t kFmtId = fourCC("fmt ");
inline constexpr std::uint32_t kDataId = fourCC("data");
inline constexpr std::uint32_t kFactId = fourCC("fact");

// Chunk record flags.
inline constexpr std::uint32_t kChunkDirty = 1;     // created here: stepping out fixes the size
inline constexpr std::uint32_t kChunkRepaired = 2;  // the stated size was cut to the file

// The position record of one chunk being walked.
struct RiffChunk {
    std::uint32_t id = 0;
    std::uint32_t size = 0;        // usable size: the stated size, cut to the file when needed
    std::uint32_t statedSize = 0;  // the size field exactly as found in the file
    std::uint32_t formType = 0;    // RIFF and LIST chunks only
    std::uint64_t dataOffset = 0;  // file position of the chunk's data (of its form type, for
                                   // RIFF and LIST chunks)
    std::uint32_t flags = 0;

    std::uint64_t end() const { return dataOffset + size; }
};

// How descend picks its chunk.
enum class RiffFind {
    Next,      // the next chunk, whatever its id
    ChunkId,   // the next chunk with the record's id
    RiffForm,  // the next "RIFF" chunk with the record's form type
    AnyRiff,   // the next "RIFF" chunk of any form type
    ListForm,  // the next "LIST" chunk with the record's form type
};

class RiffFile {
public:
    enum class Mode { Read, ReadWrite, Create };

    RiffFile() = default;
    ~RiffFile();
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    // Opens (Create: creates or truncates, mode 0666 less the umask). 0 or an open failure.
    int open(const std::string& path, Mode mode);
    // Works on a descriptor someone else opened and will close; positioned at the start.
    int attach(int fd, Mode mode);
    // Writes what is buffered and closes (or lets go of an attached descriptor). 0,
    // kRiffErrCannotWrite or kRiffErrCannotClose.
    int close();
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // errno of the last failed system call, for callers that tell a full disk from others.
    int lastErrno() const { return m_errno; }

    // Finds a chunk from the current position, inside parent when given (else up to the end of
    // the file), and leaves the position at the chunk's data (after the form type for RIFF and
    // LIST chunks). The wanted id or form type is taken from chunk. 0, kRiffErrChunkNotFound or
    // kRiffErrCannotRead; chunk is filled only on success.
    int descend(RiffChunk& chunk, const RiffChunk* parent, RiffFind how);
    // Steps out of a chunk: one created here gets its size field written from the current
    // position and a pad byte when odd; then the position moves past the chunk and its pad.
    // 0, kRiffErrCannotWrite or kRiffErrCannotSeek.
    int ascend(RiffChunk& chunk);
    // Where the chunk after a chunk of size bytes from dataOffset starts: past the pad byte a
    // chunk of odd size is followed by, unless its writer left the pad out and the next
    // chunk's header stands at once where the pad belongs. Moves the position.
    std::uint64_t afterChunk(std::uint64_t dataOffset, std::uint64_t size);
    // Writes a chunk header at the current position (with chunk.formType for RIFF and LIST
    // chunks) and marks the record dirty. 0 or kRiffErrCannotWrite (kRiffErrCannotSeek when the
    // position is past what a RIFF file can address).
    int createChunk(RiffChunk& chunk);

    // Bytes read (fewer at the end of the file), or -1 on an error.
    std::int64_t read(void* buffer, std::size_t count);
    bool write(const void* buffer, std::size_t count);
    bool seek(std::uint64_t position);
    std::uint64_t tell() const { return m_pos; }
    // The file's size, counting what is still buffered for writing.
    std::uint64_t size();
    bool flush();

private:
    bool fillFrom(std::uint64_t position);
    bool writeAt(std::uint64_t position, const void* buffer, std::size_t count);

    int m_fd = -1;
    bool m_ownsFd = false;
    Mode m_mode = Mode::Read;
    int m_errno = 0;
    std::uint64_t m_pos = 0;
    // One buffer serves reading or writing: reading keeps [m_bufStart, m_bufStart + m_bufLen)
    // of the file; writing keeps m_bufLen bytes that belong at m_bufStart.
    std::vector<unsigned char> m_buf;
    std::uint64_t m_bufStart = 0;
    std::size_t m_bufLen = 0;
    bool m_bufDirty = false;
};

}  // namespace sonthra
