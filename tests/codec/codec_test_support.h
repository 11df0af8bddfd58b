// Helpers of the codec tests: a scratch folder, files made by sox and ffmpeg, and the sample
// bytes of a WAV or of what ffmpeg decodes from a file.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "codec/pcm_wave.h"
#include "wma/wma_test_support.h"

namespace sonthra::testing {

struct ScratchFolder {
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "codec-test-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

// The header of a WAV as the codec layer reads it; dataOffset 0 when it cannot.
inline PcmWaveInfo waveInfo(const std::string& path) {
    PcmWaveInfo info;
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::string why;
    if (fd < 0 || !readPcmWaveHeader(fd, &info, &why)) info = PcmWaveInfo{};
    if (fd >= 0) ::close(fd);
    return info;
}

// The sample bytes of a WAV.
inline std::string waveData(const std::string& path) {
    const PcmWaveInfo info = waveInfo(path);
    std::string bytes(info.dataBytes, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return {};
    const ssize_t got =
        ::pread(fd, bytes.data(), bytes.size(), static_cast<off_t>(info.dataOffset));
    ::close(fd);
    return got == static_cast<ssize_t>(bytes.size()) ? bytes : std::string();
}

// What ffmpeg decodes from a file, as raw samples of format (s16le, s24le, f32le, ...).
inline std::string ffmpegSamples(const std::string& path, const std::string& format,
                                 const std::string& extra = {}) {
    return outputOf("ffmpeg -nostdin -v error -i " + shellQuoted(path) + " " + extra + " -f " +
                    format + " -");
}

}  // namespace sonthra::testing
