// Our temporary files are named "ST32" and six letters or digits. The first two of the six tell
// which process made the file (its process number, in letters and digits), so that a start that
// cleans up after a copy that died removes only what that copy made, and never a file of
// another copy or tool that ran at the same time. Plain functions; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sonthra {

// How every temporary name of ours starts (behind a "." for a hidden one).
inline constexpr std::string_view kTemporaryPrefix = "ST32";

// The two letters or digits that open the unique part of the names process pid makes.
std::string TemporaryTagOf(std::int64_t pid);

// Creates a new empty file (mode 0600) in folder, named "ST32" + six letters or digits + tail
// (with a "." before it when hidden): this process's tag, then four random ones. Returns the
// path, or an empty string with errno set when no file could be made.
std::string CreateTemporaryFile(const std::string& folder, const std::string& tail = {},
                                bool hidden = false);

}  // namespace sonthra
