// The tag of a WAV file: a complete ID3 version 2 tag as the data of an "id3 " chunk inside
// the RIFF "WAVE" form. The audio and every other chunk keep their bytes.
#pragma once

#include <string>

namespace sonthra {

class TID3v2;

inline constexpr int kMsgCannotSaveWaveTag = 480;  // "Can not save ID3 Tag in wave file!"
inline constexpr int kMsgNoWaveTag = 481;          // "Id3 Tag Information not found in Wave file!"
// The header's sizes do not match the file (a recorder that stopped early): nothing is written.
inline constexpr int kMsgDamagedWave = 492;
// The file may not be written and its folder does not let a new one take its place.
inline constexpr int kMsgTagFileReadOnly = 493;

// Reads the tag from the first "id3 " (or "ID3 ") chunk. 0, or 481 when the file cannot be
// read, is no WAVE file, has no such chunk or the chunk holds no tag (the tag is then reset).
int ReadId3Chunk(const std::string& path, TID3v2& tag);

// Writes the tag as the file's "id3 " chunk: over an existing chunk when it fits (padded to
// the chunk's size), else as a grown last chunk or a new chunk at the end of the form (the
// old one then becomes a "JUNK" chunk that readers skip); a second tag chunk becomes "JUNK".
// The texts of a "LIST" "INFO" chunk that the new tag changes follow it. The RIFF size
// follows. A file that may not be written is replaced by a new one with its permissions.
// 0, or 480, 492 (sizes that do not match the file) or 493 (read-only, folder too) with the
// file's content as it was.
int WriteId3Chunk(const std::string& path, const TID3v2& tag);

}  // namespace sonthra
