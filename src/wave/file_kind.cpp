#include "wave/file_kind.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "wave/riff.h"

namespace sonthra {

namespace {

constexpr std::size_t kSniffBytes = 64 * 1024;
// An ID3v2 tag's size field holds 28 bits: no tag is longer than this plus its header and footer.
constexpr std::uint64_t kMaxId3v2Bytes = (std::uint64_t{1} << 28) + 20;

bool startsWith(const std::uint8_t* data, std::size_t size, std::size_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    return at <= size && size - at >= n && std::memcmp(data + at, text, n) == 0;
}

// MPEG audio is taken for what it is only when a frame header is followed by a second one
// where the first frame's length says it must be: a single sync word turns up in any noise.
bool findMpeg(const std::uint8_t* data, std::size_t size, std::size_t from, int* layer) {
    // Some encoders leave a few zero bytes before the first frame; search a little way in.
    const std::size_t limit = from + 4096 < size ? from + 4096 : size;
    for (std::size_t at = from; at + 4 <= limit; ++at) {
        int firstLayer = 0;
        const std::size_t len = mpegFrameBytes(data + at, &firstLayer);
        if (len < 21) continue;
        const std::size_t next = at + len;
        if (next + 4 > size) {
            // A file of exactly one frame: accept it only when it ends there.
            if (next == size && at == from) {
                *layer = firstLayer;
                return true;
            }
            continue;
        }
        int nextLayer = 0;
        if (mpegFrameBytes(data + next, &nextLayer) != 0 && nextLayer == firstLayer &&
            (data[next + 1] & 0x18) == (data[at + 1] & 0x18) &&
            (data[next + 2] & 0x0C) == (data[at + 2] & 0x0C)) {
            *layer = firstLayer;
            return true;
        }
    }
    return false;
}

FileKind oggKind(const std::uint8_t* data, std::size_t size) {
    // The first page's packet starts after 27 header bytes and the segment table.
    if (size < 28) return FileKind::Ogg;
    const std::size_t body = 27 + std::size_t{data[26]};
    if (startsWith(data, size, body, "\x01vorbis")) return FileKind::OggVorbis;
    if (startsWith(data, size, body, "OpusHead")) return FileKind::OggOpus;
    return FileKind::Ogg;
}

}  // namespace

bool parseMpegFrameHeader(const std::uint8_t* p, MpegFrameHeader* header) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version = (p[1] >> 3) & 3;    // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layerBits = (p[1] >> 1) & 3;  // 1 layer III, 2 layer II, 3 layer I
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3 || (p[3] & 3) == 2) {
        return false;
    }
    static constexpr int kRates[3] = {44100, 48000, 32000};
    static constexpr int kV1[3][15] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},       // III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},      // II
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}};  // I
    static constexpr int kV2[3][15] = {
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}};
    MpegFrameHeader h;
    h.mpeg1 = version == 3;
    h.layer = 4 - layerBits;
    h.mono = (p[3] >> 6) == 3;
    h.bitrateKbps = (h.mpeg1 ? kV1 : kV2)[layerBits - 1][bitrateIndex];
    h.sampleRate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    h.samplesPerFrame = h.layer == 1 ? 384 : (h.layer == 3 && !h.mpeg1) ? 576 : 1152;
    const long bitrate = 1000L * h.bitrateKbps;
    const long padding = (p[2] >> 1) & 1;
    if (h.layer == 1) {
        h.bytes = static_cast<std::size_t>((12 * bitrate / h.sampleRate + padding) * 4);
    } else {
        const long factor = (h.layer == 3 && !h.mpeg1) ? 72 : 144;
        h.bytes = static_cast<std::size_t>(factor * bitrate / h.sampleRate + padding);
    }
    *header = h;
    return true;
}

std::size_t mpegFrameBytes(const std::uint8_t* p, int* layer) {
    MpegFrameHeader header;
    if (!parseMpegFrameHeader(p, &header)) return 0;
    if (layer) *layer = header.layer;
    return header.bytes;
}

std::uint64_t id3v2TagBytes(const std::uint8_t* data, std::size_t size) {
    if (size < 10 || !startsWith(data, size, 0, "ID3")) return 0;
    if (data[3] == 0xFF || data[4] == 0xFF) return 0;
    for (int i = 6; i < 10; ++i) {
        if (data[i] & 0x80) return 0;
    }
    const std::uint64_t body = (std::uint64_t{data[6]} << 21) | (std::uint64_t{data[7]} << 14) |
                               (std::uint64_t{data[8]} << 7) | data[9];
    // The footer flag exists from version 4 on.
    const bool footer = data[3] >= 4 && (data[5] & 0x10);
    return 10 + body + (footer ? 10 : 0);
}

