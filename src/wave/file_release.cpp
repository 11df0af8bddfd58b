#include "wave/file_release.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

namespace sonthra {

void closeInBackground(int fd) {
    if (fd < 0) return;
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
}

int holdFile(const std::string& path) {
    if (path.empty()) return -1;
    // O_NONBLOCK: a name that turns out to be a pipe must not stop the caller.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool unlinkInBackground(const std::string& path) {
    const int held = holdFile(path);
    const bool removed = ::unlink(path.c_str()) == 0;
    const int err = errno;
    if (removed) {
        closeInBackground(held);
    } else if (held >= 0) {
        ::close(held);  // the name stays, so closing frees nothing
    }
    errno = err;
    return removed;
}

}  // namespace sonthra
