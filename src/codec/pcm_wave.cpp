#include "codec/pcm_wave.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "wave/riff.h"

namespace sonthra {
namespace {

constexpr std::uint32_t kDs64Body = 28;
constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;

void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put64(std::string& s, std::uint64_t v) {
    put32(s, static_cast<std::uint32_t>(v));
    put32(s, static_cast<std::uint32_t>(v >> 32));
}
std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t le64(const unsigned char* p) {
    return le32(p) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
}

bool readAt(int fd, std::uint64_t offset, void* buffer, std::size_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    while (count > 0) {
        const ssize_t got = ::pread(fd, out, count, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

bool writeAt(int fd, std::uint64_t offset, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                     static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace

bool readPcmWaveHeader(int fd, PcmWaveInfo* info, std::string* why) {
    unsigned char head[12];
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end < 12 || !readAt(fd, 0, head, 12) || std::memcmp(head + 8, "WAVE", 4) != 0) {
        *why = "not a WAV file";
        return false;
    }
    const bool rf64 = std::memcmp(head, "RF64", 4) == 0 || std::memcmp(head, "BW64", 4) == 0;
    if (!rf64 && std::memcmp(head, "RIFF", 4) != 0) {
        *why = "not a WAV file";
        return false;
    }
    const auto fileSize = static_cast<std::uint64_t>(end);
    std::uint64_t ds64Data = 0;
    bool haveDs64 = false, haveFmt = false;
    PcmWaveInfo result;
    result.rf64 = rf64;
    std::uint64_t at = 12;
    while (at + 8 <= fileSize) {
        unsigned char chunk[8];
        if (!readAt(fd, at, chunk, 8)) break;
        std::uint64_t size = le32(chunk + 4);
        const std::uint64_t body = at + 8;
        if (std::memcmp(chunk, "ds64", 4) == 0 && rf64 && size >= 16) {
            unsigned char ds[16];
            if (!readAt(fd, body, ds, 16)) break;
            ds64Data = le64(ds + 8);
            haveDs64 = true;
        } else if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[40] = {};
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, 40));
            if (!readAt(fd, body, fmt, want)) break;
            if (!parseFmtChunk(fmt, want, &result.format)) {
                *why = "in a sample format this program does not take";
                return false;
            }
            haveFmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFmt) break;
            if (rf64 && size == kMax32 && haveDs64) size = ds64Data;
            result.dataOffset = body;
            // A size past the end (a recording cut short) counts as what the file holds.
            result.dataBytes = std::min(size, fileSize - body);
            result.dataBytes -= result.dataBytes % result.format.blockAlign();
            *info = result;
            return true;
        }
        at = body + size + (size & 1);
    }
    *why = "damaged";
    return false;
}

bool chunksInBounds(int fd, const ChunkLayout& layout) {
    const off_t end = ::lseek(fd, 0, SEEK_END);
    if (end < static_cast<off_t>(layout.first)) return false;
    const auto fileSize = static_cast<std::uint64_t>(end);
    const std::uint64_t head = 4 + layout.sizeBytes;
    std::uint64_t at = layout.first;
    for (; at + head <= fileSize;) {
        unsigned char chunk[12];
        if (!readAt(fd, at, chunk, head)) return false;
        std::uint64_t size = 0;
        for (unsigned i = 0; i < layout.sizeBytes; ++i) {
            const unsigned k = layout.bigEndian ? i : layout.sizeBytes - 1 - i;
            size = (size << 8) | chunk[4 + k];
        }
        const std::uint64_t pad = layout.padded ? (size & 1) : 0;
        if (size > fileSize || at + head + size > fileSize) {
            // Samples cut short, or sizes kept elsewhere (ds64, CAF's -1): readers stop at the end.
            return std::memcmp(chunk, layout.samples, 4) == 0;
        }
        at += head + size + pad;
    }
    // A chunk head cut short would be read with its size half made up.
    return at >= fileSize;
}

std::size_t pcmWaveHeaderBytes(const PcmFormat& format) {
    return 12 + 8 + kDs64Body + 8 + makeFmtChunk(format).size() + 8;
}

std::string makePcmWaveHeader(const PcmFormat& format, std::uint64_t dataBytes) {
    const std::string fmt = makeFmtChunk(format);
    const std::uint64_t riffSize = pcmWaveHeaderBytes(format) - 8 + dataBytes + (dataBytes & 1);
    const bool rf64 = riffSize > kMax32;
    std::string h;
    h += rf64 ? "RF64" : "RIFF";
    put32(h, rf64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(riffSize));
    h += "WAVE";
    h += rf64 ? "ds64" : "JUNK";
    put32(h, kDs64Body);
    if (rf64) {
        const std::uint32_t align = format.blockAlign();
        put64(h, riffSize);
        put64(h, dataBytes);
        put64(h, align ? dataBytes / align : 0);
        put32(h, 0);  // no table of other chunk sizes
    } else {
        h.append(kDs64Body, '\0');
    }
    h += "fmt ";
    put32(h, static_cast<std::uint32_t>(fmt.size()));
    h += fmt;
    h += "data";
    put32(h, rf64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(dataBytes));
    return h;
}

bool finishPcmWave(int fd, const PcmFormat& format, std::uint64_t dataBytes) {
    const std::size_t header = pcmWaveHeaderBytes(format);
    if ((dataBytes & 1) && !writeAt(fd, header + dataBytes, std::string(1, '\0'))) return false;
    return writeAt(fd, 0, makePcmWaveHeader(format, dataBytes));
}

std::unique_ptr<PcmWaveWriter> PcmWaveWriter::createReplacing(const std::string& path,
                                                              const PcmFormat& format,
                                                              std::optional<mode_t> mode) {
    if (!isCodecPcm(format)) return nullptr;
    std::unique_ptr<PcmWaveWriter> writer(new PcmWaveWriter(path, format, mode));
    if (!writer->m_safe.open() || !writer->m_safe.write(makePcmWaveHeader(format, 0))) {
        return nullptr;
    }
    return writer;
}

bool PcmWaveWriter::write(const void* bytes, std::size_t count) {
    if (m_failed) return false;
    if (!m_safe.write(std::string_view(static_cast<const char*>(bytes), count))) {
        m_failed = true;
        m_safe.discard();
        return false;
    }
    m_dataBytes += count;
    return true;
}

int PcmWaveWriter::copyFrom(int fd, std::uint64_t offset, std::uint64_t count,
                            const CopyStep& step) {
    if (m_failed) return EIO;
    const std::uint64_t at = pcmWaveHeaderBytes(m_format) + m_dataBytes;
    for (std::uint64_t done = 0; done < count;) {
        const std::uint64_t n = std::min(kCopyStepBytes, count - done);
        const CopyResult copied = copyFileBytes(fd, offset + done, m_safe.fd(), at + done, n);
        const int err =
            copied.ok() ? (step && !step(done + n, count) ? ECANCELED : 0) : copied.error;
        if (err != 0) {
            m_failed = true;
            m_error = err;
            m_safe.discard();
            return err;
        }
        done += n;
        m_dataBytes += n;
    }
    // Later writes append after what the kernel copied.
    ::lseek(m_safe.fd(), static_cast<off_t>(at + count), SEEK_SET);
    return 0;
}

bool PcmWaveWriter::finish() {
    if (m_failed) return false;
    if (!finishPcmWave(m_safe.fd(), m_format, m_dataBytes)) {
        m_error = errno;
        m_failed = true;
        m_safe.discard();
        return false;
    }
    if (!m_safe.commit()) {
        m_failed = true;
        return false;
    }
    return true;
}

}  // namespace sonthra
