// Copying bytes from one open file to another with the kernel's copy_file_range: no byte passes
// through this process, and on a file system that shares blocks between files the copy of an
// aligned stretch costs no data at all. A stretch that does not start at a page start in both
// files (the samples after a WAV header, say), and every stretch on a file system where the
// kernel's copy only splices (ext4, tmpfs), goes through a large pipe of our own with splice,
// which costs a tenth to a third less than the kernel's own copy of it (on ext4). Where the kernel
// refuses these calls for the two files (another file system, a file system without them, an old
// kernel) the bytes go through a buffer with pread and pwrite instead, with the same result. Plain
// functions; any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sonthra {

enum class CopyMethod {
    Kernel,     // copy_file_range or splice, falling back to pread/pwrite where refused
    ReadWrite,  // pread/pwrite only
};

struct CopyResult {
    int error = 0;  // 0, or the errno of the failure (EIO when the source ended early)
    // Whether the failure came from reading the source (a read error, or the source ended
    // before count bytes); otherwise writing (or the kernel's copy as a whole) failed.
    bool reading = false;

    bool ok() const { return error == 0; }
};

// Copies count bytes of in from inOffset to out at outOffset, retrying partial copies and
// EINTR. Neither descriptor's file offset is used or moved.
CopyResult copyFileBytes(int in, std::uint64_t inOffset, int out, std::uint64_t outOffset,
                         std::uint64_t count, CopyMethod method = CopyMethod::Kernel);

// Whether copy_file_range's errno means "not offered between these two files" rather than a
// failure of the copy itself.
bool kernelCopyRefused(int err);

// Called after each step of copyFileContents with the bytes copied so far and the total;
// returning false stops the copy.
using CopyStep = std::function<bool(std::uint64_t copied, std::uint64_t total)>;

// Bytes per step of copyFileContents: large enough that the kernel's copy runs at full speed
// (and shares whole extents), small enough that a cancel is seen within a few milliseconds.
inline constexpr std::uint64_t kCopyStepBytes = 32ull << 20;

// Copies the first size bytes of in to the start of out in steps of stepBytes, calling step
// after each. ECANCELED when step asked to stop. Does not truncate, flush or close out.
CopyResult copyFileContents(int in, int out, std::uint64_t size, const CopyStep& step = {},
                            CopyMethod method = CopyMethod::Kernel,
                            std::uint64_t stepBytes = kCopyStepBytes);

// What a folder's file system is, for benchmarks and reports: its name ("ext4", "btrfs",
// "tmpfs", or the magic number in hex) and whether it clones a file's blocks without copying
// them (tried on a small file made and removed in the folder).
struct FileSystemInfo {
    std::string name;
    bool reflinks = false;
};
FileSystemInfo describeFileSystem(const std::string& folder);

}  // namespace sonthra
