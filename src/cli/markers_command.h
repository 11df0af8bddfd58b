// "sonthra-cli markers FILE [--add SECONDS[-END] NAME] [--json OUT]": prints the markers of a
// WAV file (or the chapters of an MP3 file) as a label list (start, end and name, tab-separated, in
// seconds), adds a marker to the file in place (a new file renamed over it, the samples and other
// chunks as they were), and writes the podcast chapters file made from them.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kMarkersUsage =
    "  sonthra-cli markers FILE [--add SECONDS[-END] NAME] [--json OUT]\n"
    "      prints the markers of FILE, a WAV file or an MP3 file's chapters (start, end and\n"
    "      name in seconds, tab-separated);\n"
    "      --add adds a marker (a region with -END) to a WAV file in place; --json writes\n"
    "      them as a podcast chapters file\n";

// args: the words after the verb. Exit codes of cli_verbs.h.
int runMarkersVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
