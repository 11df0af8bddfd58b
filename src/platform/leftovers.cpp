#include "platform/leftovers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <set>
#include <utility>
#include <vector>

#include "platform/temp_file.h"

namespace sonthra {

namespace {

constexpr std::size_t kUniqueChars = 6;
constexpr std::size_t kSaveHexDigits = 10;
constexpr std::string_view kConvertPrefix = ".sonthra-convert-";
// A partial that changed this recently may belong to a writer between making and opening it.
constexpr std::time_t kQuietSeconds = 2;

bool isAlnum(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

bool isLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

using FileId = std::pair<dev_t, ino_t>;

// Every file some process we may look at holds open.
std::set<FileId> openFiles() {
    std::set<FileId> held;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return held;
    while (const dirent* process = ::readdir(proc)) {
        const std::string pid = process->d_name;
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
        const std::string fds = "/proc/" + pid + "/fd";
        DIR* dir = ::opendir(fds.c_str());
        if (dir == nullptr) continue;
        while (const dirent* fd = ::readdir(dir)) {
            if (fd->d_name[0] == '.') continue;
            struct stat st {};
            if (::stat((fds + "/" + fd->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                held.emplace(st.st_dev, st.st_ino);
            }
        }
        ::closedir(dir);
    }
    ::closedir(proc);
    return held;
}

// The process that made a safe replacement's partial: the first six of its ten digits.
bool makerAlive(std::string_view name) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || name.size() - dot - 1 != kSaveHexDigits) return false;
    const long pid = std::strtol(std::string(name.substr(dot + 1, 6)).c_str(), nullptr, 16);
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

}  // namespace

bool IsPartialFileName(std::string_view name) {
    if (name.size() < 2 || name.front() != '.') return false;
    const std::string_view rest = name.substr(1);
    if (rest.starts_with(kTemporaryPrefix) &&
        rest.size() >= kTemporaryPrefix.size() + kUniqueChars) {
        const auto unique = rest.substr(kTemporaryPrefix.size(), kUniqueChars);
        return std::all_of(unique.begin(), unique.end(), isAlnum);
    }
    if (name.starts_with(kConvertPrefix)) {
        const std::string_view unique = name.substr(kConvertPrefix.size());
        return unique.size() == kUniqueChars && std::all_of(unique.begin(), unique.end(), isAlnum);
    }
    const std::size_t dot = rest.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0 || rest.size() - dot - 1 != kSaveHexDigits) {
        return false;
    }
    const std::string_view hex = rest.substr(dot + 1);
    return std::all_of(hex.begin(), hex.end(), isLowerHex);
}

int RemoveAbandonedPartials(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return 0;
    const std::string head = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    std::vector<std::pair<std::string, FileId>> candidates;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsPartialFileName(entry->d_name)) continue;
        const std::string path = head + entry->d_name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
            now - st.st_mtim.tv_sec < kQuietSeconds || makerAlive(entry->d_name)) {
            continue;
        }
        candidates.emplace_back(path, FileId{st.st_dev, st.st_ino});
    }
    ::closedir(dir);
    if (candidates.empty()) return 0;
    const std::set<FileId> held = openFiles();
    int removed = 0;
    for (const auto& [path, id] : candidates) {
        if (!held.contains(id) && ::unlink(path.c_str()) == 0) ++removed;
    }
    return removed;
}

}  // namespace sonthra
