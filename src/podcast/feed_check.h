// What the big podcast directories require of a feed before they list it, checked on the feed's
// lines before an upload: the channel's title, description, image, category, explicit flag and
// language, and each episode's title, enclosure (address, length and type), guid and date.
#pragma once

#include <string>
#include <vector>

#include "podcast/rss_feed.h"

namespace sonthra::podcast {

// What the feed lacks, one plain name each ("the series' language", "episode \"Two\": its
// guid"), in file order; empty when it has everything.
std::vector<std::string> missingDirectoryFields(const Lines& lines);

// The one message naming them, with the question whether to go on; empty for none.
std::string missingFieldsMessage(const std::vector<std::string>& missing);

}  // namespace sonthra::podcast
