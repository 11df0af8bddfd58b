// "sonthra-cli format IN OUT [--rate R] [--bits B] [--channels C]": the program's Change Format
// conversion from the command line. An option left out keeps the source's value.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kFormatUsage =
    "  sonthra-cli format IN OUT [--rate R] [--bits 8|16] [--channels 1|2]\n"
    "      writes OUT as IN in another sample format (rate in hertz, 1,000 to 384,000)\n";

// args: the words after the verb. Exit codes of cli_verbs.h; Ctrl+C (interrupted) cancels the
// conversion and leaves no OUT.
int runFormatVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
