#include "settings/settings_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace sonthra::settings_file {

namespace {

int openRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void syncFolder(const std::filesystem::path& folder) {
    const int fd = openRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    // Some file systems refuse to flush a folder; the rename itself has already happened.
    (void)::fsync(fd);
    ::close(fd);
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
    std::filesystem::path folder = file.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

ReadResult readFile(const std::filesystem::path& file, std::string& text) {
    text.clear();
    const int fd = openRetrying(file.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Error;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Error;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) {
        ::close(fd);
        return ReadResult::TooLarge;
    }
    // Read to the end rather than trusting the size: the file may change under a reader that
    // does not hold the lock, and a short or long read must not overflow anything.
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            text.clear();
            return ReadResult::Error;
        }
        if (n == 0) break;
        if (text.size() + static_cast<std::size_t>(n) > kMaxFileSize) {
            ::close(fd);
            text.clear();
            return ReadResult::TooLarge;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ReadResult::Ok;
}

bool canReplace(const std::filesystem::path& file) {
    std::filesystem::path folder = folderOf(file);
    std::error_code ec;
    while (!std::filesystem::exists(folder, ec) && folder.has_relative_path()) {
        folder = folder.parent_path();
    }
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool makeFolders(const std::filesystem::path& folder) {
    if (folder.empty()) return true;  // the current folder
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    std::filesystem::path built;
    for (const auto& part : folder) {
        built /= part;
        if (::mkdir(built.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return std::filesystem::is_directory(folder, ec);
}

WriterLock::WriterLock(const std::filesystem::path& file, std::chrono::milliseconds wait) {
    std::filesystem::path lockFile = file;
    lockFile += ".lock";
    const int fd = openRetrying(lockFile.c_str(), O_RDWR | O_CREAT | O_NONBLOCK, 0600);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    const auto giveUp = std::chrono::steady_clock::now() + wait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= giveUp) {
            ::close(fd);
            return;
        }
        ::usleep(10000);
    }
    m_fd = fd;
}

WriterLock::~WriterLock() {
    // Closing the descriptor releases the lock.
    if (m_fd >= 0) ::close(m_fd);
}

std::string temporaryPrefix(const std::filesystem::path& file) {
    return "." + file.filename().string() + ".tmp-";
}

bool replaceFile(const std::filesystem::path& file, std::string_view text) {
    const std::filesystem::path folder = folderOf(file);
    std::string name = (folder / temporaryPrefix(file)).string() + "XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    // mkstemp creates the file with mode 0600 whatever the umask.
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) return false;
    const char* temporary = buffer.data();
    bool ok = ::fchmod(fd, 0600) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temporary, file.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary);
        return false;
    }
    syncFolder(folder);
    return true;
}

void removeStaleTemporaries(const std::filesystem::path& file) {
    const std::filesystem::path folder = folderOf(file);
    const std::string prefix = temporaryPrefix(file);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.starts_with(prefix) && name.size() == prefix.size() + 6) stale.emplace_back(name);
    }
    ::closedir(dir);
    for (const auto& name : stale) ::unlink((folder / name).c_str());
}

bool setAside(const std::filesystem::path& file) {
    std::filesystem::path aside = file;
    aside += ".corrupt";
    if (::rename(file.c_str(), aside.c_str()) != 0) return false;
    syncFolder(folderOf(file));
    return true;
}

}  // namespace sonthra::settings_file
