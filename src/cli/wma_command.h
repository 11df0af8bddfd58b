// The WMA half of "sonthra-cli convert": WAV to WMA at a bitrate (128 kbit/s unless told
// otherwise, at the highest sample rate the source allows) and WMA to WAV, through the same
// WMA libraries as the program.
#pragma once

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace sonthra::cli {

// Converts an existing IN (a WAV file for an OUT named ".wma", else a WMA file) into a new OUT (the
// convert verb checks both first); exit codes of cli_verbs.h. Ctrl+C (interrupted) cancels and
// leaves no OUT.
int runWmaConvert(const std::string& in, const std::string& out, std::uint32_t kbps,
                  std::ostream& output, std::ostream& err, const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
