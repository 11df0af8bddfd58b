#include "convert/mp3_target.h"

#include <sys/stat.h>

namespace sonthra {

std::optional<mode_t> mp3TargetMode(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return std::nullopt;
    return static_cast<mode_t>((st.st_mode & 07777) | S_IWUSR);
}

}  // namespace sonthra
