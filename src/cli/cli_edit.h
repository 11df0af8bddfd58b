// The editing verbs of sonthra-cli (cut, clear, crop, copy-to, paste, mute, trim,
// insert-silence): each reads its input as a sequence document, makes the edit there
// and saves one new file.
#pragma once

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "cli/cli_args.h"

namespace sonthra::cli {

// Reads the position option `name` (a frame or a time, see parsePosition) for a file of rate
// frames a second holding `frames` frames; a file whose layout is unknown (rate 0) takes frame
// numbers only, unchecked, and leaves the end to the engine. A position past the end is
// answered with a plain message. Returns kExitOk, or the exit code after reporting.
int readPositionOption(const Command& command, const std::string& name, const std::string& file,
                       std::uint32_t rate, std::uint64_t frames, std::uint32_t& target,
                       std::ostream& err);

// Runs an editing verb whose command line has been parsed. The result goes to a file that does
// not exist yet; the inputs are only read.
int runEdit(const Command& command, std::ostream& err, const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
