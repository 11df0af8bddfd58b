#include "cli/tags_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <map>
#include <optional>
#include <ostream>

#include "cli/cli_report.h"
#include "cli/cli_verbs.h"
#include "messages/message_table.h"
#include "tags/document_tag.h"
#include "tags/genres.h"
#include "tags/tag_writer.h"
#include "tags/wave_tag.h"

namespace sonthra::cli {
namespace {

constexpr int kMsgFileMissing = 184;  // "Error : The file %s does not exist."
constexpr int kMsgCannotRead = 152;   // "Error : Cannot read data from file. ..."

int usageError(const std::string& problem, const char* usage, std::ostream& err) {
    err << "sonthra-cli: " << problem << "\n\nusage:\n" << usage;
    return kExitUsage;
}

int fail(int message, const std::string& path, std::ostream& err) {
    err << FormatMessage(message, {path}) << "\n";
    return kExitFailed;
}

// 0, or the message for a file that is missing or cannot be read.
int readTag(const std::string& path, DocumentTag& doc, bool& wave) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? kMsgFileMissing : kMsgCannotRead;
    if (!S_ISREG(st.st_mode) || ::access(path.c_str(), R_OK) != 0) return kMsgCannotRead;
    wave = IsWaveFile(path);
    if (wave) {
        doc.readWave(path);  // no chunk: no tag
    } else {
        doc.readMp3(path);
    }
    return 0;
}

void line(std::ostream& out, const char* name, const std::string& value) {
    if (!value.empty()) out << name << ": " << printableText(value) << "\n";
}

void printTag(const DocumentTag& doc, std::ostream& out) {
    if (const TID3v2* t = doc.v2()) {
        out << "version: 2." << static_cast<int>(t->version()) << "\n";
        line(out, "title", t->title());
        line(out, "artist", t->artist());
        line(out, "album", t->album());
        line(out, "track", t->track() ? std::to_string(t->track()) : "");
        line(out, "year", t->year());
        line(out, "genre", t->genre());
        line(out, "comment", t->comment());
        line(out, "composer", t->composer());
        line(out, "encoder", t->encoder());
        line(out, "copyright", t->copyright());
        line(out, "language", t->language());
        line(out, "link", t->link());
    } else if (const TID3v1* t = doc.v1()) {
        out << "version: " << (t->version() == 2 ? "1.1" : "1.0") << "\n";
        line(out, "title", t->title());
        line(out, "artist", t->artist());
        line(out, "album", t->album());
        line(out, "track", t->track() ? std::to_string(t->track()) : "");
        line(out, "year", t->year());
        line(out, "genre", t->genreName());
        line(out, "comment", t->comment());
    } else {
        out << "version: none\n";
    }
}

// The fields named on the command line, by option name.
struct Changes {
    std::map<std::string, std::string> texts;
    std::optional<std::uint8_t> track;
    bool v1 = false;
};

const char* const kTextOptions[] = {"title",   "artist",   "album",     "year",     "genre",
                                    "comment", "composer", "copyright", "language", "link"};

std::string parseChanges(const std::vector<std::string>& args, Changes& changes) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--v1") {
            changes.v1 = true;
            continue;
        }
        if (word.rfind("--", 0) != 0) return "unexpected word " + word;
        const std::string name = word.substr(2);
        if (i + 1 >= args.size()) return word + " needs a value";
        const std::string& value = args[++i];
        if (name == "track") {
            // A tag holds track numbers up to 255; a larger one is refused, not cut.
            unsigned track = 0;
            const auto [end, ec] =
                std::from_chars(value.data(), value.data() + value.size(), track);
            if (value.empty() || ec != std::errc() || end != value.data() + value.size() ||
                track > 255) {
                return "--track must be a whole number from 0 to 255";
            }
            changes.track = static_cast<std::uint8_t>(track);
            continue;
        }
        bool known = false;
        for (const char* option : kTextOptions) known = known || name == option;
        if (!known) return "unknown option " + word;
        changes.texts[name] = value;
    }
    if (changes.texts.empty() && !changes.track) return "name at least one field to change";
    if (changes.v1) {
        for (const char* only : {"composer", "copyright", "language", "link"}) {
            if (changes.texts.count(only))
                return std::string("--") + only + " has no place in a version 1 tag";
        }
        const auto genre = changes.texts.find("genre");
        if (genre != changes.texts.end() && !genre->second.empty() &&
            GenreIndex(genre->second) < 0) {
            return "--genre must be one of the 148 genre names for a version 1 tag";
        }
    }
    return {};
}

