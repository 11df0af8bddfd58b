// Folders that belong to this user alone. Files of ours never go where another local user may
// plant a name first (a shared temporary folder, a world-writable folder): they go to a folder
// of mode 0700 that this user owns, which is checked, never trusted by its name. Plain
// functions; any thread.
#pragma once

#include <string>

namespace sonthra {

// The user's home folder ($HOME when absolute, else the password entry); empty when none.
std::string UserHomeFolder();

// Makes path (mode 0700) when missing and checks that it is a folder, not a link, owned by
// this user and closed to everyone else (a folder of ours with wider permissions is narrowed).
// 0, or an errno: EEXIST for a name that is something else, EPERM for a folder of another user.
int EnsurePrivateFolder(const std::string& path);

// Whether others than this user may create or replace names in folder (group or world
// writable, or owned by another user), which makes every name in it open to planting.
bool IsSharedFolder(const std::string& folder);

// The folder of ours for files that the shared folder `folder` would otherwise hold:
// folder itself when it is not shared; else "<folder>/sonthra-<uid>", made private; else (that
// name taken by someone else) a new private folder beside it, the same one for the rest of the
// process. Without a trailing slash; empty with errno set when none can be made.
std::string PrivateFolderIn(const std::string& folder);

// "$XDG_CACHE_HOME/Corvanta/Sonthra/<name>" (~/.cache when the variable is unset or relative),
// made private: the place for caches of files whose own folder cannot take them. Empty with
// errno set when there is no home or the folder cannot be made private.
std::string UserCacheFolder(const std::string& name);

// Whether the symbolic link at path was made by this user (then it may be followed: nobody
// else can make a link that this user owns). false for anything that is not a link.
bool IsOwnLink(const std::string& path);

}  // namespace sonthra
