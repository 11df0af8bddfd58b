// The file an MP3 encoding writes: a new file beside the target, renamed over it only when the
// encoding is complete, so that a cancel, a refused bitrate, a full disk or a crash leaves the
// old file as it was. A read-only target is replaced by a writable file.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace sonthra {

// The permissions the new file takes: the old file's, made writable by its owner; none (the
// umask's default) when there is no old file.
std::optional<mode_t> mp3TargetMode(const std::string& target);

}  // namespace sonthra
