// "sonthra-cli podcast FEED AUDIO --title T --description D --link URL [--date YYYY-MM-DD]
// [--series-title T --series-description D --series-link URL [--replace]]": publishes an
// episode as the podcast window does: creates the feed (a new series) or adds the episode to
// it, replacing an episode of the same title, then writes the podcast description file (FEED
// with ".pdi") and the episode page (FEED with ".htm") beside it. A new series over an
// existing file needs --replace; names that would make two of these files one are refused.
// Fields the big podcast directories require and the feed lacks are named as warnings.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kPodcastUsage =
    "  sonthra-cli podcast FEED AUDIO --title T --description D --link URL [--date YYYY-MM-DD]\n"
    "                      [--series-title T --series-description D --series-link URL\n"
    "                      [--language L] [--image URL] [--category C] [--explicit true|false]\n"
    "                      [--author A] [--owner-email E] [--replace]]\n"
    "      adds the episode AUDIO (at web address URL) to the RSS feed FEED, replacing an\n"
    "      episode of the same title; a FEED that does not exist yet is created for a new\n"
    "      series and needs the three series options (over an existing FEED only with\n"
    "      --replace); also writes FEED's .pdi and .htm files, and names what podcast\n"
    "      directories would miss in the feed\n";

// args: the words after the verb. Exit codes of cli_verbs.h.
int runPodcastVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
