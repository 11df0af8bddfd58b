// Hostile bytes as the WAV source of an MP3 export: the source walk, the bitrate test and a
// whole encoding through the encoder library. Nothing may crash or read out of bounds, and a
// failed encoding leaves no file behind.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "convert/lame_encode_job.h"
#include "convert/lame_library.h"
#include "convert/pcm_source.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = sonthra::fuzzing::inputFile("in.wav", data, size);
    const std::string out = sonthra::fuzzing::folder() + "/out.mp3";
    sonthra::PcmSource source;
    if (source.open(in) == 0) {
        std::vector<unsigned char> buffer(4096);
        while (source.read(buffer.data(), buffer.size()) > 0) {
        }
    }
    static const auto library = sonthra::LameLibrary::load(sonthra::defaultLameLibraryPath());
    if (library) sonthra::lameBitrateSupported(*library, in, 128);
    sonthra::LameEncodeJob job(sonthra::defaultLameLibraryPath());
    job.arm();
    const int result = job.run(in, out, 64);
    std::error_code ec;
    if (result != 0 && std::filesystem::exists(out, ec)) std::abort();
    std::filesystem::remove(out, ec);
    return 0;
}
