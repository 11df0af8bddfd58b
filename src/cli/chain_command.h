// "sonthra-cli chain NAME|FILE IN OUT" applies an effect chain (a chain the user stored or one
// that ships, by name, or a chain file) to a whole WAV file in one pass of the effects, so that
// a folder of recordings can be processed by a script.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kChainUsage =
    "  sonthra-cli chain NAME|FILE IN OUT\n"
    "      writes OUT as IN through the effect chain NAME (the user's, else a shipped one such\n"
    "      as \"Podcast voice\") or the chain file FILE (a path with \"/\" or ending in .chain)\n";

// Exit codes of cli_verbs.h; Ctrl+C (interrupted) cancels and leaves no OUT.
int runChainVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
