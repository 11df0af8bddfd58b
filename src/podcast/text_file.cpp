#include "podcast/text_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "podcast/text_rules.h"
#include "wave/safe_file.h"

namespace sonthra::podcast {

namespace {

Status fileError(const std::string& what, const std::string& path, int err) {
    return Status::failure(what + " \"" + path + "\". " + std::strerror(err));
}

}  // namespace

Status readTextLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return fileError("Cannot open file", path, errno);
    if (!S_ISREG(info.st_mode)) return fileError("Cannot open file", path, EISDIR);
    if (static_cast<unsigned long long>(info.st_size) > kMaxTextFileBytes) {
        return fileError("Cannot open file", path, EFBIG);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return fileError("Cannot open file", path, errno != 0 ? errno : EACCES);
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return fileError("Cannot read file", path, EIO);
    const std::string bytes = text.str();
    if (bytes.size() > kMaxTextFileBytes) return fileError("Cannot open file", path, EFBIG);
    lines = splitLines(bytes);
    return {};
}

Status writeTextLines(const std::string& path, const std::vector<std::string>& lines,
                      std::optional<mode_t> mode) {
    int err = 0;
    if (!writeFileSafely(path, joinLines(lines), mode, &err)) {
        return fileError("Cannot create file", path, err != 0 ? err : EIO);
    }
    return {};
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace sonthra::podcast
