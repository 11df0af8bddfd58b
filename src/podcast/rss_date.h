// Dates in the feed and the description file.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "podcast/podcast_info.h"

namespace sonthra::podcast {

// "Sun, 06 Dec 2026 15:58:37 GMT": the given date with the time of day of now in UTC. The day
// and month names are always English, as RSS requires, whatever the user's locale.
std::string GetDateTimeInRSSFormat(const CivilDate& date, std::time_t now);

// The date as "YYYY-MM-DD", the form the description file keeps.
std::string isoDateText(const CivilDate& date);
// A real calendar date from "YYYY-MM-DD" or from an RSS date ("Sun, 06 Dec 2026 ..."), or
// nothing.
std::optional<CivilDate> parseDateText(const std::string& text);

// Today in the local time zone.
CivilDate todayLocal();

}  // namespace sonthra::podcast
