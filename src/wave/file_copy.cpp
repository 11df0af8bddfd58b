#include "wave/file_copy.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

namespace sonthra {
namespace {

constexpr std::size_t kBufferBytes = 1 << 20;
// File system magic numbers (statfs's f_type).
constexpr unsigned long kExt4 = 0xEF53;  // ext2 and ext3 too
constexpr unsigned long kTmpfs = 0x01021994;
// One call of copy_file_range moves at most this much, so that its count fits any ssize_t.
constexpr std::uint64_t kMostPerCall = 1ull << 30;
// The pipe of a stretch copied with splice: the most a process may ask for without privileges.
constexpr int kPipeBytes = 1 << 20;

CopyResult failure(int err, bool reading) {
    return {err != 0 ? err : EIO, reading};
}

// Whether both offsets start a memory page, as a file system's shared blocks (reflinks) need.
bool bothAtPageStarts(std::uint64_t inOffset, std::uint64_t outOffset) {
    static const auto page = static_cast<std::uint64_t>(std::max(::sysconf(_SC_PAGESIZE), 1L));
    return inOffset % page == 0 && outOffset % page == 0;
}

// Whether the kernel's copy to a file on out's file system only splices the bytes through a
// small pipe of its own: a file system that neither shares blocks between files nor copies on a
// server (ext2/3/4, tmpfs). There a pipe of ours is cheaper for every stretch, aligned or not.
bool kernelCopyOnlySplices(int out) {
    struct statfs fs {};
    if (::fstatfs(out, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case kExt4:
        case kTmpfs:
            return true;
        default:
            return false;
    }
}

struct Pipe {
    int fds[2] = {-1, -1};
    ~Pipe() {
        for (const int fd : fds) {
            if (fd >= 0) ::close(fd);
        }
    }
};

// Moves count bytes from in to out through a 1 MB pipe of this process's own with splice. The
// kernel's copy_file_range splices through a 64 KB pipe of its own where it cannot share blocks:
// on ext4 that took about a third more processor time where the two offsets differ within a
// page, and about a tenth more where they do not. Sets refused, having copied nothing, where the
// pipe, its size or splice between these files is not offered.
CopyResult spliceThroughPipe(int in, off64_t inAt, int out, off64_t outAt, std::uint64_t count,
                             bool& refused) {
    refused = false;
    Pipe pipe;
    if (::pipe2(pipe.fds, O_CLOEXEC) != 0 ||
        ::fcntl(pipe.fds[1], F_SETPIPE_SZ, kPipeBytes) < kPipeBytes) {
        refused = true;
        return {};
    }
    bool moved = false;
    while (count > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(count, kPipeBytes));
        const ssize_t got = ::splice(in, &inAt, pipe.fds[1], nullptr, want, SPLICE_F_MOVE);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && !moved && kernelCopyRefused(errno)) {
            refused = true;
            return {};
        }
        if (got <= 0) return failure(got < 0 ? errno : EIO, true);
        for (ssize_t put = 0; put < got;) {
            const ssize_t n = ::splice(pipe.fds[0], nullptr, out, &outAt,
                                       static_cast<std::size_t>(got - put), SPLICE_F_MOVE);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && !moved && put == 0 && kernelCopyRefused(errno)) {
                refused = true;  // what the pipe holds goes with it
                return {};
            }
            if (n <= 0) return failure(n < 0 ? errno : ENOSPC, false);
            put += n;
            moved = true;
        }
        count -= static_cast<std::uint64_t>(got);
    }
    return {};
}

CopyResult copyThroughBuffer(int in, off64_t inAt, int out, off64_t outAt, std::uint64_t count) {
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kBufferBytes]);
    if (!buffer) return failure(ENOMEM, false);
    while (count > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(count, kBufferBytes));
        const ssize_t got = ::pread(in, buffer.get(), want, inAt);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return failure(got < 0 ? errno : EIO, true);
        for (ssize_t put = 0; put < got;) {
            const ssize_t n =
                ::pwrite(out, buffer.get() + put, static_cast<std::size_t>(got - put), outAt + put);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return failure(n < 0 ? errno : ENOSPC, false);
            put += n;
        }
        inAt += got;
        outAt += got;
        count -= static_cast<std::uint64_t>(got);
    }
    return {};
}

}  // namespace

