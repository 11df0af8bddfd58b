// Partial files that a killed writer of ours left beside its target. Every writer of ours fills
// a hidden file beside the target and renames it over the target once complete; a writer killed
// before that leaves the hidden file behind, and nothing but a later run knows to remove it.
// Plain functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace sonthra {

// Whether name is one our writers give the file they fill: "." + a temporary name of ours
// (".ST32" and six letters or digits, then anything), "." + a target's name + "." + ten
// lowercase hexadecimal digits (a safe whole-file replacement), or ".sonthra-convert-" and six
// letters or digits (a format change).
bool IsPartialFileName(std::string_view name);

// Removes from folder the partial files of ours (IsPartialFileName) that are regular files of
// this user, that no process has open and that have not changed for a few seconds: their maker
// is gone. A partial some writer still fills is left alone. Returns how many went.
int RemoveAbandonedPartials(const std::string& folder);

}  // namespace sonthra
