// The song information a document carries: one TID3v2, or else one TID3v1, or neither. The
// document's open and save code calls these; the song information window edits the objects.
#pragma once

#include <memory>
#include <string>

#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace sonthra {

// Shown (OK box, product caption) when a saved MP3 file has vanished before its tag is written
// or the tag cannot be written.
inline constexpr const char* kTagNotSavedText = "Can not save tag to the file!";

// Whether a file holds a RIFF "WAVE" form (its tag is then an "id3 " chunk); false also when
// it cannot be read.
bool IsWaveFile(const std::string& path);

class DocumentTag {
public:
    TID3v2* v2() const { return m_v2.get(); }
    TID3v1* v1() const { return m_v1.get(); }
    bool empty() const { return !m_v2 && !m_v1; }
    void clear();
    // Takes a version 2 tag, dropping any version 1 tag.
    TID3v2& attachV2(std::unique_ptr<TID3v2> tag = std::make_unique<TID3v2>());
    TID3v1& attachV1(std::unique_ptr<TID3v1> tag = std::make_unique<TID3v1>());

    // Opening an MP3 file: its version 2 tag, else its version 1 record, else nothing.
    void readMp3(const std::string& path);
    // Opening a WAV file: the tag of its "id3 " chunk. 0, or 481 (not shown to the user) with
    // no tag kept.
    int readWave(const std::string& path);

    // Saving as MP3: the version 2 tag at the start, or else the version 1 record at the end.
    // True also when there is nothing to write.
    bool writeMp3(const std::string& path) const;
    // Saving as WAV: a version 1 tag first becomes a version 2 tag, which is then written as
    // the "id3 " chunk. 0, or 480 to show in an error box. Nothing to write gives 0.
    int writeWave(const std::string& path);
    // A version 1 tag becomes a version 2 tag with its title, artist, album, track, year,
    // genre name and comment.
    void promoteV1();

private:
    std::unique_ptr<TID3v2> m_v2;
    std::unique_ptr<TID3v1> m_v1;
};

// The version 2 tag holding what a version 1 tag carries.
std::unique_ptr<TID3v2> TagFromV1(const TID3v1& v1);

}  // namespace sonthra
