// The fuzz targets' input file: the bytes of one run written into a folder of the process's
// own, which is removed when the process ends.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace sonthra::fuzzing {

struct Folder {
    Folder() {
        char pattern[] = "/tmp/sonthra-convert-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path = made ? made : "";
    }
    ~Folder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

inline const std::string& folder() {
    static const Folder made;
    return made.path;
}

// Writes the bytes as folder()/name and returns its path.
inline std::string inputFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = folder() + "/" + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

}  // namespace sonthra::fuzzing
