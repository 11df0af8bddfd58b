// Remote and local path rules of the FTP client.
#pragma once

#include <string>
#include <string_view>

namespace sonthra::ftp {

// A remote name or path is usable only without line breaks and NUL, which would end the
// command it travels in and start another.
bool isSafeRemoteText(std::string_view text);

// One trailing "/" or "\" removed from a path longer than one character.
std::string withoutTrailingSlash(std::string_view path);

// base (an absolute remote folder) joined with a path: an absolute path stands alone; "." and
// ".." segments are resolved, never above "/". The result starts with "/" and has no trailing
// "/" except for the root.
std::string resolveRemotePath(std::string_view base, std::string_view path);

// The last segment of a local path (after the last "/" or "\").
std::string localFileName(std::string_view path);

// A temporary name beside a remote file, in the same folder, that no listing for the file's own
// name matches: "." + name + "." + tag + ".part", the name shortened to keep within 255 bytes.
std::string temporaryRemoteName(std::string_view name, std::string_view tag);

}  // namespace sonthra::ftp
