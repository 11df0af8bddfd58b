// Feeds arbitrary bytes, as a file, to the reader, the probe and the inspection the engine's
// edits use. Any crash, hang or sanitizer finding is a fault.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_inspect.h"
#include "wave/wave_layout.h"
#include "wave/wave_probe.h"
#include "wave/wave_reader.h"

namespace {

// The input lives in memory (a file on disk that is truncated and rewritten thousands of times
// a second waits on the disk); its /proc name lets the code under test open it like any file.
int inputFd() {
    static const int fd = ::memfd_create("wave-fuzz-input", MFD_CLOEXEC);
    return fd;
}

// Half of the inputs get a valid RIFF "WAVE" start, so that the search spends its time inside
// the chunks rather than on the first twelve bytes.
std::string fileBytes(const std::uint8_t* data, std::size_t size) {
    std::string bytes;
    if (size > 0 && (data[0] & 1)) {
        const std::uint32_t riffSize = static_cast<std::uint32_t>(size + 3);
        bytes = "RIFF";
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(riffSize >> (8 * i)));
        bytes += "WAVE";
    }
    if (size > 0) bytes.append(reinterpret_cast<const char*>(data) + 1, size - 1);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = inputFd();
    if (fd < 0) return 0;
    const std::string bytes = fileBytes(data, size);
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    sonthra::WaveReader reader;
    if (reader.open(path) == sonthra::kWaveReadOk) {
        std::vector<unsigned char> block(4096);
        std::uint32_t got = 0;
        for (std::uint32_t at = 0; reader.readBlock(at, static_cast<std::uint32_t>(block.size()),
                                                    got, block.data()) == sonthra::kWaveReadOk;
             at += got) {
            if (got == 0 || got > block.size()) __builtin_trap();
        }
        reader.readBlock(reader.dataSize, 1, got, block.data());
        reader.readBlock(0xFFFFFFFFu, 0xFFFFFFFFu, got, block.data());
        reader.close();
    }
    std::uint32_t frames = 0;
    sonthra::WaveFormat format;
    sonthra::probeWave(path, &frames, &format);
    sonthra::WaveFileLayout layout;
    if (sonthra::inspectWave(path, layout) == sonthra::WaveInspect::Ok) {
        // What the inspection reports must lie inside the file.
        const std::uint64_t fileSize = bytes.size();
        if (layout.dataOffset + layout.dataBytes > fileSize) __builtin_trap();
        for (const auto& c : layout.otherChunks) {
            if (c.end() > fileSize) __builtin_trap();
        }
    }
    // Whatever the bytes, a refusal says something and a file that is taken has a way in.
    sonthra::AudioFileFacts facts;
    const int refused = sonthra::inspectAudioFile(path, &facts);
    if (refused != 0 && sonthra::refusalText(path, facts, refused).empty()) __builtin_trap();
    if (refused == 0 && facts.opensAs == sonthra::OpensAs::Nothing) __builtin_trap();
    return 0;
}
