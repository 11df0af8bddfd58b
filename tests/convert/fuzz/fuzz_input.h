// The fuzz targets' input file: the bytes of one run written into a folder of the process's
// own, which is removed when the process ends.
//
// The folder lies in memory (/dev/shm) where there is one: the code under test writes its
// output beside a temporary name, flushes it and renames it over the last run's, and on a file
// system on disk every run would wait for the disk. The flush still runs; in memory it is
// merely cheap.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace sonthra::fuzzing {

// The first of /dev/shm, $TMPDIR and /tmp that this process can write in.
inline std::string scratchRoot() {
    for (const char* root : {"/dev/shm", static_cast<const char*>(std::getenv("TMPDIR")), "/tmp"})
        if (root && *root && ::access(root, W_OK | X_OK) == 0) return root;
    return ".";
}

struct Folder {
    explicit Folder(const std::string& stem) {
        std::string pattern = scratchRoot() + "/" + stem + "-XXXXXX";
        const char* made = ::mkdtemp(pattern.data());
        path = made ? made : "";
    }
    ~Folder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

inline const std::string& folder() {
    static const Folder made("sonthra-convert-fuzz");
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
