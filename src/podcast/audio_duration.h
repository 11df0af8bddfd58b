// The playing time of an episode's audio file, for the feed's itunes:duration: WAV files from
// their header, MP3 files from their first frame (and its Xing/Info frame count when there is
// one). Other files give 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sonthra::podcast {

// Whole seconds, rounded; 0 when unknown.
std::uint32_t audioDurationSeconds(const std::string& path);

// The MP3 estimate from the first bytes of a file (head: at least the ID3v2 tag and the first
// frame) and the file's total size. 0 when no frame is found.
std::uint32_t mp3DurationSeconds(std::string_view head, std::uint64_t fileSize);

// "audio/mpeg" for ".mp3", "audio/wma" for ".wma", "audio/wave" for ".wav", in any letter
// case, else empty.
std::string mimeTypeForFile(const std::string& path);

}  // namespace sonthra::podcast
