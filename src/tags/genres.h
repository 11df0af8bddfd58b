// The 148 genre names of ID3 tags, by index, shared by both tag versions and the song
// information window.
#pragma once

#include <string>

namespace sonthra {

inline constexpr int kGenreCount = 148;
inline constexpr int kNoGenre = 255;

// The name at index, or empty for an index outside 0..147.
const char* GenreName(int index);

// The index of a name (exact match), or -1.
int GenreIndex(const std::string& name);

}  // namespace sonthra
