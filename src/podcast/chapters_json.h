// The chapters file podcast apps read beside an episode (the podcast namespace's JSON chapters:
// a version and a list of chapters with startTime in seconds and title), made from markers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/markers.h"

namespace sonthra::podcast {

inline constexpr const char* kChaptersVersion = "1.2.0";
inline constexpr const char* kChaptersMimeType = "application/json+chapters";

// The JSON text for markers whose positions count rate frames a second, in the order of their
// starts; a region's end becomes the chapter's endTime. Titles are cleaned to valid UTF-8.
std::string chaptersJson(std::vector<Marker> markers, std::uint32_t rate);

}  // namespace sonthra::podcast
