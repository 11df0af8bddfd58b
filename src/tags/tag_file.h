// File access shared by the tag writers: an owned descriptor and whole reads and writes at an
// offset that retry short transfers. Internal to the tags library.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

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

}  // namespace tagfile
}  // namespace sonthra
