// Temporary file names of the workspace: every working copy, undo and redo file and temporary
// recording is a new, empty file "ST32" followed by a unique part, made at once so that no two
// callers can get the same name. Any thread.
#pragma once

#include <string>

namespace sonthra {

// The folder temporary files go to: the preferred folder while it exists, otherwise the
// system's temporary folder; when other users may write there (/tmp), this user's private
// folder inside it (PrivateFolderIn), so that no name of ours can be planted beforehand.
std::string ResolveTempFolder(const std::string& preferred);

// Creates a new empty file "<folder>/ST32XXXXXX.tmp" (mode 0600) in ResolveTempFolder(preferred)
// and returns its full path. When the file cannot be made there (the folder vanished or is
// not writable), the system's temporary folder is tried. Empty when neither works; err (when
// given) then holds the errno.
std::string ReserveTempName(const std::string& preferred, int* err = nullptr);

}  // namespace sonthra
