#include "tags/tag_writer.h"

#include "messages/message_table.h"
#include "tags/genres.h"
#include "tags/tag_file.h"
#include "tags/wave_tag.h"
#include "wave/file_kind.h"

namespace sonthra {
namespace {

// "a FLAC", "an AIFF": the kind's name with its article, for the refusal.
std::string kindWithArticle(const FileKindInfo& info) {
    if (info.kind == FileKind::Unknown) return "an unrecognised";
    const std::string name = fileKindName(info);
    // Names said with a vowel sound first: "an AIFF", "an MP4", "an RF64", "an Ogg".
    const bool an = std::string("AEIOMR").find(name[0]) != std::string::npos;
    return (an ? "an " : "a ") + name;
}

int failWith(int number, const std::vector<std::string>& args, std::string* message) {
    if (message) *message = FormatMessage(number, args);
    return number;
}

// A version 1 record's fields that the version 2 write changes: from what the file said before
// (its version 2 tag, or the record itself when it had none) to the new tag.
bool followChanges(const TID3v2& before, const TID3v2& after, TID3v1& record) {
    const TID3v1 old = record;
    if (before.title() != after.title()) record.setTitle(after.title());
    if (before.artist() != after.artist()) record.setArtist(after.artist());
    if (before.album() != after.album()) record.setAlbum(after.album());
    if (before.year() != after.year()) record.setYear(after.year());
    if (before.comment() != after.comment()) record.setComment(after.comment());
    if (before.track() != after.track()) record.setTrack(after.track());
    if (before.genre() != after.genre()) {
        const int index = GenreIndex(after.genre());
        record.setGenreIndex(index < 0 ? kNoGenre : static_cast<std::uint8_t>(index));
    }
    return record.record() != old.record();
}

int writeMpeg(const std::string& path, const DocumentTag& tag, std::string* message) {
    const auto notSaved = [&] { return failWith(kMsgTagNotSaved, {}, message); };
    if (tag.v2() == nullptr) {
        return tag.v1() == nullptr || tag.v1()->writeToFile(path) ? 0 : notSaved();
    }
    TID3v2 before;
    TID3v1 record;
    if (!before.readFromFile(path)) return notSaved();
    const bool hasRecord = record.readFromFile(path) && record.exists();
    if (hasRecord && !before.exists()) before = *TagFromV1(record);
    if (!tag.v2()->writeToFile(path)) return notSaved();
    // Other programs show the version 1 record where they find no version 2 tag they read.
    if (hasRecord && followChanges(before, *tag.v2(), record) && !record.writeToFile(path))
        return notSaved();
    return 0;
}

}  // namespace

int FindTagHome(const std::string& path, TagHome* home, std::string* message) {
    FileKindInfo info;
    if (!inspectFileKind(path, &info)) return failWith(kMsgTagNotSaved, {}, message);
    if (info.kind == FileKind::Mpeg || info.kind == FileKind::Wave) {
        if (home) *home = info.kind == FileKind::Mpeg ? TagHome::Mpeg : TagHome::Wave;
        return 0;
    }
    return failWith(kMsgTagKindRefused, {path, kindWithArticle(info), kProductCaption}, message);
}

int WriteTagByKind(const std::string& path, DocumentTag& tag, std::string* message) {
    if (tag.empty()) return 0;
    TagHome home = TagHome::Mpeg;
    if (const int refused = FindTagHome(path, &home, message)) return refused;
    if (tagfile::cannotWriteOrReplace(path)) return failWith(kMsgTagFileReadOnly, {path}, message);
    if (home == TagHome::Mpeg) return writeMpeg(path, tag, message);
    const int written = tag.writeWave(path);
    return written == 0 ? 0 : failWith(written, {path, kProductCaption}, message);
}

int WriteV1ByKind(const std::string& path, const TID3v1& record, std::string* message) {
    TagHome home = TagHome::Mpeg;
    if (const int refused = FindTagHome(path, &home, message)) return refused;
    // A WAV file keeps its tag in its chunk only.
    if (home != TagHome::Mpeg) return failWith(kMsgTagNotSaved, {}, message);
    if (tagfile::cannotWriteOrReplace(path)) return failWith(kMsgTagFileReadOnly, {path}, message);
    return record.writeToFile(path) ? 0 : failWith(kMsgTagNotSaved, {}, message);
}

}  // namespace sonthra
