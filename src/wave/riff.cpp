#include "wave/riff.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace sonthra {
namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
// RIFF sizes and offsets are 32-bit: nothing may be written past this position.
constexpr std::uint64_t kRiffLimit = std::numeric_limits<std::uint32_t>::max();

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void putLe32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

bool isForm(std::uint32_t id) {
    return id == kRiffId || id == kListId;
}

bool parentFolderExists(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool isPrintableChunkId(const unsigned char* id) {
    return std::all_of(id, id + 4, [](unsigned char c) { return c >= 0x20 && c <= 0x7E; });
}

int riffOpenError(int err, const std::string& path) {
    switch (err) {
        case ENOENT:
            return parentFolderExists(path) ? kRiffErrFileNotFound : kRiffErrPathNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return kRiffErrPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return kRiffErrAccessDenied;
        case ETXTBSY:
        case EBUSY:
        case EAGAIN:
            return kRiffErrSharingViolation;
        case ENETDOWN:
        case ENETUNREACH:
        case EHOSTDOWN:
        case EHOSTUNREACH:
        case ETIMEDOUT:
        case ECONNREFUSED:
        case ECONNRESET:
        case ESTALE:
        case EREMOTEIO:
            return kRiffErrNetworkError;
        case EMFILE:
        case ENFILE:
            return kRiffErrTooManyOpenFiles;
        case ENOMEM:
            return kRiffErrOutOfMemory;
        case ENOSPC:
        case EDQUOT:
            return kRiffErrCannotExpand;
        default:
            return kRiffErrInvalidFile;
    }
}

int openRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

RiffFile::~RiffFile() {
    close();
}

int RiffFile::open(const std::string& path, Mode mode) {
    close();
    if (path.empty()) return kRiffErrFileNotFound;
    int flags = O_CLOEXEC | O_NONBLOCK;
    if (mode == Mode::Read) {
        flags |= O_RDONLY;
    } else if (mode == Mode::ReadWrite) {
        flags |= O_RDWR;
    } else {
        flags |= O_RDWR | O_CREAT | O_TRUNC;
    }
    // O_NONBLOCK keeps a named pipe from blocking the open; only regular files are accepted.
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        m_errno = errno;
        return riffOpenError(m_errno, path);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_errno = EINVAL;
        ::close(fd);
        return kRiffErrInvalidFile;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const int result = attach(fd, mode);
    m_ownsFd = true;
    return result;
}

int RiffFile::attach(int fd, Mode mode) {
    close();
    if (fd < 0) return kRiffErrInvalidFile;
    try {
        m_buf.resize(kBufferBytes);
    } catch (const std::bad_alloc&) {
        return kRiffErrOutOfMemory;
    }
    m_fd = fd;
    m_ownsFd = false;
    m_mode = mode;
    m_pos = 0;
    m_bufStart = 0;
    m_bufLen = 0;
    m_bufDirty = false;
    m_errno = 0;
    return kRiffOk;
}

int RiffFile::close() {
    if (m_fd < 0) return kRiffOk;
    int result = flush() ? kRiffOk : kRiffErrCannotWrite;
    if (m_ownsFd && ::close(m_fd) != 0 && result == kRiffOk) {
        m_errno = errno;
        result = kRiffErrCannotClose;
    }
    m_fd = -1;
    m_ownsFd = false;
    m_bufLen = 0;
    m_bufDirty = false;
    return result;
}

bool RiffFile::writeAt(std::uint64_t position, const void* buffer, std::size_t count) {
    const auto* p = static_cast<const unsigned char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::pwrite(m_fd, p, count, static_cast<off_t>(position));
        if (n < 0) {
            if (errno == EINTR) continue;
            m_errno = errno;
            return false;
        }
        if (n == 0) {
            m_errno = ENOSPC;
            return false;
        }
        p += n;
        count -= static_cast<std::size_t>(n);
        position += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool RiffFile::flush() {
    if (!m_bufDirty) return true;
    m_bufDirty = false;
    const std::size_t len = m_bufLen;
    m_bufLen = 0;
    return writeAt(m_bufStart, m_buf.data(), len);
}

bool RiffFile::fillFrom(std::uint64_t position) {
    m_bufStart = position;
    m_bufLen = 0;
    for (;;) {
        const ssize_t n = ::pread(m_fd, m_buf.data(), m_buf.size(), static_cast<off_t>(position));
        if (n < 0) {
            if (errno == EINTR) continue;
            m_errno = errno;
            return false;
        }
        m_bufLen = static_cast<std::size_t>(n);
        return true;
    }
}

std::int64_t RiffFile::read(void* buffer, std::size_t count) {
    if (m_fd < 0) return -1;
    if (!flush()) return -1;
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        if (m_pos >= m_bufStart && m_pos < m_bufStart + m_bufLen) {
            const std::size_t at = static_cast<std::size_t>(m_pos - m_bufStart);
            const std::size_t n = std::min(count - done, m_bufLen - at);
            std::memcpy(out + done, m_buf.data() + at, n);
            done += n;
            m_pos += n;
            continue;
        }
        if (count - done >= m_buf.size()) {
            // Large reads go straight to the caller's buffer.
            const ssize_t n = ::pread(m_fd, out + done, count - done, static_cast<off_t>(m_pos));
            if (n < 0) {
                if (errno == EINTR) continue;
                m_errno = errno;
                return -1;
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
            m_pos += static_cast<std::uint64_t>(n);
            continue;
        }
        if (!fillFrom(m_pos)) return -1;
        if (m_bufLen == 0) break;
    }
    return static_cast<std::int64_t>(done);
}

bool RiffFile::write(const void* buffer, std::size_t count) {
    if (m_fd < 0 || m_mode == Mode::Read) return false;
    if (!m_bufDirty) m_bufLen = 0;  // drop what was buffered for reading
    if (m_bufDirty && m_pos != m_bufStart + m_bufLen && !flush()) return false;
    if (m_bufLen + count > m_buf.size()) {
        if (!flush()) return false;
        if (count >= m_buf.size()) {
            if (!writeAt(m_pos, buffer, count)) return false;
            m_pos += count;
            return true;
        }
    }
    if (m_bufLen == 0) m_bufStart = m_pos;
    std::memcpy(m_buf.data() + m_bufLen, buffer, count);
    m_bufLen += count;
    m_bufDirty = true;
    m_pos += count;
    return true;
}

bool RiffFile::seek(std::uint64_t position) {
    if (m_fd < 0 || position > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        return false;
    }
    m_pos = position;
    return true;
}

std::uint64_t RiffFile::size() {
    if (m_fd < 0) return 0;
    struct stat st {};
    std::uint64_t onDisk = ::fstat(m_fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    if (m_bufDirty) onDisk = std::max<std::uint64_t>(onDisk, m_bufStart + m_bufLen);
    return onDisk;
}

std::uint64_t RiffFile::afterChunk(std::uint64_t dataOffset, std::uint64_t size) {
    const std::uint64_t end = dataOffset + size;
    if ((size & 1u) == 0) return end;
    const std::uint64_t fileSize = this->size();
    // A chunk id at a position, and when bodyFits, a size that the file holds.
    auto headerAt = [&](std::uint64_t at, bool bodyFits) {
        unsigned char header[8];
        if (at + 8 > fileSize || !seek(at) || read(header, 8) != 8) return false;
        return isPrintableChunkId(header) &&
               (!bodyFits || at + 8 + le32(header + 4) <= fileSize + 1);
    };
    // A pad byte is 0, so an id where it was due means that it is missing; but a whole chunk
    // after a pad byte wins over an id made of what a pad byte held.
    if (headerAt(end + 1, true) || !headerAt(end, false)) return end + 1;
    return end;
}

int RiffFile::descend(RiffChunk& chunk, const RiffChunk* parent, RiffFind how) {
    if (m_fd < 0) return kRiffErrCannotRead;
    const std::uint64_t fileSize = size();
    const std::uint64_t bound = parent ? std::min(parent->end(), fileSize) : fileSize;
    std::uint64_t pos = m_pos;
    if (parent && pos < parent->dataOffset + (isForm(parent->id) ? 4 : 0)) {
        pos = parent->dataOffset + (isForm(parent->id) ? 4 : 0);
    }
    while (pos + 8 <= bound) {
        unsigned char header[12];
        if (!seek(pos)) return kRiffErrCannotRead;
        const std::int64_t got = read(header, 8);
        if (got < 0) return kRiffErrCannotRead;
        if (got < 8) break;
        RiffChunk found;
        found.id = le32(header);
        found.statedSize = le32(header + 4);
        found.dataOffset = pos + 8;
        const std::uint64_t available = fileSize - found.dataOffset;
        found.size = found.statedSize;
        // Only the outer form's size is left 0 by a writer that stopped early; an empty LIST
        // inside it is just empty.
        if (found.statedSize > available || (found.id == kRiffId && found.statedSize == 0)) {
            found.size = static_cast<std::uint32_t>(std::min<std::uint64_t>(available, kRiffLimit));
            found.flags |= kChunkRepaired;
        }
        bool matches = false;
        if (isForm(found.id) && found.size >= 4) {
            if (read(header + 8, 4) != 4) return kRiffErrCannotRead;
            found.formType = le32(header + 8);
        }
        switch (how) {
            case RiffFind::Next:
                matches = true;
                break;
            case RiffFind::ChunkId:
                matches = found.id == chunk.id;
                break;
            case RiffFind::RiffForm:
                matches =
                    found.id == kRiffId && found.size >= 4 && found.formType == chunk.formType;
                break;
            case RiffFind::AnyRiff:
                matches = found.id == kRiffId && found.size >= 4;
                break;
            case RiffFind::ListForm:
                matches =
                    found.id == kListId && found.size >= 4 && found.formType == chunk.formType;
                break;
        }
        if (matches) {
            chunk = found;
            m_pos = found.dataOffset + (isForm(found.id) && found.size >= 4 ? 4 : 0);
            return kRiffOk;
        }
        // Chunks of odd size are followed by one pad byte.
        pos = afterChunk(found.dataOffset, found.size);
    }
    return kRiffErrChunkNotFound;
}

int RiffFile::ascend(RiffChunk& chunk) {
    if (m_fd < 0) return kRiffErrCannotSeek;
    if (chunk.flags & kChunkDirty) {
        if (m_pos < chunk.dataOffset) return kRiffErrCannotSeek;
        const std::uint64_t written = m_pos - chunk.dataOffset;
        if (written > kRiffLimit) {
            m_errno = EFBIG;
            return kRiffErrCannotWrite;
        }
        if (written & 1) {
            const unsigned char pad = 0;
            if (!write(&pad, 1)) return kRiffErrCannotWrite;
        }
        const std::uint64_t end = m_pos;
        unsigned char size[4];
        putLe32(size, static_cast<std::uint32_t>(written));
        if (!flush() || !writeAt(chunk.dataOffset - 4, size, 4)) return kRiffErrCannotWrite;
        chunk.size = chunk.statedSize = static_cast<std::uint32_t>(written);
        chunk.flags &= ~kChunkDirty;
        m_pos = end;
        return kRiffOk;
    }
    return seek(afterChunk(chunk.dataOffset, chunk.size)) ? kRiffOk : kRiffErrCannotSeek;
}

int RiffFile::createChunk(RiffChunk& chunk) {
    if (m_fd < 0 || m_mode == Mode::Read) return kRiffErrCannotWrite;
    const bool form = isForm(chunk.id);
    if (m_pos + 12 > kRiffLimit) {
        m_errno = EFBIG;
        return kRiffErrCannotExpand;
    }
    unsigned char header[12];
    putLe32(header, chunk.id);
    putLe32(header + 4, chunk.size);
    putLe32(header + 8, chunk.formType);
    const std::uint64_t start = m_pos;
    if (!write(header, form ? 12 : 8)) return kRiffErrCannotWrite;
    chunk.dataOffset = start + 8;
    chunk.statedSize = chunk.size;
    chunk.flags = kChunkDirty;
    return kRiffOk;
}

}  // namespace sonthra
