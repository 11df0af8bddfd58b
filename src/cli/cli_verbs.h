// The verbs of sonthra-cli over the engine and wave libraries. Results go to out, progress and
// failures to err; a failure prints the product's own message.
#pragma once

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// Runs one command line (without the program name). interrupted is polled while audio plays,
// records or an edit runs (the program sets it on Ctrl+C): playback stops, a recording is
// closed as a complete file, an edit is cancelled.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const std::atomic<bool>& interrupted);

// Minutes, seconds and milliseconds as the program shows positions: "000:00:000".
std::string positionText(std::uint64_t milliseconds);

}  // namespace sonthra::cli
