#include "engine/wave_layout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/engine_errors.h"

namespace sonthra {
namespace {

constexpr std::uint16_t kPcmTag = 1;
constexpr std::size_t kPcmFormatBytes = 16;
// A file of tiny junk chunks must not keep the parser busy for long.
constexpr int kMaxChunks = 4096;

std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool readExactly(const ReadAt& readAt, std::uint64_t offset, void* buffer, std::size_t count) {
    return readAt(offset, buffer, count) == static_cast<long long>(count);
}

int readFormat(const ReadAt& readAt, std::uint64_t offset, std::uint32_t size, WaveLayout& layout) {
    unsigned char fmt[kPcmFormatBytes];
    if (size < kPcmFormatBytes || !readExactly(readAt, offset, fmt, sizeof fmt))
        return engine_error::kBadFmtChunk;
    if (le16(fmt) != kPcmTag) return engine_error::kNotPcm;
    layout.channels = le16(fmt + 2);
    layout.sampleRate = le32(fmt + 4);
    layout.blockAlign = le16(fmt + 12);
    layout.bitsPerSample = le16(fmt + 14);
    const unsigned bytesPerSample = (layout.bitsPerSample + 7u) / 8u;
    if (layout.channels == 0 || layout.sampleRate == 0 || layout.bitsPerSample == 0 ||
        layout.blockAlign != layout.channels * bytesPerSample)
        return engine_error::kBadFmtChunk;
    return 0;
}

}  // namespace

int parseWaveLayout(const ReadAt& readAt, std::uint64_t fileSize, WaveLayout& layout) {
    layout = WaveLayout{};
    unsigned char riff[12];
    if (fileSize < sizeof riff || !readExactly(readAt, 0, riff, sizeof riff) ||
        std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return engine_error::kNotWaveFile;

    // The RIFF size is not trusted: a recording that was never finished may state 0 or too
    // much, so the walk goes by the real file size.
    WaveLayout found;
    bool haveFormat = false;
    bool haveData = false;
    std::uint64_t offset = sizeof riff;
    for (int chunk = 0; chunk < kMaxChunks && offset + 8 <= fileSize; ++chunk) {
        unsigned char header[8];
        if (!readExactly(readAt, offset, header, sizeof header)) break;
        const std::uint32_t size = le32(header + 4);
        const std::uint64_t body = offset + 8;
        if (!haveFormat && std::memcmp(header, "fmt ", 4) == 0) {
            const int result = readFormat(readAt, body, size, found);
            if (result != 0) return result;
            haveFormat = true;
        } else if (!haveData && std::memcmp(header, "data", 4) == 0) {
            found.dataOffset = body;
            found.dataBytes = std::min<std::uint64_t>(size, fileSize - body);
            haveData = true;
        }
        if (haveFormat && haveData) break;
        // Chunks are padded to an even length.
        offset = body + size + (size & 1u);
    }
    if (!haveFormat) return engine_error::kBadFmtChunk;
    if (!haveData) return engine_error::kNoDataChunk;
    found.dataBytes -= found.dataBytes % found.blockAlign;
    layout = found;
    return 0;
}

int readWaveLayout(int fd, WaveLayout& layout) {
    layout = WaveLayout{};
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return engine_error::kCannotOpenWaveFile;
    const ReadAt readAt = [fd](std::uint64_t offset, void* buffer, std::size_t count) {
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n = pread(fd, static_cast<char*>(buffer) + done, count - done,
                                    static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return -1LL;
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        return static_cast<long long>(done);
    };
    return parseWaveLayout(readAt, static_cast<std::uint64_t>(st.st_size), layout);
}

int readWaveLayout(const std::string& path, WaveLayout& layout) {
    layout = WaveLayout{};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return engine_error::kCannotOpenWaveFile;
    const int result = readWaveLayout(fd, layout);
    close(fd);
    return result;
}

}  // namespace sonthra
