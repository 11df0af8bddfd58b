#include "tags/wave_tag.h"

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "tags/id3v2.h"
#include "tags/tag_file.h"
#include "tags/tag_text.h"
#include "wave/riff.h"

namespace sonthra {
namespace {

// An ID3 tag's size field has 28 bits; a chunk is never read further.
constexpr std::uint64_t kLargestTag = 0x0FFFFFFFu + 20;
// An existing chunk up to this size takes the new tag padded to its length.
constexpr std::uint64_t kLargestInPlace = 16u << 20;
// A LIST chunk larger than this is not read for its INFO texts.
constexpr std::uint64_t kLargestInfo = 1u << 20;

std::string le32(std::uint32_t v) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::uint32_t readLe32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

struct Chunk {
    std::string id;
    std::uint64_t header = 0;  // offset of the chunk's id
    std::uint32_t size = 0;
    std::uint64_t data() const { return header + 8; }
    std::uint64_t next() const { return data() + size + (size & 1u); }
};

// A WAVE form whose every size was checked: the chunks lie end to end from offset 12 to the
// form's end (its last pad byte may be missing), and no chunk runs past it.
struct WaveLayout {
    std::uint64_t fileSize = 0;
    std::uint64_t formEnd = 0;
    std::vector<Chunk> chunks;
};

enum class LayoutResult { Ok, NotWave, Damaged };

LayoutResult readLayout(int fd, WaveLayout& layout) {
    const std::int64_t size = tagfile::sizeOf(fd);
    std::string head;
    if (size < 12 || !tagfile::readAt(fd, 0, 12, head) || head.size() != 12 ||
        head.compare(0, 4, "RIFF") != 0 || head.compare(8, 4, "WAVE") != 0) {
        return LayoutResult::NotWave;
    }
    layout.fileSize = static_cast<std::uint64_t>(size);
    layout.formEnd = 8 + std::uint64_t{readLe32(head, 4)};
    // A recorder that stopped early leaves sizes of 0 (or of the whole disk): the tag would go
    // where the audio is.
    if (layout.formEnd < 12 || layout.formEnd > layout.fileSize) return LayoutResult::Damaged;
    std::uint64_t at = 12;
    bool hasData = false;
    while (at + 8 <= layout.formEnd) {
        std::string header;
        if (!tagfile::readAt(fd, at, 8, header) || header.size() != 8) return LayoutResult::Damaged;
        Chunk chunk{header.substr(0, 4), at, readLe32(header, 4)};
        if (chunk.data() + chunk.size > layout.formEnd) return LayoutResult::Damaged;
        hasData = hasData || chunk.id == "data";
        layout.chunks.push_back(chunk);
        at = chunk.next();
    }
    if (!hasData || (at != layout.formEnd && at != layout.formEnd + 1)) {
        return LayoutResult::Damaged;
    }
    return LayoutResult::Ok;
}

bool isId3Chunk(const Chunk& chunk) {
    return chunk.id == "id3 " || chunk.id == "ID3 ";
}

std::string chunkBytes(const std::string& id, const std::string& data) {
    std::string out = id + le32(static_cast<std::uint32_t>(data.size())) + data;
    if (data.size() & 1u) out.push_back('\0');
    return out;
}

// The texts of a "LIST" "INFO" chunk that the tag fields match, by field.
struct InfoField {
    const char* id;
    const std::string& (TID3v2::*get)() const;
};

std::string trackText(const TID3v2& tag) {
    return tag.track() ? std::to_string(tag.track()) : std::string();
}

// The INFO data with the fields that changed between the old and the new tag set to their new
// values (or taken out when emptied); every other entry keeps its bytes. Empty when the data is
// no INFO list.
std::string updatedInfo(const std::string& list, const TID3v2& before, const TID3v2& after) {
    if (list.size() < 4 || list.compare(0, 4, "INFO") != 0) return {};
    static const InfoField kFields[] = {
        {"INAM", &TID3v2::title},     {"IART", &TID3v2::artist},   {"IPRD", &TID3v2::album},
        {"ICRD", &TID3v2::year},      {"IGNR", &TID3v2::genre},    {"ICMT", &TID3v2::comment},
        {"ICOP", &TID3v2::copyright}, {"ILNG", &TID3v2::language}, {"IMUS", &TID3v2::composer},
    };
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::size_t at = 4; at + 8 <= list.size();) {
        const std::uint32_t size = readLe32(list, at + 4);
        if (size > list.size() - at - 8) return {};
        entries.emplace_back(list.substr(at, 4), list.substr(at + 8, size));
        at += 8 + std::uint64_t{size} + (size & 1u);
    }
    const auto set = [&](const std::string& id, const std::string& value) {
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const auto& entry) { return entry.first == id; });
        // INFO texts end in a NUL; what others write is UTF-8 here too.
        const std::string text = value.empty() ? std::string() : value + '\0';
        if (found == entries.end()) {
            if (!text.empty()) entries.emplace_back(id, text);
        } else if (text.empty()) {
            entries.erase(found);
        } else {
            found->second = text;
        }
    };
    for (const InfoField& field : kFields) {
        if ((before.*field.get)() != (after.*field.get)()) set(field.id, (after.*field.get)());
    }
    if (before.track() != after.track()) {
        set("ITRK", trackText(after));
        for (const auto& entry : entries) {
            if (entry.first == "IPRT") {
                set("IPRT", trackText(after));
                break;
            }
        }
    }
    std::string out = "INFO";
    for (const auto& [id, data] : entries) out += chunkBytes(id, data);
    return out;
}

