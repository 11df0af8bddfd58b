// Letting go of large files without waiting for it. Removing the last name of a file whose
// pages fill the page cache (a working copy of a gigabyte, say) makes the kernel free every
// page and block before the call returns, a few hundred milliseconds on a busy machine. Holding
// the file open while its name goes makes that free instead, and the freeing then happens when
// the descriptor is closed, which these functions do on a short-lived thread of their own.
// Names change exactly as with unlink and rename; only the space comes back a moment later.
// A crash in between loses nothing: the kernel closes the descriptor and frees the file.
// Plain functions; any thread.
#pragma once

#include <string>

namespace sonthra {

// Closes fd on a thread of its own (here, when no thread can be had). fd < 0 is ignored.
void closeInBackground(int fd);

// Opens path for reading so that the file outlives its name, or -1 (not a regular file, or it
// cannot be opened). Pass the result to closeInBackground once the name is gone or replaced.
int holdFile(const std::string& path);

// unlink(path), with the file's freeing done in the background. false with errno as unlink
// left it.
bool unlinkInBackground(const std::string& path);

}  // namespace sonthra
