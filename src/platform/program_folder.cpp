#include "platform/program_folder.h"

#include <filesystem>
#include <system_error>

namespace sonthra {

std::string programFolder() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !self.has_parent_path()) return ".";
    return self.parent_path().string();
}

}  // namespace sonthra
