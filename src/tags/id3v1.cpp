#include "tags/id3v1.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "tags/genres.h"
#include "tags/tag_file.h"
#include "tags/tag_text.h"

namespace sonthra {
namespace {

std::string fieldText(const TID3v1::Record& r, std::size_t at, std::size_t length) {
    const auto* begin = reinterpret_cast<const char*>(r.data() + at);
    // The field ends at its first NUL; what follows is fill.
    const std::size_t used = strnlen(begin, length);
    return tagtext::trimRightControls(tagtext::legacyToUtf8(std::string_view(begin, used)));
}

void putText(TID3v1::Record& r, std::size_t at, std::size_t length, const std::string& utf8) {
    const std::string bytes = tagtext::utf8ToLatin1(utf8);
    std::memcpy(r.data() + at, bytes.data(), std::min(length, bytes.size()));
}

std::string fieldSetter(const std::string& text, std::size_t maxChars) {
    return tagtext::firstChars(tagtext::trimRightControls(text), maxChars);
}

// The file's length and, when it is at least 128 bytes, its last 128 bytes. -1 on a failure.
off_t readLastRecord(int fd, TID3v1::Record& record) {
    const std::int64_t size = tagfile::sizeOf(fd);
    if (size < static_cast<std::int64_t>(kId3v1Size)) return size;
    std::string bytes;
    if (!tagfile::readAt(fd, size - kId3v1Size, kId3v1Size, bytes) || bytes.size() != kId3v1Size)
        return -1;
    std::copy(bytes.begin(), bytes.end(), record.begin());
    return size;
}

bool startsWithTag(const TID3v1::Record& r) {
    return r[0] == 'T' && r[1] == 'A' && r[2] == 'G';
}

}  // namespace

void TID3v1::reset() {
    *this = TID3v1();
}

void TID3v1::readRecord(const Record& r) {
    reset();
    if (!startsWithTag(r)) return;
    m_exists = true;
    m_version = ((r[125] == 0 && r[126] != 0) || (r[125] == ' ' && r[126] != ' ')) ? 2 : 1;
    m_title = fieldText(r, 3, 30);
    m_artist = fieldText(r, 33, 30);
    m_album = fieldText(r, 63, 30);
    m_year = fieldText(r, 93, 4);
    if (m_version == 1) {
        m_comment = fieldText(r, 97, 30);
    } else {
        m_comment = fieldText(r, 97, 28);
        m_track = r[126];
    }
    m_genreIndex = r[127];
}

TID3v1::Record TID3v1::record() const {
    Record r{};
    std::memcpy(r.data(), "TAG", 3);
    putText(r, 3, 30, m_title);
    putText(r, 33, 30, m_artist);
    putText(r, 63, 30, m_album);
    putText(r, 93, 4, m_year);
    putText(r, 97, 30, m_comment);
    if (m_track != 0) {
        r[125] = 0;
        r[126] = m_track;
    }
    r[127] = m_genreIndex;
    return r;
}

bool TID3v1::readFromFile(const std::string& path) {
    reset();
    tagfile::Fd fd(tagfile::openRegular(path, false));
    if (!fd.valid()) return false;
    Record r{};
    const off_t size = readLastRecord(fd.get(), r);
    if (size < static_cast<off_t>(kId3v1Size)) return false;
    readRecord(r);
    return true;
}

bool TID3v1::writeToFile(const std::string& path) const {
    const bool replace = tagfile::mustReplace(path);
    tagfile::Fd fd(tagfile::openRegular(path, !replace));
    if (!fd.valid()) return false;
    Record old{};
    const off_t size = readLastRecord(fd.get(), old);
    if (size < 0) return false;
    const Record r = record();
    const std::string bytes(r.begin(), r.end());
    // An existing record is overwritten where it is, so that the file never lacks one and its
    // length stays; otherwise the record is appended, and a failed append is cut off again.
    const bool replaceRecord = size >= static_cast<off_t>(kId3v1Size) && startsWithTag(old);
    const off_t at = replaceRecord ? size - static_cast<off_t>(kId3v1Size) : size;
    if (replace) {
        return tagfile::rebuildFile(fd.get(), path, {}, static_cast<std::uint64_t>(at), bytes,
                                    static_cast<std::uint64_t>(size),
                                    static_cast<std::uint64_t>(size));
    }
    if (!tagfile::writeAt(fd.get(), at, bytes)) {
        // Nothing more can be done when even the cut fails.
        if (!replaceRecord && ::ftruncate(fd.get(), size) != 0) return false;
        return false;
    }
    return fd.close();
}

bool TID3v1::removeFromFile(const std::string& path) const {
    tagfile::Fd fd(tagfile::openRegular(path, true));
    if (!fd.valid()) return false;
    Record old{};
    const off_t size = readLastRecord(fd.get(), old);
    if (size < 0) return false;
    if (size >= static_cast<off_t>(kId3v1Size) && startsWithTag(old) &&
        ::ftruncate(fd.get(), size - static_cast<off_t>(kId3v1Size)) != 0) {
        return false;
    }
    return fd.close();
}

std::string TID3v1::genreName() const {
    return GenreName(m_genreIndex);
}

void TID3v1::setTitle(const std::string& text) {
    m_title = fieldSetter(text, 30);
}
void TID3v1::setArtist(const std::string& text) {
    m_artist = fieldSetter(text, 30);
}
void TID3v1::setAlbum(const std::string& text) {
    m_album = fieldSetter(text, 30);
}
void TID3v1::setYear(const std::string& text) {
    m_year = fieldSetter(text, 4);
}
void TID3v1::setComment(const std::string& text) {
    m_comment = fieldSetter(text, 30);
}

}  // namespace sonthra
