// "sonthra-cli convert IN OUT [--bitrate K] [--encoder lame|system]": WAV to MP3 or MP3 to WAV,
// chosen by what IN holds and OUT's extension, with the program's own converters, carrying the song
// information across. And the MP3 half of "sonthra-cli info".
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kConvertUsage =
    "  sonthra-cli convert IN OUT [--bitrate K] [--encoder lame|system]\n"
    "      WAV to MP3 (default 128 kbit/s through the Lame encoder) or MP3 to WAV, by what\n"
    "      IN holds and OUT's extension; OUT must not exist yet. WAV to WMA (--bitrate, default "
    "128) and\n"
    "      WMA to WAV likewise\n";

// args: the words after the verb. Exit codes of cli_verbs.h; Ctrl+C (interrupted) cancels the
// conversion and leaves no OUT.
int runConvertVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::atomic<bool>& interrupted);

// The name ends in ".mp3", in any case.
bool isMp3Name(const std::string& path);

// "sonthra-cli info" for an MP3 file: rate, channels, frames, length and bitrate.
int mp3Info(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace sonthra::cli
