// "sonthra-cli loudness FILE [--from POS] [--to POS]" measures the loudness of a WAV file, or of
// a stretch of it, and prints the report as "name: value" lines.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kLoudnessUsage =
    "  sonthra-cli loudness FILE [--from POS] [--to POS]\n"
    "      prints the loudness of FILE (or of POS to POS): integrated_lufs, range_lu,\n"
    "      max_momentary_lufs, max_short_term_lufs and true_peak_dbtp\n";

// Exit codes of cli_verbs.h; Ctrl+C (interrupted) stops the measurement.
int runLoudnessVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
