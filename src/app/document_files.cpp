#include "app/document_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "dialogs/process_record.h"
#include "app/save_copy.h"

namespace sonthra {

namespace {

constexpr std::uint64_t kCdBytesPerSecondBits = 44100ull * 16 * 2;
constexpr std::uint32_t kLowestMp3BitRate = 8;

}  // namespace

bool HasExtension(const std::string& name, const std::string& ext) {
    if (name.size() < ext.size()) return false;
    return std::equal(ext.begin(), ext.end(), name.end() - static_cast<std::ptrdiff_t>(ext.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

std::uint64_t EstimateWorkspaceBytes(std::uint64_t fileSize, bool mp3, std::uint32_t bitRateKbps) {
    if (!mp3) return fileSize;
    const std::uint64_t rate = std::max(bitRateKbps, kLowestMp3BitRate);
    // fileSize x 1,411,200 stays inside 64 bits for files up to about 13 TB.
    return fileSize * kCdBytesPerSecondBits / (rate * 1000);
}

std::optional<std::uint64_t> FreeSpaceBytes(const std::string& folder) {
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

int HandOverPeakFile(const std::string& workPeakFile, const std::string& userPeakFile,
                     const std::string& userFile) {
    struct stat wav {};
    const bool wavKnown = ::stat(userFile.c_str(), &wav) == 0;
    const int wavError = wavKnown ? 0 : errno;
    struct stat peak {};
    const bool moving = ::stat(workPeakFile.c_str(), &peak) == 0 && peak.st_size > 0 &&
                        !userPeakFile.empty() && userPeakFile != workPeakFile && wavKnown;
    if (moving && ::rename(workPeakFile.c_str(), userPeakFile.c_str()) != 0) {
        if (errno != EXDEV) {
            const int err = errno;
            RemoveFile(workPeakFile);
            return err;
        }
        // The temporary folder lies on another file system: copy, then drop the original.
        ProcessRecord record(ProcessKind::FileCopy);
        int err = 0;
        const int copied = SaveCopy(workPeakFile, userPeakFile, record, &err);
        RemoveFile(workPeakFile);
        if (copied != 0) return err != 0 ? err : EIO;
    }
    if (!moving) RemoveFile(workPeakFile);
    if (!wavKnown) return wavError;
    // The user's peak file describes the file as it is now (a clean document equals it), so it
    // takes the file's time whether it came from the working copy or was already there.
    struct stat kept {};
    if (userPeakFile.empty() || ::stat(userPeakFile.c_str(), &kept) != 0) return 0;
    const struct timespec times[2] = {{0, UTIME_NOW}, wav.st_mtim};
    if (::utimensat(AT_FDCWD, userPeakFile.c_str(), times, 0) != 0) return errno;
    return 0;
}

bool RemoveFile(const std::string& path) {
    if (path.empty()) return true;
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool EmptyFile(const std::string& path) {
    if (path.empty()) return true;
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    ::close(fd);
    return true;
}

}  // namespace sonthra
