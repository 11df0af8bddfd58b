// File access shared by the tag writers: an owned descriptor and whole reads and writes at an
// offset that retry short transfers. Internal to the tags library.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sonthra {

class SafeFileWriter;

namespace tagfile {

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd();
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closing reports the errors a delayed write surfaces only there.
    bool close();

private:
    int m_fd;
};

// Opens an existing regular file; -1 (and nothing opened) otherwise.
int openRegular(const std::string& path, bool write);
// The size of an open file, -1 on a failure.
std::int64_t sizeOf(int fd);
// Reads up to count bytes at offset into out (resized to what was read). False on an error.
bool readAt(int fd, std::uint64_t offset, std::size_t count, std::string& out);
bool writeAt(int fd, std::uint64_t offset, const std::string& bytes);
// Appends the bytes [from, to) of fd to the writer.
bool copyRange(int fd, std::uint64_t from, std::uint64_t to, SafeFileWriter& writer);

// Bytes laid over the old content at an offset.
struct Patch {
    std::uint64_t at = 0;
    std::string bytes;
};

// Writes a new file beside path and renames it over path (its permissions kept, so a read-only
// file stays read-only): the old bytes [0, keepUntil) with the patches laid over them, then
// insert, then the old bytes [resumeAt, fileSize). False, path as it was, on any failure.
bool rebuildFile(int fd, const std::string& path, std::vector<Patch> patches,
                 std::uint64_t keepUntil, const std::string& insert, std::uint64_t resumeAt,
                 std::uint64_t fileSize);

// True when the file may not be written but a new file may take its place in its folder (the
// way a save replaces a read-only file).
bool mustReplace(const std::string& path);
// True when the file can neither be written nor replaced.
bool cannotWriteOrReplace(const std::string& path);

}  // namespace tagfile
}  // namespace sonthra
