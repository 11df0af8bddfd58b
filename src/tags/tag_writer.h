// A tag write decided by what the file is, told from its content rather than its name: MPEG
// audio (MP3, MP2) takes a version 2 tag in front and keeps an existing version 1 record in
// step with it; a WAV file takes its "id3 " chunk and keeps its INFO list in step. Every other
// kind is refused with a message naming it, and not a byte of it changes.
#pragma once

#include <string>

#include "tags/document_tag.h"

namespace sonthra {

// "%s is %s file; %s writes song information into MP3 and WAV files only."
inline constexpr int kMsgTagKindRefused = 491;
// "Can not save tag to the file!"
inline constexpr int kMsgTagNotSaved = 488;

enum class TagHome { Mpeg, Wave };

// 0 with the home of the file's tag, or a message number with its text in message: the kind
// refused (491), the file unreadable (488).
int FindTagHome(const std::string& path, TagHome* home, std::string* message);

// Writes the document's tag into the file by its content (a WAV named ".mp3" takes the chunk).
// MPEG: the version 2 tag (or, without one, the version 1 record), and an existing version 1
// record gets the fields this write changes. WAV: a version 1 tag first becomes a version 2
// tag. 0 (also with nothing to write), or a message number with its text in message.
int WriteTagByKind(const std::string& path, DocumentTag& tag, std::string* message);

// Writes a version 1 record into an MPEG file; any other kind is refused as above.
int WriteV1ByKind(const std::string& path, const TID3v1& record, std::string* message);

}  // namespace sonthra