// How the form changes: bytes laid over chunks in place, then the form cut at keepUntil and the
// appended chunks put there.
struct WavePlan {
    std::vector<tagfile::Patch> patches;
    std::uint64_t keepUntil = 0;
    std::string appended;
};

// A chunk whose data changes keeps its place when the size stays; the last chunk is written
// anew where it is; any other becomes "JUNK" (which readers skip) and the new one goes last.
void replaceChunk(const WaveLayout& layout, const Chunk& chunk, const std::string& data,
                  WavePlan& plan) {
    if (data.size() == chunk.size) {
        plan.patches.push_back({chunk.data(), data});
    } else if (&chunk == &layout.chunks.back()) {
        plan.keepUntil = chunk.header;
        plan.appended = chunkBytes(chunk.id, data) + plan.appended;
    } else {
        plan.patches.push_back({chunk.header, "JUNK"});
        plan.appended += chunkBytes(chunk.id, data);
    }
}

bool syncAndClose(tagfile::Fd& fd) {
    return ::fdatasync(fd.get()) == 0 && fd.close();
}

// Applies the plan to the file where it is: first what is appended (so that a failure leaves
// the old form whole), then the patches from the back, the RIFF size last.
bool applyInPlace(tagfile::Fd& fd, const WaveLayout& layout, WavePlan plan,
                  const std::string& tail) {
    const std::uint64_t newEnd = plan.keepUntil + tail.size();
    if (!tail.empty() && !tagfile::writeAt(fd.get(), plan.keepUntil, tail)) {
        if (plan.keepUntil >= layout.fileSize)
            (void)::ftruncate(fd.get(), static_cast<off_t>(layout.fileSize));
        return false;
    }
    if (newEnd < layout.fileSize && ::ftruncate(fd.get(), static_cast<off_t>(newEnd)) != 0)
        return false;
    if (::fdatasync(fd.get()) != 0) return false;
    std::sort(plan.patches.begin(), plan.patches.end(),
              [](const tagfile::Patch& a, const tagfile::Patch& b) { return a.at > b.at; });
    for (const tagfile::Patch& patch : plan.patches) {
        if (!tagfile::writeAt(fd.get(), patch.at, patch.bytes)) return false;
    }
    return syncAndClose(fd);
}