bool kernelCopyRefused(int err) {
    return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == ENOTSUP;
}

CopyResult copyFileBytes(int in, std::uint64_t inOffset, int out, std::uint64_t outOffset,
                         std::uint64_t count, CopyMethod method) {
    auto inAt = static_cast<off64_t>(inOffset);
    auto outAt = static_cast<off64_t>(outOffset);
    // Only a stretch from a page start to a page start can share blocks with its source, and
    // only on a file system that shares them; any other is copied anyway, and faster through a
    // pipe of our own.
    if (method == CopyMethod::Kernel && count > 0 &&
        (!bothAtPageStarts(inOffset, outOffset) || kernelCopyOnlySplices(out))) {
        bool refused = false;
        const CopyResult r = spliceThroughPipe(in, inAt, out, outAt, count, refused);
        if (!refused) return r;
    }
    while (method == CopyMethod::Kernel && count > 0) {
        const ssize_t n =
            ::copy_file_range(in, &inAt, out, &outAt, std::min(count, kMostPerCall), 0);
        if (n > 0) {
            count -= static_cast<std::uint64_t>(n);
            continue;
        }
        if (n == 0) return failure(EIO, true);  // the source ended early
        if (errno == EINTR) continue;
        if (!kernelCopyRefused(errno)) return failure(errno, false);
        // Refused between these two files: the rest goes through memory. The offsets are
        // where the kernel left them, so nothing is copied twice or skipped.
        break;
    }
    if (count == 0) return {};
    return copyThroughBuffer(in, inAt, out, outAt, count);
}

CopyResult copyFileContents(int in, int out, std::uint64_t size, const CopyStep& step,
                            CopyMethod method, std::uint64_t stepBytes) {
    stepBytes = std::max<std::uint64_t>(stepBytes, 1);
    for (std::uint64_t copied = 0; copied < size;) {
        const std::uint64_t n = std::min(stepBytes, size - copied);
        const CopyResult r = copyFileBytes(in, copied, out, copied, n, method);
        if (!r.ok()) return r;
        copied += n;
        if (step && !step(copied, size)) return {ECANCELED, false};
    }
    return {};
}

FileSystemInfo describeFileSystem(const std::string& folder) {
    FileSystemInfo info;
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) != 0) {
        info.name = "unknown";
        return info;
    }
    switch (static_cast<unsigned long>(fs.f_type)) {
        case kExt4:
            info.name = "ext4";
            break;
        case 0x9123683E:
            info.name = "btrfs";
            break;
        case 0x58465342:
            info.name = "xfs";
            break;
        case kTmpfs:
            info.name = "tmpfs";
            break;
        case 0x794C7630:
            info.name = "overlayfs";
            break;
        case 0xF2F52010:
            info.name = "f2fs";
            break;
        case 0x2FC12FC1:
            info.name = "zfs";
            break;
        case 0xCA451A4E:
            info.name = "bcachefs";
            break;
        case 0x6969:
            info.name = "nfs";
            break;
        default: {
            char hex[24];
            std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(fs.f_type));
            info.name = hex;
        }
    }
    std::string first = folder + "/.fs-probe-XXXXXX";
    std::string second = first;
    const int a = ::mkstemp(first.data());
    const int b = a >= 0 ? ::mkstemp(second.data()) : -1;
    if (a >= 0 && b >= 0) {
        const unsigned char block[4096] = {1};
        if (::pwrite(a, block, sizeof block, 0) == static_cast<ssize_t>(sizeof block)) {
            info.reflinks = ::ioctl(b, FICLONE, a) == 0;
        }
    }
    if (a >= 0) ::close(a), ::unlink(first.c_str());
    if (b >= 0) ::close(b), ::unlink(second.c_str());
    return info;
}

}  // namespace sonthra