void applyV2(const Changes& c, TID3v2& t) {
    const auto set = [&](const char* name, void (TID3v2::*setter)(const std::string&)) {
        const auto found = c.texts.find(name);
        if (found != c.texts.end()) (t.*setter)(found->second);
    };
    set("title", &TID3v2::setTitle);
    set("artist", &TID3v2::setArtist);
    set("album", &TID3v2::setAlbum);
    set("year", &TID3v2::setYear);
    set("genre", &TID3v2::setGenre);
    set("comment", &TID3v2::setComment);
    set("composer", &TID3v2::setComposer);
    set("copyright", &TID3v2::setCopyright);
    set("language", &TID3v2::setLanguage);
    set("link", &TID3v2::setLink);
    if (c.track) t.setTrack(*c.track);
}

void applyV1(const Changes& c, TID3v1& t) {
    const auto set = [&](const char* name, void (TID3v1::*setter)(const std::string&)) {
        const auto found = c.texts.find(name);
        if (found != c.texts.end()) (t.*setter)(found->second);
    };
    set("title", &TID3v1::setTitle);
    set("artist", &TID3v1::setArtist);
    set("album", &TID3v1::setAlbum);
    set("year", &TID3v1::setYear);
    set("comment", &TID3v1::setComment);
    const auto genre = c.texts.find("genre");
    if (genre != c.texts.end()) {
        const int index = GenreIndex(genre->second);
        t.setGenreIndex(index < 0 ? kNoGenre : static_cast<std::uint8_t>(index));
    }
    if (c.track) t.setTrack(*c.track);
}

// A version 1 record started from a version 2 tag's fields.
TID3v1 recordFrom(const TID3v2& v2) {
    TID3v1 t;
    t.setTitle(v2.title());
    t.setArtist(v2.artist());
    t.setAlbum(v2.album());
    t.setYear(v2.year());
    t.setComment(v2.comment());
    t.setTrack(v2.track());
    const int genre = GenreIndex(v2.genre());
    t.setGenreIndex(genre < 0 ? kNoGenre : static_cast<std::uint8_t>(genre));
    return t;
}

}  // namespace

int runTagsVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::atomic<bool>&) {
    if (args.size() != 1) return usageError("tags takes one FILE", kTagsUsage, err);
    DocumentTag doc;
    bool wave = false;
    if (const int message = readTag(args[0], doc, wave)) return fail(message, args[0], err);
    printTag(doc, out);
    return kExitOk;
}

int runTagVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const std::atomic<bool>&) {
    if (args.empty()) return usageError("tag needs a FILE", kTagUsage, err);
    Changes changes;
    if (const std::string problem = parseChanges(args, changes); !problem.empty()) {
        return usageError(problem, kTagUsage, err);
    }
    const std::string& path = args[0];
    DocumentTag doc;
    bool wave = false;
    if (const int message = readTag(path, doc, wave)) return fail(message, path, err);
    // What the file is decides, whatever its name; a kind without a tag of ours is refused
    // before anything is written.
    TagHome home = TagHome::Mpeg;
    std::string problem;
    if (FindTagHome(path, &home, &problem) != 0) {
        err << printableText(problem) << "\n";
        return kExitFailed;
    }
    if (changes.v1 && home == TagHome::Wave)
        return usageError("--v1 is for MP3 files; a WAV file keeps its tag in a chunk", kTagUsage,
                          err);

    int written = 0;
    if (changes.v1) {
        // The file's own record keeps what it is not told to change; without one, the record
        // starts from the version 2 tag.
        TID3v1 record;
        if (!record.readFromFile(path) || !record.exists()) {
            record = TID3v1();
            if (doc.v1())
                record = *doc.v1();
            else if (doc.v2())
                record = recordFrom(*doc.v2());
        }
        applyV1(changes, record);
        written = WriteV1ByKind(path, record, &problem);
    } else {
        if (!doc.v2()) doc.promoteV1();
        applyV2(changes, doc.v2() ? *doc.v2() : doc.attachV2());
        written = WriteTagByKind(path, doc, &problem);
    }
    if (written != 0) {
        err << printableText(problem) << "\n";
        return kExitFailed;
    }
    // What the file holds now.
    DocumentTag now;
    readTag(path, now, wave);
    if (changes.v1) {
        TID3v1 record;
        record.readFromFile(path);
        now.attachV1(std::make_unique<TID3v1>(record));
    }
    printTag(now, out);
    return kExitOk;
}

}  // namespace sonthra::cli
