// TID3v1: the 128-byte "TAG" record at the end of an MP3 file, versions 1.0 and 1.1 (1.1 keeps
// a track number in the last two comment bytes). Fields are UTF-8; the record holds Latin-1.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace sonthra {

inline constexpr std::size_t kId3v1Size = 128;

class TID3v1 {
public:
    using Record = std::array<unsigned char, kId3v1Size>;

    void reset();

    // True when the file could be read (at least 128 bytes); exists() says whether it ends in
    // a "TAG" record.
    bool readFromFile(const std::string& path);
    // Replaces the file's record, or appends one. False, the file unchanged, when it does not
    // exist or cannot be written.
    bool writeToFile(const std::string& path) const;
    // Cuts a "TAG" record off the end of the file. True also when there is none.
    bool removeFromFile(const std::string& path) const;

    // Resets, then takes the fields from a record (exists stays false unless it starts "TAG").
    void readRecord(const Record& record);
    Record record() const;

    bool exists() const { return m_exists; }
    // 1 = version 1.0, 2 = version 1.1.
    std::uint8_t version() const { return m_version; }
    const std::string& title() const { return m_title; }
    const std::string& artist() const { return m_artist; }
    const std::string& album() const { return m_album; }
    const std::string& year() const { return m_year; }
    const std::string& comment() const { return m_comment; }
    std::uint8_t track() const { return m_track; }
    std::uint8_t genreIndex() const { return m_genreIndex; }
    // The genre table's name at the genre index; empty for 148 and above.
    std::string genreName() const;

    // Text setters drop trailing characters up to code 32 and keep at most the field's length
    // in characters (30, year 4).
    void setTitle(const std::string& text);
    void setArtist(const std::string& text);
    void setAlbum(const std::string& text);
    void setYear(const std::string& text);
    void setComment(const std::string& text);
    void setTrack(std::uint8_t track) { m_track = track; }
    void setGenreIndex(std::uint8_t index) { m_genreIndex = index; }

private:
    bool m_exists = false;
    std::uint8_t m_version = 1;
    std::string m_title, m_artist, m_album, m_year, m_comment;
    std::uint8_t m_track = 0;
    std::uint8_t m_genreIndex = 255;
};

}  // namespace sonthra
