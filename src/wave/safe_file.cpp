#include "wave/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/private_folder.h"
#include "wave/file_release.h"

namespace sonthra {
namespace {

std::atomic<unsigned> g_counter{0};

std::string baseOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A symbolic link of the user's own is replaced through what it points at, so that the link
// survives. A link someone else made (planted in a shared folder, say) is never followed: its
// target may be any file of the user's. Empty when the chain holds such a link or loops.
std::string resolvedTarget(const std::string& target) {
    std::string path = target;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        if (!IsOwnLink(path)) return {};
        char next[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), next, sizeof next - 1);
        if (n <= 0) return {};
        const std::string to(next, static_cast<std::size_t>(n));
        path = to.front() == '/' ? to : folderOf(path) + "/" + to;
    }
    return {};
}

// Puts temp in target's place without a flush. Renaming over an existing file makes ext4 start
// writing the new file out at once (its guard for programs that replace files without fsync),
// which can cost an unflushed file of a gigabyte most of a second; exchanging the two names
// and then removing the old file under the temporary name is the same change of the target,
// just as atomic, without that. Plain rename where the target is not a regular file or the
// file system cannot exchange names.
bool moveIntoPlace(const std::string& temp, const std::string& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        unlinkInBackground(temp);
        return true;
    }
    return ::rename(temp.c_str(), target.c_str()) == 0;
}

}  // namespace

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

SafeFileWriter::SafeFileWriter(std::string target, std::optional<mode_t> mode)
    : m_target(resolvedTarget(target)),
      m_mode(mode),
      m_refused(m_target.empty() && !target.empty()) {
    if (m_refused) m_target = std::move(target);
}

SafeFileWriter::~SafeFileWriter() {
    discard();
}

bool SafeFileWriter::fail(int err) {
    if (m_error == 0) m_error = err;
    discard();
    return false;
}

bool SafeFileWriter::open() {
    discard();
    m_error = 0;
    if (m_refused) return fail(ELOOP);
    if (m_target.empty() || m_target.back() == '/') return fail(EINVAL);
    const std::string stem = folderOf(m_target) + "/." + baseOf(m_target) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        char suffix[32];
        // The maker's process number comes first, so that a later run can tell a partial file
        // whose maker was killed from one still being written (platform/leftovers.h).
        std::snprintf(
            suffix, sizeof suffix, "%06x%04x", static_cast<unsigned>(::getpid()) & 0xFFFFFFu,
            static_cast<unsigned>((g_counter.fetch_add(1) * 2654435761u >> 16) ^ tick) & 0xFFFFu);
        const std::string candidate = stem + suffix;
        // 0666 lets the umask decide, as for any new file of the user's.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              m_mode.value_or(0666));
        if (fd >= 0) {
            m_fd = fd;
            m_temp = candidate;
            break;
        }
        if (errno != EEXIST) return fail(errno);
    }
    if (m_fd < 0) return fail(EEXIST);
    struct stat st {};
    if (m_mode) {
        if (::fchmod(m_fd, *m_mode) != 0) return fail(errno);
    } else if (::stat(m_target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        if (::fchmod(m_fd, st.st_mode & 07777) != 0) return fail(errno);
    }
    return true;
}

bool SafeFileWriter::write(std::string_view bytes) {
    if (m_fd < 0) return fail(m_error ? m_error : EBADF);
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        if (n == 0) return fail(ENOSPC);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool SafeFileWriter::commit(bool flush) {
    if (m_fd < 0) return fail(m_error ? m_error : EBADF);
    // A full disk may only show itself when the data reaches it, at fsync or close.
    if (flush && ::fsync(m_fd) != 0) return fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return fail(errno);
    if (!flush) {
        if (!moveIntoPlace(m_temp, m_target)) return fail(errno);
        m_temp.clear();
        return true;
    }
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) return fail(errno);
    m_temp.clear();
    const int folder = ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

void SafeFileWriter::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

bool writeFileSafely(const std::string& path, std::string_view bytes, std::optional<mode_t> mode,
                     int* err) {
    SafeFileWriter writer(path, mode);
    const bool ok = writer.open() && writer.write(bytes) && writer.commit();
    if (err) *err = ok ? 0 : writer.error();
    return ok;
}

}  // namespace sonthra
