// "sonthra-cli tags FILE" prints the song information of a WAV or MP3 file; "sonthra-cli tag
// FILE [--title T] ... [--v1]" changes named fields of it in place, keeping the other fields
// and the audio bytes.
#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace sonthra::cli {

inline constexpr const char* kTagsUsage =
    "  sonthra-cli tags FILE\n"
    "      prints the ID3 tag of a WAV or MP3 file: its version, then one line per field\n";
inline constexpr const char* kTagUsage =
    "  sonthra-cli tag FILE [--title T] [--artist A] [--album B] [--track N] [--year Y]\n"
    "                       [--genre G] [--comment C] [--composer C] [--copyright C]\n"
    "                       [--language L] [--link U] [--v1]\n"
    "      changes those fields of the tag of an MP3 or WAV file, told from its content\n"
    "      (version 2.3; an MP3 file's version 1 record with --v1), keeping the other\n"
    "      fields and the audio; other kinds of file are refused and left unchanged\n";

// args: the words after the verb. Exit codes of cli_verbs.h.
int runTagsVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                const std::atomic<bool>& interrupted);
int runTagVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
