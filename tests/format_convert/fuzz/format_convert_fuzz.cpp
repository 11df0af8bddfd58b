// Feeds arbitrary bytes, as a source file, to the format converter with a target format taken
// from the input too. Any crash, hang or sanitizer finding is a fault, and so is a finished
// conversion whose length is not the exact ratio of the source's.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "convert/format_convert.h"
#include "convert/format_samples.h"
#include "convert/fuzz/fuzz_input.h"
#include "wave/wave_layout.h"

namespace {

int inputFd() {
    static const int fd = ::memfd_create("format-fuzz-input", MFD_CLOEXEC);
    return fd;
}

void put(std::string& s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

constexpr std::uint32_t kRates[] = {1000, 7999, 8000, 11025, 22050, 44100, 48000, 384000};

// Odd first bytes give a well-formed header around the rest, so the search spends its time on
// the samples and the rates; even ones give the bytes as they are.
std::string sourceBytes(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || !(data[0] & 1)) return std::string(reinterpret_cast<const char*>(data), size);
    const std::uint16_t channels = (data[1] & 1) ? 2 : 1;
    const std::uint16_t bits = (data[1] & 2) ? 16 : 8;
    const std::uint32_t rate = kRates[(data[1] >> 2) & 7];
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    const std::string samples(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::string s = "RIFF";
    put(s, static_cast<std::uint32_t>(4 + 26 + 8 + samples.size()), 4);
    s += "WAVEfmt ";
    put(s, 18, 4);
    put(s, 1, 2);
    put(s, channels, 2);
    put(s, rate, 4);
    put(s, rate * align, 4);
    put(s, align, 2);
    put(s, bits, 2);
    put(s, 0, 2);
    s += "data";
    put(s, static_cast<std::uint32_t>(samples.size()), 4);
    return s + samples;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = inputFd();
    if (fd < 0 || size == 0) return 0;
    const std::string bytes = sourceBytes(data, size);
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        return 0;
    }
    const std::string source = "/proc/self/fd/" + std::to_string(fd);
    const std::string destination = sonthra::fuzzing::folder() + "/out.wav";
    ::unlink(destination.c_str());

    // The last byte picks the target.
    const std::uint8_t pick = data[size - 1];
    const sonthra::WaveFormat target =
        sonthra::makePcmFormat(kRates[pick & 7], (pick & 8) ? 16 : 8, (pick & 16) ? 2 : 1);
    unsigned char format[sonthra::kWaveFormatBytes];
    sonthra::encodeWaveFormat(target, format);

    sonthra::ConvertHandle handle = nullptr;
    if (sonthra::AudioConvert(source, destination, format, &handle, 0) != 0) return 0;
    if (pick & 32) sonthra::AudioConvertCancelPressed(handle);
    // The worker is done in well under a millisecond: give it the processor rather than
    // sleep a timer's length each time.
    while (!sonthra::AudioConvertProcessIsOver(handle)) std::this_thread::yield();
    const int reason = sonthra::AudioConvertGetReasonForProcessExit(handle);
    sonthra::AudioConvertCloseHandle(&handle);
    if (reason == 0) {
        sonthra::WaveFileLayout in, out;
        if (sonthra::inspectWave(source, in) != sonthra::WaveInspect::Ok ||
            sonthra::inspectWave(destination, out) != sonthra::WaveInspect::Ok ||
            out.format != target ||
            out.frames() !=
                sonthra::convertedFrames(in.frames(), in.format.sampleRate, target.sampleRate)) {
            __builtin_trap();
        }
    }
    ::unlink(destination.c_str());
    return 0;
}
