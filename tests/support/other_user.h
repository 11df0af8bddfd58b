// Acting as a second local user: the tests run as root and plant names in shared folders as
// "nobody" would, to see that nothing of ours follows them.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace sonthra::testing {

// Whether this process may act as another user (only root may).
inline bool canActAsOtherUser() {
    return ::geteuid() == 0 && std::system("command -v setpriv >/dev/null 2>&1") == 0;
}

// Runs a shell command as uid and gid 65534 with no groups; true when it succeeded.
inline bool runAsOtherUser(const std::string& command) {
    const std::string line =
        "setpriv --reuid=65534 --regid=65534 --clear-groups sh -c '" + command + "'";
    return std::system(line.c_str()) == 0;
}

}  // namespace sonthra::testing
