// Hostile bytes through the MP3 import: the probe, the bitrate query and the whole conversion
// to WAV. Nothing may crash, hang or read out of bounds; whatever decodes is a valid WAV file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "convert/cv_mp3_wav.h"

namespace {

// A folder of its own for the run, removed when the process ends.
struct Folder {
    Folder() {
        char pattern[] = "/tmp/sonthra-mp3fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path = made ? made : "";
    }
    ~Folder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

const std::string& folder() {
    static const Folder made;
    return made.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = folder() + "/in.mp3";
    const std::string out = folder() + "/out.wav";
    if (FILE* f = std::fopen(in.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    sonthra::Mp3FileInfo info;
    sonthra::probeMp3File(in, info);
    sonthra::CVMP3WAV converter;
    converter.GetBitRateOfMp3File(in);
    converter.armConversion();
    if (converter.ConvertMP3FileIntoWave(in, out) == 0 &&
        std::filesystem::file_size(out) < 46 + converter.framesWritten() * 2)
        std::abort();
    return 0;
}
