#include "sequence/block_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "wave/file_copy.h"

namespace sonthra {
namespace {

// "Invalid temporary file location specified": the folder is missing, a link or not ours.
constexpr int kBadFolderMessage = 180;

}  // namespace

int Workspace::open(const std::string& folder, std::unique_ptr<Workspace>* out) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return kBadFolderMessage;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return kBadFolderMessage;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() ||
        ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0)) {
        ::close(fd);
        return kBadFolderMessage;
    }
    out->reset(new Workspace(folder, fd));
    return 0;
}

Workspace::~Workspace() {
    if (m_fd >= 0) ::close(m_fd);
}

int Workspace::openFile(const std::string& name, bool writing) const {
    // Opened without waiting, so that a pipe or a device in a file's place cannot hang us, and
    // refused unless it is a plain file; then blocking again, since the kernel's splice of a
    // file opened without waiting gives up on every page not yet read.
    const int fd = ::openat(m_fd, name.c_str(),
                            (writing ? O_RDWR : O_RDONLY) | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

int Workspace::createFile(const std::string& name) const {
    return ::openat(m_fd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

bool Workspace::removeFile(const std::string& name) const {
    return ::unlinkat(m_fd, name.c_str(), 0) == 0;
}

bool Workspace::renameFile(const std::string& from, const std::string& to) const {
    return ::renameat(m_fd, from.c_str(), m_fd, to.c_str()) == 0;
}

bool Workspace::sync() const {
    return ::fsync(m_fd) == 0;
}

std::vector<std::string> Workspace::fileNames() const {
    std::vector<std::string> names;
    const int fd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return names;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return names;
    }
    while (const dirent* e = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(m_fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            names.emplace_back(e->d_name);
        }
    }
    ::closedir(dir);
    return names;
}

std::uint64_t Workspace::diskBytes(const std::vector<std::string>& names) const {
    std::uint64_t total = 0;
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(m_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            total += static_cast<std::uint64_t>(st.st_blocks) * 512;
        }
    }
    return total;
}

BlockFile::~BlockFile() {
    if (m_fd >= 0) ::close(m_fd);
}

std::string blockFileName(BlockId id) {
    char name[32];
    std::snprintf(name, sizeof name, "block-%08x.pcm", static_cast<unsigned>(id));
    return name;
}

NewAudio::NewAudio(const Workspace& workspace, const WaveFormat& format, BlockId id)
    : m_workspace(workspace), m_blockAlign(format.blockAlign) {
    m_entry.id = id;
    m_entry.name = blockFileName(id);
    m_fd = workspace.createFile(m_entry.name);
    if (m_fd < 0) m_error = errno ? errno : EIO;
    if (m_blockAlign == 0) fail(EINVAL);
}

NewAudio::~NewAudio() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_workspace.removeFile(m_entry.name);
    }
}

bool NewAudio::fail(int err) {
    if (m_error == 0) m_error = err ? err : EIO;
    return false;
}

bool NewAudio::append(const void* bytes, std::size_t count) {
    if (m_error != 0 || m_fd < 0) return fail(EBADF);
    if (count % m_blockAlign != 0) return fail(EINVAL);
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n =
            ::pwrite(m_fd, p + done, count - done, static_cast<off_t>(m_bytes + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    m_bytes += count;
    return true;
}

bool NewAudio::appendFrom(int fd, std::uint64_t offset, std::uint64_t count) {
    if (m_error != 0 || m_fd < 0) return fail(EBADF);
    if (count % m_blockAlign != 0) return fail(EINVAL);
    const CopyResult r = copyFileBytes(fd, offset, m_fd, m_bytes, count);
    if (!r.ok()) return fail(r.error);
    m_bytes += count;
    return true;
}

bool NewAudio::flush() {
    if (m_error != 0 || m_fd < 0) return fail(EBADF);
    return ::fdatasync(m_fd) == 0 || fail(errno);
}

std::uint64_t NewAudio::frames() const {
    return m_blockAlign ? m_bytes / m_blockAlign : 0;
}

std::shared_ptr<BlockFile> NewAudio::take() {
    BlockEntry entry = m_entry;
    entry.frames = frames();
    auto file = std::make_shared<BlockFile>(std::move(entry), m_fd);
    m_fd = -1;
    return file;
}

}  // namespace sonthra
