#include "tags/wave_tag.h"

#include <unistd.h>

#include <optional>

#include "tags/id3v2.h"
#include "tags/tag_file.h"
#include "wave/riff.h"
#include "wave/safe_file.h"

namespace sonthra {
namespace {

constexpr std::uint32_t kId3ChunkId = fourCC("id3 ");
constexpr std::uint32_t kId3UpperChunkId = fourCC("ID3 ");
constexpr std::uint32_t kJunkId = fourCC("JUNK");
// An ID3 tag's size field has 28 bits; a chunk is never read further.
constexpr std::uint64_t kLargestTag = 0x0FFFFFFFu + 20;
// An existing chunk up to this size takes the new tag padded to its length.
constexpr std::uint64_t kLargestInPlace = 16u << 20;

struct Id3ChunkPlace {
    std::uint64_t formEnd = 0;  // the end of the RIFF form's data as the file holds it
    std::optional<RiffChunk> chunk;
    bool chunkIsLast = false;
};

std::string le32(std::uint32_t v) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

// Finds the RIFF "WAVE" form and its first tag chunk. False when there is no such form.
bool locate(int fd, Id3ChunkPlace& place) {
    RiffFile file;
    if (file.attach(fd, RiffFile::Mode::Read) != kRiffOk) return false;
    RiffChunk form;
    form.formType = kWaveId;
    if (file.descend(form, nullptr, RiffFind::RiffForm) != kRiffOk) return false;
    place.formEnd = form.end();
    for (;;) {
        RiffChunk chunk;
        if (file.descend(chunk, &form, RiffFind::Next) != kRiffOk) break;
        const std::uint64_t next = chunk.end() + (chunk.size & 1u);
        if (!place.chunk && (chunk.id == kId3ChunkId || chunk.id == kId3UpperChunkId)) {
            place.chunk = chunk;
            place.chunkIsLast = next >= place.formEnd;
        } else if (place.chunk && chunk.dataOffset > place.chunk->dataOffset) {
            place.chunkIsLast = false;
        }
        if (!file.seek(next)) break;
    }
    file.close();
    return true;
}

std::string chunkBytes(std::uint32_t id, const std::string& data) {
    std::string out = le32(id) + le32(static_cast<std::uint32_t>(data.size())) + data;
    if (data.size() & 1u) out.push_back('\0');
    return out;
}

bool syncAndClose(tagfile::Fd& fd) {
    return ::fdatasync(fd.get()) == 0 && fd.close();
}

// Writes the chunk at the end of the form, which is the end of the file; a form whose last
// chunk lacks its pad byte gets it first. The RIFF size is written last, so that a failure
// leaves a file whose form still ends where it did.
bool appendChunk(tagfile::Fd& fd, std::uint64_t formEnd, const std::string& block) {
    std::string bytes = (formEnd & 1u) ? std::string(1, '\0') : std::string();
    bytes += chunkBytes(kId3ChunkId, block);
    const std::uint64_t newEnd = formEnd + bytes.size();
    if (newEnd - 8 > 0xFFFFFFFFu) return false;
    if (!tagfile::writeAt(fd.get(), formEnd, bytes)) {
        if (::ftruncate(fd.get(), static_cast<off_t>(formEnd)) != 0) return false;
        return false;
    }
    return ::fdatasync(fd.get()) == 0 &&
           tagfile::writeAt(fd.get(), 4, le32(static_cast<std::uint32_t>(newEnd - 8)));
}

// A form followed by other bytes: the file is rebuilt beside itself with the chunk at the end
// of the form and the trailing bytes after it.
bool rewriteWithChunk(int fd, const std::string& path, std::uint64_t formEnd,
                      std::uint64_t fileSize, const std::string& block) {
    std::string chunk = (formEnd & 1u) ? std::string(1, '\0') : std::string();
    chunk += chunkBytes(kId3ChunkId, block);
    const std::uint64_t newFormEnd = formEnd + chunk.size();
    if (newFormEnd - 8 > 0xFFFFFFFFu) return false;
    SafeFileWriter writer(path);
    return writer.open() && tagfile::copyRange(fd, 0, 4, writer) &&
           writer.write(le32(static_cast<std::uint32_t>(newFormEnd - 8))) &&
           tagfile::copyRange(fd, 8, formEnd, writer) && writer.write(chunk) &&
           tagfile::copyRange(fd, formEnd, fileSize, writer) && writer.commit();
}

int writeChunk(const std::string& path, const TID3v2& tag) {
    tagfile::Fd fd(tagfile::openRegular(path, true));
    if (!fd.valid()) return kMsgCannotSaveWaveTag;
    const std::int64_t fileSize = tagfile::sizeOf(fd.get());
    Id3ChunkPlace place;
    if (fileSize < 12 || !locate(fd.get(), place)) return kMsgCannotSaveWaveTag;
    const auto size = static_cast<std::uint64_t>(fileSize);
    const std::uint64_t needed = tag.neededSize();

    if (place.chunk && place.chunk->size >= needed && place.chunk->size <= kLargestInPlace) {
        // Fits: the chunk keeps its size and the tag is padded to fill it.
        const std::string block = tag.buildTag(place.chunk->size);
        return tagfile::writeAt(fd.get(), place.chunk->dataOffset, block) && syncAndClose(fd)
                   ? 0
                   : kMsgCannotSaveWaveTag;
    }
    const std::string block = tag.buildTag(id3v2::kTargetTagSize);
    if (place.formEnd != size) {
        return rewriteWithChunk(fd.get(), path, place.formEnd, size, block) ? 0
                                                                            : kMsgCannotSaveWaveTag;
    }
    if (place.chunk && place.chunkIsLast) {
        // The last chunk grows where it is: its data, then its size, then the form's size.
        const std::uint64_t header = place.chunk->dataOffset - 8;
        std::string data = block;
        if (data.size() & 1u) data.push_back('\0');
        const std::uint64_t newEnd = place.chunk->dataOffset + data.size();
        if (newEnd - 8 > 0xFFFFFFFFu) return kMsgCannotSaveWaveTag;
        const bool ok =
            tagfile::writeAt(fd.get(), place.chunk->dataOffset, data) &&
            ::fdatasync(fd.get()) == 0 &&
            tagfile::writeAt(fd.get(), header + 4,
                             le32(static_cast<std::uint32_t>(block.size()))) &&
            tagfile::writeAt(fd.get(), 4, le32(static_cast<std::uint32_t>(newEnd - 8))) &&
            ::ftruncate(fd.get(), static_cast<off_t>(std::max(newEnd, size))) == 0;
        return ok && syncAndClose(fd) ? 0 : kMsgCannotSaveWaveTag;
    }
    if (!appendChunk(fd, place.formEnd, block)) return kMsgCannotSaveWaveTag;
    // Only when the new chunk is in place does the old one stop being the tag.
    if (place.chunk && !tagfile::writeAt(fd.get(), place.chunk->dataOffset - 8, le32(kJunkId))) {
        return kMsgCannotSaveWaveTag;
    }
    return syncAndClose(fd) ? 0 : kMsgCannotSaveWaveTag;
}

}  // namespace

int ReadId3Chunk(const std::string& path, TID3v2& tag) {
    tag.reset();
    tagfile::Fd fd(tagfile::openRegular(path, false));
    Id3ChunkPlace place;
    if (!fd.valid() || !locate(fd.get(), place) || !place.chunk) return kMsgNoWaveTag;
    std::string data;
    const auto length =
        static_cast<std::size_t>(std::min<std::uint64_t>(place.chunk->size, kLargestTag));
    if (!tagfile::readAt(fd.get(), place.chunk->dataOffset, length, data)) return kMsgNoWaveTag;
    tag.readTag(data);
    if (!tag.exists()) {
        tag.reset();
        return kMsgNoWaveTag;
    }
    return 0;
}

int WriteId3Chunk(const std::string& path, const TID3v2& tag) {
    return writeChunk(path, tag);
}

}  // namespace sonthra
