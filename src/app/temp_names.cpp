#include "app/temp_names.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "settings/settings.h"

namespace sonthra {

namespace {

constexpr const char* kSuffix = ".tmp";

bool isFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string withoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// mkstemps creates the file with mode 0600 and O_EXCL, so the name is ours alone.
std::string makeIn(const std::string& folder, int& err) {
    std::string pattern = withoutTrailingSlash(folder);
    if (pattern != "/") pattern += '/';
    pattern += kTempNamePrefix;
    pattern += "XXXXXX";
    pattern += kSuffix;
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd =
        ::mkstemps(buffer.data(), static_cast<int>(std::char_traits<char>::length(kSuffix)));
    if (fd < 0) {
        err = errno;
        return {};
    }
    ::close(fd);
    err = 0;
    return std::string(buffer.data());
}

}  // namespace

std::string ResolveTempFolder(const std::string& preferred) {
    return isFolder(preferred) ? preferred : systemTempFolder();
}

std::string ReserveTempName(const std::string& preferred, int* err) {
    int error = 0;
    std::string path = makeIn(ResolveTempFolder(preferred), error);
    if (path.empty()) path = makeIn(systemTempFolder(), error);
    if (err) *err = error;
    return path;
}

}  // namespace sonthra
