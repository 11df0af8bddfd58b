// Shared pieces of the view benchmarks: making a large 16-bit stereo WAV file of noise-like
// samples, timing, and the process's memory figures.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace sonthra::bench {

inline void put16(unsigned char*& p, std::uint16_t v) {
    *p++ = static_cast<unsigned char>(v);
    *p++ = static_cast<unsigned char>(v >> 8);
}
inline void put32(unsigned char*& p, std::uint32_t v) {
    put16(p, static_cast<std::uint16_t>(v));
    put16(p, static_cast<std::uint16_t>(v >> 16));
}

// Writes a 16-bit stereo 44.1 kHz WAV file of frames frames whose level swells and fades, so
// that every zoom has something to draw. Returns false when the file cannot be written.
inline bool makeStereoWav(const std::string& path, std::uint64_t frames) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    const std::uint64_t dataBytes = frames * 4;
    unsigned char header[46];
    unsigned char* p = header;
    std::copy_n("RIFF", 4, p), p += 4;
    put32(p, static_cast<std::uint32_t>(38 + dataBytes));
    std::copy_n("WAVEfmt ", 8, p), p += 8;
    put32(p, 18);
    put16(p, 1);
    put16(p, 2);
    put32(p, 44100);
    put32(p, 44100 * 4);
    put16(p, 4);
    put16(p, 16);
    put16(p, 0);
    std::copy_n("data", 4, p), p += 4;
    put32(p, static_cast<std::uint32_t>(dataBytes));
    bool ok = ::write(fd, header, sizeof header) == sizeof header;
    std::vector<unsigned char> chunk(1 << 20);
    std::uint32_t x = 12345;
    for (std::uint64_t f = 0; ok && f < frames;) {
        const std::uint64_t n = std::min<std::uint64_t>(chunk.size() / 4, frames - f);
        unsigned char* q = chunk.data();
        for (std::uint64_t i = 0; i < n; ++i, ++f) {
            x = x * 1664525u + 1013904223u;
            const int level = static_cast<int>((f / 44100) % 60) * 500 + 500;
            const int v = static_cast<int>((x >> 16) % (2 * level)) - level;
            put16(q, static_cast<std::uint16_t>(v));
            put16(q, static_cast<std::uint16_t>(-v / 2));
        }
        ok = ::write(fd, chunk.data(), n * 4) == static_cast<ssize_t>(n * 4);
    }
    return ::close(fd) == 0 && ok;
}

inline std::string tempFile(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/" + name;
}

// The benchmark's input: the WAV named on the command line (made when missing, and kept), or
// else one of frames frames made under name in the temporary folder (made says so: remove it
// at the end). An empty path when it cannot be written.
inline std::string inputWav(int argc, char** argv, const std::string& name, std::uint64_t frames,
                            bool& made) {
    const std::string path = argc > 1 ? argv[1] : tempFile(name);
    made = argc <= 1;
    if (made || ::access(path.c_str(), R_OK) != 0) {
        std::printf("making %s (%.0f MiB of samples)...\n", path.c_str(), frames * 4.0 / (1 << 20));
        if (!makeStereoWav(path, frames)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return {};
        }
    }
    return path;
}

// Seconds taken by the fastest of runs calls of work.
inline double bestSeconds(int runs, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// A figure of /proc/self/status in kB ("VmRSS", "VmHWM"), 0 when absent.
inline long statusKb(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    }
    return 0;
}

// Resets the high-water mark of the resident set, so that VmHWM measures from here on.
inline void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double fastest(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

inline std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace sonthra::bench
