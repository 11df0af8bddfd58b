// TID3v2: an ID3 version 2 tag at the start of an MP3 file (or inside a WAV file's "id3 "
// chunk). Reads versions 2.2, 2.3 and 2.4 in Latin-1, UTF-16 and UTF-8; writes version 2.3,
// Latin-1 where the text allows and UTF-16 otherwise. A new tag is padded to 4096 bytes so
// that later edits are written in place; a tag that must grow is rebuilt beside the file and
// renamed over it. Fields are UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "tags/id3v2_codec.h"

namespace sonthra {

class TID3v2 {
public:
    void reset();

    // True when the file could be read (10 bytes at least); exists() says whether it starts
    // with a tag.
    bool readFromFile(const std::string& path);
    // Writes the tag at the start of the file. False, the file unchanged, when it does not
    // exist, cannot be written or is shorter than 10 bytes.
    bool writeToFile(const std::string& path) const;

    // Resets, then reads a tag from bytes that start where the tag starts. A size field that
    // claims more than the bytes hold reads as size 0 with no frames.
    void readTag(std::string_view bytes);
    // The whole tag as written: at least totalSize bytes (padded), more when the frames need it.
    std::string buildTag(std::uint64_t totalSize) const;
    // The bytes a tag needs without padding: header and frames.
    std::uint64_t neededSize() const;

    bool exists() const { return m_exists; }
    std::uint8_t version() const { return m_version; }
    // The frames no field covers (pictures, chapters, private data), as version 2.3 frames.
    std::string otherFrames() const;
    // Takes whole version 2.3 frames, one after another, in their place; bytes after the last
    // whole frame are dropped.
    void setOtherFrames(const std::string& frames);
    std::int32_t size() const { return m_size; }
    const std::string& title() const { return m_title; }
    const std::string& artist() const { return m_artist; }
    const std::string& album() const { return m_album; }
    std::uint8_t track() const { return m_track; }
    const std::string& year() const { return m_year; }
    const std::string& genre() const { return m_genre; }
    const std::string& comment() const { return m_comment; }
    const std::string& composer() const { return m_composer; }
    const std::string& encoder() const { return m_encoder; }
    const std::string& copyright() const { return m_copyright; }
    const std::string& language() const { return m_language; }
    const std::string& link() const { return m_link; }

    // The text setters drop leading and trailing characters up to code 32. The encoder has
    // none: it keeps what was read.
    void setTitle(const std::string& text);
    void setArtist(const std::string& text);
    void setAlbum(const std::string& text);
    void setTrack(std::uint8_t track) { m_track = track; }
    void setYear(const std::string& text);
    void setGenre(const std::string& text);
    void setComment(const std::string& text);
    void setComposer(const std::string& text);
    void setCopyright(const std::string& text);
    void setLanguage(const std::string& text);
    void setLink(const std::string& text);

private:
    void takeTexts(const id3v2::FrameTexts& texts);
    id3v2::FrameTexts texts() const;
    // The frames as written: a field still as read keeps the frame it came from (a track
    // total, a full date, a described comment stay); a changed field gets a new frame; then
    // every frame read that no field covers.
    std::string frames() const;

    bool m_exists = false;
    std::uint8_t m_version = 0;
    std::int32_t m_size = 0;
    std::string m_title, m_artist, m_album;
    std::uint8_t m_track = 0;
    std::string m_year, m_genre, m_comment, m_composer, m_encoder, m_copyright, m_language, m_link;
    // What the fields were when read, and the frames they came from.
    id3v2::FrameTexts m_asRead;
    id3v2::FrameSources m_sources;
    std::array<bool, id3v2::kFrameCount + 1> m_fromStandIn{};
    std::string m_trackText;
};

// Track text as tags hold it ("3", "3/12"): the number before any "/", its low 8 bits; text
// that is not a whole number gives 0 (ok false).
std::uint8_t TrackFromText(const std::string& text, bool* ok = nullptr);

}  // namespace sonthra
