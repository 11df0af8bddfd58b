#include "tags/id3v2.h"

#include <unistd.h>

#include <charconv>

#include "tags/genres.h"
#include "tags/tag_file.h"
#include "tags/tag_text.h"
#include "wave/safe_file.h"

namespace sonthra {
namespace {

using tagtext::trimControls;

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
    id3v2::parseFrames(bytes, header, texts, &m_otherFrames);
    takeTexts(texts);
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
    return id3v2::buildFrames(texts()) + m_otherFrames;
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
    tagfile::Fd fd(tagfile::openRegular(path, true));
    if (!fd.valid()) return false;
    const std::int64_t fileSize = tagfile::sizeOf(fd.get());
    std::string head;
    if (fileSize < 0 || !tagfile::readAt(fd.get(), 0, id3v2::kHeaderSize, head) ||
        head.size() < id3v2::kHeaderSize) {
        return false;
    }
    const id3v2::Header old = id3v2::parseHeader(head);
    const std::uint64_t existing =
        old.totalSize <= static_cast<std::uint64_t>(fileSize) ? old.totalSize : 0;
    const std::string frames = this->frames();
    const std::uint64_t needed = id3v2::kHeaderSize + frames.size();
    const bool rebuild = !old.isId3 || existing < needed || existing > id3v2::kTargetTagSize;
    if (!rebuild) {
        // Same length as the old tag: only the tag's bytes change.
        if (!tagfile::writeAt(fd.get(), 0, id3v2::buildTag(frames, existing))) return false;
        return ::fdatasync(fd.get()) == 0 && fd.close();
    }
    // The new file is written beside the old one and renamed over it, so that a failure at any
    // step leaves the old file as it was.
    SafeFileWriter writer(path);
    if (!writer.open() || !writer.write(id3v2::buildTag(frames, id3v2::kTargetTagSize)))
        return false;
    const std::uint64_t audioStart = old.isId3 ? existing : 0;
    if (!tagfile::copyRange(fd.get(), audioStart, static_cast<std::uint64_t>(fileSize), writer)) {
        return false;
    }
    return writer.commit();
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