FileKindInfo sniffFileKind(const std::uint8_t* data, std::size_t size) {
    FileKindInfo info;
    if (data == nullptr || size < 4) return info;
    if (size >= 12 && startsWith(data, size, 8, "WAVE")) {
        if (startsWith(data, size, 0, "RIFF")) info.kind = FileKind::Wave;
        if (startsWith(data, size, 0, "RF64") || startsWith(data, size, 0, "BW64")) {
            info.kind = FileKind::Rf64;
        }
        if (info.kind != FileKind::Unknown) return info;
    }
    if (size >= 12 && startsWith(data, size, 0, "FORM") &&
        (startsWith(data, size, 8, "AIFF") || startsWith(data, size, 8, "AIFC"))) {
        info.kind = FileKind::Aiff;
        return info;
    }
    if (startsWith(data, size, 0, "OggS")) {
        info.kind = oggKind(data, size);
        return info;
    }
    if (startsWith(data, size, 0, "caff")) {
        info.kind = FileKind::Caf;
        return info;
    }
    if (size >= 12 && startsWith(data, size, 4, "ftyp")) {
        info.kind = FileKind::Mp4;
        return info;
    }
    static constexpr std::uint8_t kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                    0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    if (size >= 16 && std::memcmp(data, kAsfHeader, 16) == 0) {
        info.kind = FileKind::Asf;
        return info;
    }
    std::uint64_t at = 0;
    // A file may carry more than one ID3v2 tag in a row (a tagger that prepended its own).
    for (std::uint64_t tag; at < size && (tag = id3v2TagBytes(data + at, size - at)) != 0;) {
        at += tag;
    }
    info.id3v2Bytes = at;
    if (at >= size) return info;
    if (startsWith(data, size, at, "fLaC")) {
        info.kind = FileKind::Flac;
        return info;
    }
    if (findMpeg(data, size, at, &info.mpegLayer)) info.kind = FileKind::Mpeg;
    return info;
}

bool inspectFileKind(const std::string& path, FileKindInfo* info) {
    const int fd = openRegularFile(path);
    if (fd < 0) return false;
    std::vector<std::uint8_t> head(kSniffBytes);
    auto readAt = [fd](std::uint8_t* into, std::size_t want, off_t offset) -> long {
        std::size_t got = 0;
        while (got < want) {
            const ssize_t n = ::pread(fd, into + got, want - got, offset + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return -1;
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        return static_cast<long>(got);
    };
    long got = readAt(head.data(), head.size(), 0);
    if (got < 0) {
        ::close(fd);
        return false;
    }
    head.resize(static_cast<std::size_t>(got));
    // A long tag (a cover picture) pushes the audio past the first read: read again from
    // where the tags end, keeping the tags' length in the answer.
    std::uint64_t tags = 0;
    for (std::uint64_t tag; (tag = id3v2TagBytes(head.data(), head.size())) != 0 &&
                            tags + tag <= kMaxId3v2Bytes * 4;) {
        tags += tag;
        head.assign(kSniffBytes, 0);
        got = readAt(head.data(), head.size(), static_cast<off_t>(tags));
        if (got < 0) {
            ::close(fd);
            return false;
        }
        head.resize(static_cast<std::size_t>(got));
    }
    ::close(fd);
    FileKindInfo found = sniffFileKind(head.data(), head.size());
    if (tags > 0) {
        // Only the kinds that may stand behind an ID3v2 tag count as such.
        if (found.kind != FileKind::Mpeg && found.kind != FileKind::Flac) found = {};
        found.id3v2Bytes += tags;
    }
    if (info) *info = found;
    return true;
}

std::string fileKindName(const FileKindInfo& info) {
    switch (info.kind) {
        case FileKind::Wave:
            return "WAV";
        case FileKind::Rf64:
            return "RF64 WAV";
        case FileKind::Aiff:
            return "AIFF";
        case FileKind::Flac:
            return "FLAC";
        case FileKind::Ogg:
            return "Ogg";
        case FileKind::OggVorbis:
            return "Ogg Vorbis";
        case FileKind::OggOpus:
            return "Opus";
        case FileKind::Mp4:
            return "MP4/M4A";
        case FileKind::Asf:
            return "WMA/ASF";
        case FileKind::Caf:
            return "CAF";
        case FileKind::Mpeg:
            return info.mpegLayer == 2 ? "MP2" : info.mpegLayer == 1 ? "MP1" : "MP3";
        case FileKind::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace sonthra