int writeChunk(const std::string& path, const TID3v2& tag) {
    const bool replace = tagfile::mustReplace(path);
    tagfile::Fd fd(tagfile::openRegular(path, !replace));
    if (!fd.valid()) {
        return tagfile::cannotWriteOrReplace(path) ? kMsgTagFileReadOnly : kMsgCannotSaveWaveTag;
    }
    WaveLayout layout;
    switch (readLayout(fd.get(), layout)) {
        case LayoutResult::NotWave:
            return kMsgCannotSaveWaveTag;
        case LayoutResult::Damaged:
            return kMsgDamagedWave;
        case LayoutResult::Ok:
            break;
    }
    WavePlan plan;
    plan.keepUntil = layout.formEnd;

    // The first tag chunk takes the tag; any later one is an older copy that readers might
    // take instead, and becomes "JUNK".
    const Chunk* id3 = nullptr;
    TID3v2 before;
    for (const Chunk& chunk : layout.chunks) {
        if (!isId3Chunk(chunk)) continue;
        if (id3 != nullptr) {
            plan.patches.push_back({chunk.header, "JUNK"});
            continue;
        }
        id3 = &chunk;
        std::string data;
        const auto length =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size, kLargestTag));
        if (!tagfile::readAt(fd.get(), chunk.data(), length, data)) return kMsgCannotSaveWaveTag;
        before.readTag(data);
    }
    const std::uint64_t needed = tag.neededSize();
    if (id3 != nullptr && id3->size >= needed && id3->size <= kLargestInPlace) {
        plan.patches.push_back({id3->data(), tag.buildTag(id3->size)});
    } else {
        const std::string block = tag.buildTag(id3v2::kTargetTagSize);
        if (id3 != nullptr) {
            replaceChunk(layout, *id3, block, plan);
        } else {
            plan.appended += chunkBytes("id3 ", block);
        }
    }

    // Other programs show the INFO list's texts: those the tag changed follow it.
    for (const Chunk& chunk : layout.chunks) {
        if (chunk.id != "LIST" || chunk.size > kLargestInfo) continue;
        std::string list;
        if (!tagfile::readAt(fd.get(), chunk.data(), chunk.size, list))
            return kMsgCannotSaveWaveTag;
        const std::string info = updatedInfo(list, before, tag);
        if (info.empty()) continue;  // another kind of list
        if (info != list) replaceChunk(layout, chunk, info, plan);
        break;
    }

    // A form whose last chunk lacks its pad byte gets it before anything is appended.
    std::string tail =
        (plan.keepUntil & 1u) && !plan.appended.empty() ? std::string(1, '\0') : std::string();
    tail += plan.appended;
    const std::uint64_t newFormEnd = plan.keepUntil + tail.size();
    if (newFormEnd - 8 > 0xFFFFFFFFu) return kMsgCannotSaveWaveTag;
    plan.patches.push_back({4, le32(static_cast<std::uint32_t>(newFormEnd - 8))});

    // Bytes after the form (another program's record) stay after it; a file that may not be
    // written is replaced as a whole, as a save replaces it.
    if (replace || layout.formEnd != layout.fileSize) {
        return tagfile::rebuildFile(fd.get(), path, plan.patches, plan.keepUntil, tail,
                                    layout.formEnd, layout.fileSize)
                   ? 0
                   : kMsgCannotSaveWaveTag;
    }
    return applyInPlace(fd, layout, std::move(plan), tail) ? 0 : kMsgCannotSaveWaveTag;
}

}  // namespace

int ReadId3Chunk(const std::string& path, TID3v2& tag) {
    tag.reset();
    tagfile::Fd fd(tagfile::openRegular(path, false));
    if (!fd.valid()) return kMsgNoWaveTag;
    RiffFile file;
    if (file.attach(fd.get(), RiffFile::Mode::Read) != kRiffOk) return kMsgNoWaveTag;
    RiffChunk form;
    form.formType = kWaveId;
    if (file.descend(form, nullptr, RiffFind::RiffForm) != kRiffOk) return kMsgNoWaveTag;
    std::optional<RiffChunk> found;
    for (;;) {
        RiffChunk chunk;
        if (file.descend(chunk, &form, RiffFind::Next) != kRiffOk) break;
        if (chunk.id == fourCC("id3 ") || chunk.id == fourCC("ID3 ")) {
            found = chunk;
            break;
        }
        if (!file.seek(chunk.end() + (chunk.size & 1u))) break;
    }
    file.close();
    if (!found) return kMsgNoWaveTag;
    std::string data;
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(found->size, kLargestTag));
    if (!tagfile::readAt(fd.get(), found->dataOffset, length, data)) return kMsgNoWaveTag;
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
