#include "tags/id3v2.h"

#include <unistd.h>

#include <charconv>
#include <utility>

#include "tags/genres.h"
#include "tags/tag_file.h"
#include "tags/tag_text.h"

namespace sonthra {
namespace {

using tagtext::trimControls;

// The fields read from another frame when their own is missing, and that frame.
constexpr std::pair<int, int> kStandIns[] = {{id3v2::kTitle, id3v2::kContentGroup},
                                             {id3v2::kArtist, id3v2::kOriginalArtist},
                                             {id3v2::kAlbum, id3v2::kOriginalAlbum},
                                             {id3v2::kYear, id3v2::kRecordingTime}};

int standInOf(int field) {
    for (const auto& [own, standIn] : kStandIns) {
        if (own == field) return standIn;
    }
    return 0;
}

// "(13)Pop" gives "Pop"; a bare "(13)" gives the table's name for 13.
std::string genreFromText(const std::string& raw) {
    const std::string text = trimControls(raw);
    const auto close = text.rfind(')');
    if (close == std::string::npos) return text;
    const std::string after = trimControls(text.substr(close + 1));
    if (!after.empty() || text.front() != '(') return after;
    int number = -1;
    const auto [end, ec] = std::from_chars(text.data() + 1, text.data() + close, number);
    if (ec != std::errc() || end != text.data() + close) return after;
    return GenreName(number);
}

}  // namespace

std::uint8_t TrackFromText(const std::string& raw, bool* ok) {
    std::string text = trimControls(raw);
    const auto slash = text.find('/');
    if (slash != std::string::npos) text = trimControls(text.substr(0, slash));
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    long long number = 0;
    const auto [stop, ec] = std::from_chars(begin, end, number);
    const bool whole = begin != end && ec == std::errc() && stop == end;
    if (ok) *ok = whole;
    return whole ? static_cast<std::uint8_t>(static_cast<unsigned long long>(number) & 0xFF) : 0;
}

void TID3v2::reset() {
    *this = TID3v2();
}

void TID3v2::readTag(std::string_view bytes) {
    reset();
    const id3v2::Header header = id3v2::parseHeader(bytes);
    if (!header.isId3) return;
    m_exists = true;
    m_version = header.version;
    m_size = header.totalSize <= bytes.size() ? static_cast<std::int32_t>(header.totalSize) : 0;
    if (m_size == 0) return;
    id3v2::FrameTexts texts;
    id3v2::parseFrames(bytes, header, texts, &m_sources);
    takeTexts(texts);
    m_trackText = trimControls(texts[id3v2::kTrack]);
    m_asRead = this->texts();
    for (const auto& [field, standIn] : kStandIns) {
        m_fromStandIn[field] =
            trimControls(texts[field]).empty() && !trimControls(texts[standIn]).empty();
    }
}

void TID3v2::takeTexts(const id3v2::FrameTexts& t) {
    using namespace id3v2;
    const auto either = [&](int first, int fallback) {
        const std::string text = trimControls(t[first]);
        return text.empty() ? trimControls(t[fallback]) : text;
    };
    m_title = either(kTitle, kContentGroup);
    m_artist = either(kArtist, kOriginalArtist);
    m_album = either(kAlbum, kOriginalAlbum);
    m_track = TrackFromText(t[kTrack]);
    m_year = trimControls(t[kYear]);
    if (m_year.empty()) m_year = tagtext::firstChars(trimControls(t[kRecordingTime]), 4);
    m_genre = genreFromText(t[kGenre]);
    m_comment = trimControls(t[kComment]);
    m_link = trimControls(t[kLink]);
    m_composer = trimControls(t[kComposer]);
    m_encoder = trimControls(t[kEncoder]);
    m_copyright = trimControls(t[kCopyright]);
    m_language = trimControls(t[kLanguage]);
}

id3v2::FrameTexts TID3v2::texts() const {
    using namespace id3v2;
    FrameTexts t;
    t[kTitle] = m_title;
    t[kArtist] = m_artist;
    t[kAlbum] = m_album;
    if (m_track != 0) t[kTrack] = std::to_string(m_track);
    t[kYear] = m_year;
    t[kGenre] = m_genre;
    t[kComment] = m_comment;
    t[kComposer] = m_composer;
    t[kEncoder] = m_encoder;
    t[kCopyright] = m_copyright;
    t[kLanguage] = m_language;
    t[kLink] = m_link;
    return t;
}

std::string TID3v2::frames() const {
    using namespace id3v2;
    const FrameTexts now = texts();
    const bool yearChanged = now[kYear] != m_asRead[kYear];
    // Comments that lost to the field's own go first, so that read again they lose again (of
    // described comments, the last one read wins).
    std::string out;
    bool keptComments = false;
    for (const KeptFrame& frame : m_sources.others) {
        if (frame.id == "COMM") out += frame.bytes;
        keptComments = keptComments || frame.id == "COMM";
    }
    for (int index = 1; index <= kLink; ++index) {
        if (now[index] == m_asRead[index]) {
            // A field read from a stand-in frame (a title from the content group) is carried by
            // it where it can be.
            if (m_fromStandIn[index]) {
                if (!m_sources.frames[standInOf(index)].empty()) continue;
            } else if (!m_sources.frames[index].empty()) {
                out += m_sources.frames[index];
                continue;
            }
        }
        std::string text = now[index];
        // A new track number keeps the total the old one had ("4/12" after "3/12").
        if (index == kTrack && !text.empty()) {
            const auto slash = m_trackText.find('/');
            if (slash != std::string::npos) text += m_trackText.substr(slash);
        }
        // An empty comment keeps the described ones behind it from taking its place.
        if (index == kComment && text.empty() && keptComments) {
            out += std::string("COMM\0\0\0\5\0\0\0eng\0", 15);
            continue;
        }
        out += buildFrame(index, text);
    }
    for (int index = kLink + 1; index <= kFrameCount; ++index) {
        // A full date whose year changed would contradict the new year.
        if (index == kRecordingTime && yearChanged) continue;
        out += m_sources.frames[index];
    }
    for (const KeptFrame& frame : m_sources.others) {
        const bool staleDate =
            yearChanged && (frame.id == "TDAT" || frame.id == "TIME" || frame.id == "TRDA");
        if (frame.id != "COMM" && !staleDate) out += frame.bytes;
    }
    return out;
}

std::string TID3v2::otherFrames() const {
    std::string out;
    for (const id3v2::KeptFrame& frame : m_sources.others) out += frame.bytes;
    return out;
}

void TID3v2::setOtherFrames(const std::string& frames) {
    m_sources.others.clear();
    std::size_t at = 0;
    while (frames.size() - at >= id3v2::kHeaderSize) {
        const auto* size = reinterpret_cast<const unsigned char*>(frames.data() + at + 4);
        const std::uint64_t whole = id3v2::kHeaderSize + (std::uint64_t{size[0]} << 24 |
                                                         std::uint64_t{size[1]} << 16 |
                                                         std::uint64_t{size[2]} << 8 | size[3]);
        if (whole > frames.size() - at) break;
        m_sources.others.push_back({frames.substr(at, 4), frames.substr(at, whole)});
        at += whole;
    }
}

std::uint64_t TID3v2::neededSize() const {
    return id3v2::kHeaderSize + frames().size();
}

std::string TID3v2::buildTag(std::uint64_t totalSize) const {
    return id3v2::buildTag(frames(), totalSize);
}

bool TID3v2::readFromFile(const std::string& path) {
    reset();
    tagfile::Fd fd(tagfile::openRegular(path, false));
    if (!fd.valid()) return false;
    const std::int64_t fileSize = tagfile::sizeOf(fd.get());
    std::string bytes;
    if (fileSize < 0 || !tagfile::readAt(fd.get(), 0, id3v2::kHeaderSize, bytes) ||
        bytes.size() < id3v2::kHeaderSize) {
        return false;
    }
    const id3v2::Header header = id3v2::parseHeader(bytes);
    // The whole tag is read at once only when the file holds it; the size field is at most
    // 28 bits, so this is bounded by 256 MB.
    if (header.isId3 && header.totalSize > id3v2::kHeaderSize &&
        header.totalSize <= static_cast<std::uint64_t>(fileSize) &&
        !tagfile::readAt(fd.get(), 0, static_cast<std::size_t>(header.totalSize), bytes)) {
        return false;
    }
    readTag(bytes);
    return true;
}

bool TID3v2::writeToFile(const std::string& path) const {
    const bool replace = tagfile::mustReplace(path);
    tagfile::Fd fd(tagfile::openRegular(path, !replace));
    if (!fd.valid()) return false;
    const std::int64_t fileSize = tagfile::sizeOf(fd.get());
    std::string head;
    if (fileSize < 0 || !tagfile::readAt(fd.get(), 0, id3v2::kHeaderSize, head) ||
        head.size() < id3v2::kHeaderSize) {
        return false;
    }
    const id3v2::Header old = id3v2::parseHeader(head);
    std::uint64_t existing =
        old.totalSize <= static_cast<std::uint64_t>(fileSize) ? old.totalSize : 0;
    // A header whose footer flag is set without a footer behind the tag: the 10 bytes there
    // are the first audio frame's, and stay.
    if (old.version >= 4 && (old.flags & 0x10) && existing >= 2 * id3v2::kHeaderSize) {
        std::string footer;
        if (!tagfile::readAt(fd.get(), existing - id3v2::kHeaderSize, 3, footer)) return false;
        if (footer != "3DI") existing -= id3v2::kHeaderSize;
    }
    const std::string frames = this->frames();
    const std::uint64_t needed = id3v2::kHeaderSize + frames.size();
    const bool rebuild = !old.isId3 || existing < needed || existing > id3v2::kTargetTagSize;
    if (!rebuild && !replace) {
        // Same length as the old tag: only the tag's bytes change.
        if (!tagfile::writeAt(fd.get(), 0, id3v2::buildTag(frames, existing))) return false;
        return ::fdatasync(fd.get()) == 0 && fd.close();
    }
    // The new file is written beside the old one and renamed over it, so that a failure at any
    // step leaves the old file as it was.
    const std::string tag =
        id3v2::buildTag(frames, rebuild ? std::uint64_t{id3v2::kTargetTagSize} : existing);
    const std::uint64_t audioStart = old.isId3 ? existing : 0;
    return tagfile::rebuildFile(fd.get(), path, {}, 0, tag, audioStart,
                                static_cast<std::uint64_t>(fileSize));
}

void TID3v2::setTitle(const std::string& text) {
    m_title = trimControls(text);
}
void TID3v2::setArtist(const std::string& text) {
    m_artist = trimControls(text);
}
void TID3v2::setAlbum(const std::string& text) {
    m_album = trimControls(text);
}
void TID3v2::setYear(const std::string& text) {
    m_year = trimControls(text);
}
void TID3v2::setGenre(const std::string& text) {
    m_genre = trimControls(text);
}
void TID3v2::setComment(const std::string& text) {
    m_comment = trimControls(text);
}
void TID3v2::setComposer(const std::string& text) {
    m_composer = trimControls(text);
}
void TID3v2::setCopyright(const std::string& text) {
    m_copyright = trimControls(text);
}
void TID3v2::setLanguage(const std::string& text) {
    m_language = trimControls(text);
}
void TID3v2::setLink(const std::string& text) {
    m_link = trimControls(text);
}

}  // namespace sonthra
