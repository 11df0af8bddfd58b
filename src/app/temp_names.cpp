#include "app/temp_names.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/private_folder.h"
#include "platform/temp_file.h"
#include "settings/settings.h"

namespace sonthra {

namespace {

constexpr const char* kSuffix = ".tmp";

bool isFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The file is made with mode 0600 and O_EXCL, so the name is ours alone.
std::string makeIn(const std::string& folder, int& err) {
    std::string path = CreateTemporaryFile(folder, kSuffix);
    err = path.empty() ? errno : 0;
    return path;
}

}  // namespace

std::string ResolveTempFolder(const std::string& preferred) {
    const std::string chosen = isFolder(preferred) ? preferred : systemTempFolder();
    if (!IsSharedFolder(chosen)) return chosen;
    const std::string folder = PrivateFolderIn(chosen);
    return folder.empty() ? PrivateFolderIn(systemTempFolder()) : folder;
}

std::string ReserveTempName(const std::string& preferred, int* err) {
    int error = 0;
    std::string path = makeIn(ResolveTempFolder(preferred), error);
    if (path.empty()) path = makeIn(ResolveTempFolder({}), error);
    if (err) *err = error;
    return path;
}

}  // namespace sonthra
