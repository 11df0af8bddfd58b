// Helpers of the view tests: WAV files made from sample values, and the peaks those values
// must give, computed the slow and obvious way.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "view/peak_data.h"
#include "wave/wave_test_files.h"

namespace sonthra::testing {

// Interleaved sample values (8-bit ones as stored, 0..255) as the bytes of a "data" chunk.
inline std::string sampleBytes(const std::vector<int>& values, int bits) {
    std::string s;
    for (int v : values) {
        if (bits == 16) {
            put16(s, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
        } else {
            s.push_back(static_cast<char>(static_cast<unsigned char>(v)));
        }
    }
    return s;
}

inline void writeWav(const std::string& path, int channels, int bits,
                     const std::vector<int>& values, std::uint32_t rate = 44100) {
    writeBytes(path, wavBytes(static_cast<std::uint16_t>(channels), rate,
                              static_cast<std::uint16_t>(bits), sampleBytes(values, bits)));
}

// Per channel, per block of 32 frames, the least and greatest value.
inline std::vector<PeakData::Channel> naivePeaks(const std::vector<int>& values, int channels) {
    const std::size_t frames = values.size() / channels;
    std::vector<PeakData::Channel> out(channels, PeakData::Channel(peakBlockCount(frames), TPeak{}));
    for (int c = 0; c < channels; ++c) {
        for (std::size_t b = 0; b < out[c].size(); ++b) {
            int lo = 1 << 20;
            int hi = -(1 << 20);
            for (std::size_t f = b * 32; f < std::min(frames, b * 32 + 32); ++f) {
                lo = std::min(lo, values[f * channels + c]);
                hi = std::max(hi, values[f * channels + c]);
            }
            out[c][b] = {static_cast<std::int16_t>(lo), static_cast<std::int16_t>(hi)};
        }
    }
    return out;
}

// Pseudo-random values in [lo, hi], the same on every run.
inline std::vector<int> noise(std::size_t count, int lo, int hi, std::uint32_t seed = 1) {
    std::vector<int> out(count);
    std::uint32_t x = seed;
    for (auto& v : out) {
        x = x * 1664525u + 1013904223u;
        v = lo + static_cast<int>((x >> 8) % static_cast<std::uint32_t>(hi - lo + 1));
    }
    return out;
}

// Sets a file's last-write time to seconds since the epoch.
inline void setWriteTime(const std::string& path, long seconds) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = seconds;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace sonthra::testing
