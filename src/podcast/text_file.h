// Reading and writing the podcast's text files as lists of lines. A file is read whole (up to a
// size that no feed, template or description file reaches) and written whole: the lines go to
// a new file beside the target, which is flushed and renamed over it, so a failure never
// leaves a half-written feed or page.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "podcast/podcast_info.h"

namespace sonthra::podcast {

// Larger files are refused rather than read into memory.
inline constexpr std::size_t kMaxTextFileBytes = 64u * 1024u * 1024u;

// Fills lines (CR LF or LF ends) from path. A failure says which file and why.
Status readTextLines(const std::string& path, std::vector<std::string>& lines);

// Writes the lines, each ended by CR LF, as the whole content of path.
Status writeTextLines(const std::string& path, const std::vector<std::string>& lines,
                      std::optional<mode_t> mode = std::nullopt);

bool fileExists(const std::string& path);

}  // namespace sonthra::podcast
