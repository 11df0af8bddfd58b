// Chapters in MP3 files: markers as ID3v2 "CHAP" frames, each with its title in a "TIT2"
// sub-frame, listed in order by one top-level "CTOC" table of contents, which podcast apps and
// players show as the episode's chapters. Written as version 2.3 frames beside the tag's other
// frames; read from tags of versions 2.3 and 2.4. Times are milliseconds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wave/markers.h"

namespace sonthra {

// The frames for markers whose positions count rate frames a second, in the order of their
// starts: a point chapter ends where the next one starts, the last at endMs (the audio's
// length). A table of contents lists at most 255 chapters, the first ones.
std::string chapterFrames(std::vector<Marker> markers, std::uint32_t rate, std::uint64_t endMs);

// The chapters among version 2.3 frames, as markers in milliseconds (rate 1000), in the order
// of their starts; a chapter whose end is not after its start is a point.
std::vector<Marker> chaptersFromFrames(std::string_view frames);

// The frames without any "CHAP" or "CTOC" frame.
std::string framesWithoutChapters(std::string_view frames);

// The chapters of an MP3 file's tag (none without a tag). false when the file cannot be read.
bool readMp3Chapters(const std::string& path, std::vector<Marker>& chapters);

// Replaces the chapters of an MP3 file's tag (making a tag when it has none), keeping its other
// frames. false, the file unchanged, when it cannot be read or written.
bool writeMp3Chapters(const std::string& path, const std::vector<Marker>& markers,
                      std::uint32_t rate, std::uint64_t endMs);

// Gives the MP3 file made from a WAV file the WAV file's markers as chapters. true when done or
// when the WAV file has none; false when they cannot be read or written.
bool copyWaveMarkersToMp3(const std::string& wavePath, const std::string& mp3Path);

}  // namespace sonthra
