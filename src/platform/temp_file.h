// Our temporary files are named "ST32" and six letters or digits. The first two of the six tell
// which process made the file (its process number, in letters and digits), so that a start that
// cleans up after a copy that died removes only what that copy made, and never a file of
// another copy or tool that ran at the same time. Plain functions; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace sonthra {

// The two letters or digits that open the unique part of the names process pid makes.
std::string TemporaryTagOf(std::int64_t pid);

// Creates a new empty file (mode 0600) named head + six letters or digits + tail, where head
// is the folder and the start of the name ("/tmp/ST32", "/home/u/.ST32"): this process's tag,
// then four random ones. Returns the path, or an empty string with errno set when no file
// could be made.
std::string CreateTemporaryFile(const std::string& head, const std::string& tail = {});

}  // namespace sonthra
