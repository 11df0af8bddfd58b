// How sonthra-cli reports failures on standard error.
#pragma once

#include <iosfwd>
#include <string>

namespace sonthra::cli {

// Prints the product's message for an engine error number; returns kExitFailed.
int reportEngineError(int engineError, std::ostream& err);
// Prints what is wrong with the command line and the usage text; returns kExitUsage.
int reportUsage(const std::string& problem, std::ostream& err);
// Refuses to write over an existing file; returns kExitFailed.
int reportExists(const std::string& path, std::ostream& err);
// Prints the product's message for a result other than 0; returns kExitOk for 0,
// kExitInterrupted for 129 (cancelled), kExitFailed otherwise.
int reportResult(int result, std::ostream& err);

}  // namespace sonthra::cli
