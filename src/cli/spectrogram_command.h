// "sonthra-cli spectrogram FILE OUT.png [--width W] [--height H] [--log] [--window N]
// [--skin dark|light]" draws the spectrogram of a whole WAV file, one column per pixel.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kSpectrogramUsage =
    "  sonthra-cli spectrogram FILE OUT.png [--width W] [--height H] [--log] [--window N]\n"
    "                          [--skin dark|light]\n"
    "      draws the spectrogram of FILE as a PNG picture of W x H pixels (default 1920 x 513),\n"
    "      frequencies on a logarithmic scale with --log, N-frame windows (256 to 8192, default\n"
    "      1024), in the colours of the dark (default) or light skin\n";

// Exit codes of cli_verbs.h; Ctrl+C (interrupted) stops it and writes nothing.
int runSpectrogramVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
