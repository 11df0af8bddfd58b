// Hostile bytes through the MP3 import: the probe, the bitrate query and the whole conversion
// to WAV. Nothing may crash, hang or read out of bounds; whatever decodes is a valid WAV file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "convert/cv_mp3_wav.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = sonthra::fuzzing::inputFile("in.mp3", data, size);
    const std::string out = sonthra::fuzzing::folder() + "/out.wav";
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
