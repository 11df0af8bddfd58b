#include "wave/wave_layout.h"

#include <algorithm>
#include <limits>
#include <new>

namespace sonthra {
namespace {

bool printableId(const unsigned char* id) {
    return std::all_of(id, id + 4, [](unsigned char c) { return c >= 0x20 && c <= 0x7E; });
}

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Whether the bytes from position to the end of the file are a row of well-formed chunks
// (printable ids, sizes that land exactly on the end of the file, pad bytes allowed to be
// missing at the very end).
bool chunksToEnd(RiffFile& file, std::uint64_t position, std::uint64_t fileSize) {
    // Every step moves on by at least eight bytes, so the walk ends.
    while (position < fileSize) {
        unsigned char header[8];
        if (fileSize - position < 8 || !file.seek(position) || file.read(header, 8) != 8) {
            return false;
        }
        if (!printableId(header)) return false;
        const std::uint32_t size = le32(header + 4);
        const std::uint64_t end = position + 8 + size;
        if (end > fileSize) return false;
        position = end + (size & 1u);
        if (position == fileSize + 1) return true;
    }
    return position == fileSize;
}

}  // namespace

std::uint32_t usableDataBytes(RiffFile& file, const RiffChunk& data) {
    if (data.statedSize != 0) return data.size;
    const std::uint64_t fileSize = file.size();
    if (fileSize <= data.dataOffset) return 0;
    if (chunksToEnd(file, data.dataOffset, fileSize)) return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(
        fileSize - data.dataOffset, std::numeric_limits<std::uint32_t>::max()));
}

WaveInspect inspectWave(RiffFile& file, WaveFileLayout& layout) {
    layout = WaveFileLayout{};
    file.seek(0);
    RiffChunk riff;
    riff.formType = kWaveId;
    if (file.descend(riff, nullptr, RiffFind::RiffForm) != kRiffOk) return WaveInspect::NotWave;
    RiffChunk fmt;
    fmt.id = kFmtId;
    if (file.descend(fmt, &riff, RiffFind::ChunkId) != kRiffOk) return WaveInspect::NoFmt;
    unsigned char bytes[kFmtChunkReadBytes] = {};
    const std::size_t want = std::min<std::size_t>(fmt.statedSize, kFmtChunkReadBytes);
    if ((fmt.flags & kChunkRepaired) || fmt.statedSize < 16 ||
        file.read(bytes, want) != static_cast<std::int64_t>(want)) {
        return WaveInspect::BadFmt;
    }
    layout.fmtBytes = fmt.statedSize;
    layout.format = decodeFmtChunk(bytes, want);
    constexpr std::size_t kSubFormatAt = 24;
    if (layout.format.formatTag == kWaveFormatExtensible && want >= kSubFormatAt + 2)
        layout.subFormatTag =
            static_cast<std::uint16_t>(bytes[kSubFormatAt] | bytes[kSubFormatAt + 1] << 8);
    if (layout.format.blockAlign == 0) return WaveInspect::BadFmt;
    if (file.ascend(fmt) != kRiffOk) return WaveInspect::NoData;
    RiffChunk data;
    data.id = kDataId;
    if (file.descend(data, &riff, RiffFind::ChunkId) != kRiffOk) return WaveInspect::NoData;
    layout.dataOffset = data.dataOffset;
    layout.statedDataBytes = data.statedSize;
    layout.dataBytes = usableDataBytes(file, data);

    // The other chunks travel with the audio through edits, so that nothing the file carried
    // (a tag, for one) is lost.
    file.seek(riff.dataOffset + 4);
    RiffChunk chunk;
    while (file.descend(chunk, &riff, RiffFind::Next) == kRiffOk) {
        if (chunk.dataOffset == data.dataOffset) {
            // The repaired size decides where the next chunk starts.
            const std::uint64_t end = data.dataOffset + layout.dataBytes;
            file.seek(end + (layout.dataBytes & 1u));
            continue;
        }
        if (chunk.id != kFmtId && chunk.id != kDataId) {
            try {
                layout.otherChunks.push_back(chunk);
            } catch (const std::bad_alloc&) {
                // Millions of empty chunks: refuse the file rather than drop some of them.
                layout = WaveFileLayout{};
                layout.openError = kRiffErrOutOfMemory;
                return WaveInspect::CannotOpen;
            }
        }
        if (file.ascend(chunk) != kRiffOk) break;
    }
    return WaveInspect::Ok;
}

WaveInspect inspectWave(const std::string& path, WaveFileLayout& layout) {
    layout = WaveFileLayout{};
    RiffFile file;
    const int opened = file.open(path, RiffFile::Mode::Read);
    if (opened != kRiffOk) {
        layout.openError = opened;
        return WaveInspect::CannotOpen;
    }
    return inspectWave(file, layout);
}

}  // namespace sonthra
