#include "ftp/ftp_paths.h"

#include <vector>

namespace sonthra::ftp {

bool isSafeRemoteText(std::string_view text) {
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\0') return false;
    }
    return true;
}

std::string withoutTrailingSlash(std::string_view path) {
    if (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.remove_suffix(1);
    return std::string(path);
}

std::string resolveRemotePath(std::string_view base, std::string_view path) {
    std::vector<std::string_view> segments;
    auto add = [&](std::string_view text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('/', start);
            if (end == std::string_view::npos) end = text.size();
            const std::string_view segment = text.substr(start, end - start);
            start = end + 1;
            if (segment.empty() || segment == ".") continue;
            if (segment == "..") {
                if (!segments.empty()) segments.pop_back();
                continue;
            }
            segments.push_back(segment);
        }
    };
    if (path.empty() || path.front() != '/') add(base);
    add(path);
    std::string out;
    for (const auto& segment : segments) {
        out += '/';
        out += segment;
    }
    return out.empty() ? "/" : out;
}

std::string localFileName(std::string_view path) {
    const std::size_t cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string temporaryRemoteName(std::string_view name, std::string_view tag) {
    const std::size_t extra = 1 + 1 + tag.size() + 5;
    const std::size_t keep = extra >= 255 ? 0 : std::min(name.size(), 255 - extra);
    return "." + std::string(name.substr(0, keep)) + "." + std::string(tag) + ".part";
}

}  // namespace sonthra::ftp
