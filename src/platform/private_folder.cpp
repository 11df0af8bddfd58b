#include "platform/private_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

namespace sonthra {

namespace {

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Makes each missing folder of path, each new one 0700, and checks the last.
int makeFolders(const std::string& path) {
    for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        if (::mkdir(path.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST) return errno;
    }
    return EnsurePrivateFolder(path);
}

}  // namespace

std::string UserHomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

int EnsurePrivateFolder(const std::string& path) {
    if (path.empty()) return ENOENT;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return EEXIST;
    if (st.st_uid != ::geteuid()) return EPERM;
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), st.st_mode & 0700) != 0) return errno;
    return 0;
}

bool IsSharedFolder(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 || st.st_uid != ::geteuid();
}

std::string PrivateFolderIn(const std::string& folder) {
    const std::string base = withoutTrailingSlash(folder.empty() ? "." : folder);
    if (!IsSharedFolder(base)) return base;
    const std::string own = (base == "/" ? "" : base) + "/sonthra-" + std::to_string(::geteuid());
    const int made = EnsurePrivateFolder(own);
    if (made == 0) return own;
    // Someone else holds the usual name: a folder of a new name, kept for this process so that
    // its files stay together.
    static std::mutex mutex;
    static std::map<std::string, std::string> instead;
    std::lock_guard lock(mutex);
    const auto it = instead.find(base);
    if (it != instead.end() && EnsurePrivateFolder(it->second) == 0) return it->second;
    std::string pattern = own + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    instead[base] = pattern;
    return pattern;
}

std::string UserCacheFolder(const std::string& name) {
    std::string cache;
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    // A relative XDG_CACHE_HOME is invalid and is to be ignored.
    if (xdg != nullptr && xdg[0] == '/') {
        cache = withoutTrailingSlash(xdg);
    } else {
        const std::string home = UserHomeFolder();
        if (home.empty()) {
            errno = ENOENT;
            return {};
        }
        cache = withoutTrailingSlash(home) + "/.cache";
    }
    const std::string folder = cache + "/Corvanta/Sonthra/" + name;
    const int made = makeFolders(folder);
    if (made != 0) {
        errno = made;
        return {};
    }
    return folder;
}

bool IsOwnLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && st.st_uid == ::geteuid();
}

}  // namespace sonthra
