#include "tags/tag_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "wave/safe_file.h"

namespace sonthra::tagfile {

Fd::~Fd() {
    if (m_fd >= 0) ::close(m_fd);
}

bool Fd::close() {
    const int fd = m_fd;
    m_fd = -1;
    return fd < 0 || ::close(fd) == 0;
}

int openRegular(const std::string& path, bool write) {
    // O_NONBLOCK keeps a named pipe from blocking the open; only regular files are accepted.
    const int fd = ::open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::int64_t sizeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

bool readAt(int fd, std::uint64_t offset, std::size_t count, std::string& out) {
    out.resize(count);
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, out.data() + got, count - got, offset + got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return true;
}

bool writeAt(int fd, std::uint64_t offset, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool copyRange(int fd, std::uint64_t from, std::uint64_t to, SafeFileWriter& writer) {
    constexpr std::size_t kBlock = 1 << 20;
    std::string block;
    while (from < to) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, to - from));
        if (!readAt(fd, from, want, block) || block.size() != want) return false;
        if (!writer.write(block)) return false;
        from += want;
    }
    return true;
}

bool rebuildFile(int fd, const std::string& path, std::vector<Patch> patches,
                 std::uint64_t keepUntil, const std::string& insert, std::uint64_t resumeAt,
                 std::uint64_t fileSize) {
    std::sort(patches.begin(), patches.end(),
              [](const Patch& a, const Patch& b) { return a.at < b.at; });
    SafeFileWriter writer(path);
    if (!writer.open()) return false;
    std::uint64_t at = 0;
    for (const Patch& patch : patches) {
        if (patch.at < at || patch.at + patch.bytes.size() > keepUntil) return false;
        if (!copyRange(fd, at, patch.at, writer) || !writer.write(patch.bytes)) return false;
        at = patch.at + patch.bytes.size();
    }
    return copyRange(fd, at, keepUntil, writer) && writer.write(insert) &&
           copyRange(fd, resumeAt, fileSize, writer) && writer.commit();
}

bool mustReplace(const std::string& path) {
    return ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM) &&
           ::access(folderOf(path).c_str(), W_OK | X_OK) == 0;
}

bool cannotWriteOrReplace(const std::string& path) {
    return ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM) &&
           ::access(folderOf(path).c_str(), W_OK | X_OK) != 0;
}

}  // namespace sonthra::tagfile
