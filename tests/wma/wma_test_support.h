// Helpers of the WMA tests: where the built WMA libraries are, and WMA files made by the
// ffmpeg command.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "convert/convert_test_support.h"

namespace sonthra::testing {

inline std::string binaryDir() {
    const char* dir = std::getenv("SONTHRA_BINARY_DIR");
    return dir ? dir : ".";
}
inline std::string playbackLibraryPath() {
    return binaryDir() + "/bin/PlayBackEngine.so";
}
inline std::string encoderLibraryPath() {
    return binaryDir() + "/bin/PCMtoWMA.so";
}

// A WMA version 2 file made from wav by the ffmpeg command.
inline bool ffmpegWma(const std::string& wav, const std::string& wma, int kbps = 128) {
    return runQuiet("ffmpeg -nostdin -y -i " + shellQuoted(wav) + " -c:a wmav2 -b:a " +
                    std::to_string(kbps) + "k " + shellQuoted(wma)) == 0;
}

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// One ffprobe field of the first audio stream ("codec_name", "sample_rate", "channels",
// "duration"), empty when absent.
inline std::string probeField(const std::string& path, const std::string& field) {
    std::string out =
        outputOf("ffprobe -v error -select_streams a:0 -show_entries stream=" + field +
                 " -of default=nw=1:nk=1 " + shellQuoted(path));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

}  // namespace sonthra::testing
