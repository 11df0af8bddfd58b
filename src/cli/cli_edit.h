// The editing verbs of sonthra-cli (cut, clear, crop, copy-to, paste, mute, trim,
// insert-silence), run through the engine's file edits.
#pragma once

#include <atomic>
#include <iosfwd>

#include "cli/cli_args.h"

namespace sonthra::cli {

// Runs an editing verb whose command line has been parsed. The result goes to a file that does
// not exist yet; the inputs are only read.
int runEdit(const Command& command, std::ostream& err, const std::atomic<bool>& interrupted);

}  // namespace sonthra::cli
