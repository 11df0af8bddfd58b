#include "view/peak_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/private_folder.h"
#include "settings/settings.h"
#include "view/peak_builder.h"
#include "view/view_errors.h"
#include "wave/file_release.h"
#include "wave/safe_file.h"

namespace sonthra {
namespace {

void putLe16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void putLe32(unsigned char* p, std::uint32_t v) {
    putLe16(p, static_cast<std::uint16_t>(v));
    putLe16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(le16(p)) | (static_cast<std::uint32_t>(le16(p + 2)) << 16);
}

// The entries as they sit in the file.
void encodePeaks(const TPeak* peaks, std::size_t count, unsigned char* out) {
    for (std::size_t i = 0; i < count; ++i) {
        putLe16(out + 4 * i, static_cast<std::uint16_t>(peaks[i].minimum));
        putLe16(out + 4 * i + 2, static_cast<std::uint16_t>(peaks[i].maximum));
    }
}

void decodePeaks(const unsigned char* in, std::size_t count, TPeak* peaks) {
    for (std::size_t i = 0; i < count; ++i) {
        peaks[i].minimum = static_cast<std::int16_t>(le16(in + 4 * i));
        peaks[i].maximum = static_cast<std::int16_t>(le16(in + 4 * i + 2));
    }
}

bool readFully(int fd, void* buffer, std::size_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::read(fd, out, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        out += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

bool newer(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// Whether a peak file can be put at path: it is replaced by a rename, so its folder must be
// writable. Nothing is created to find out, so no empty file of the wrong mode is left.
bool canReplace(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return false;
    return ::faccessat(AT_FDCWD, folderOf(path).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// A link someone else made where the peak file would go: the name is theirs, not ours.
bool isForeignLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && !IsOwnLink(path);
}

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

constexpr const char* kPeakCacheName = "peaks";

constexpr std::size_t kPeaksPerWrite = 16384;

// The peak files being written in the background, by name. Never destroyed: a write may still
// run while the program's statics go.
struct PendingWrite {
    std::thread thread;
    // Set when a newer write of the same name supersedes this one: it stops without a file.
    std::shared_ptr<std::atomic<bool>> abandon;
};
struct PendingWrites {
    std::mutex mutex;
    std::map<std::string, PendingWrite> threads;
};

PendingWrites& pendingWrites() {
    static auto* pending = new PendingWrites;
    return *pending;
}

int writePeakFile(const std::string& name, std::uint16_t channels, const PeakData& peaks,
                  const std::string& audioFile, const std::atomic<bool>* abandon = nullptr);

// The write itself, then the audio's time on the peak file, which says that the peaks describe
// the audio as it was when they were handed over.
int writeWithTime(const std::string& name, std::uint16_t channels, const PeakData& peaks,
                  const std::string& audioFile, const std::optional<struct timespec>& time,
                  const std::atomic<bool>& abandon) {
    const int code = writePeakFile(name, channels, peaks, audioFile, &abandon);
    if (code != kViewOk || !time) return code;
    const struct timespec times[2] = {{0, UTIME_NOW}, *time};
    ::utimensat(AT_FDCWD, name.c_str(), times, 0);
    return kViewOk;
}

}  // namespace

namespace {

// Waits for the background write of name, if one runs; abandoned, it stops at its next block
// and leaves no file.
void endPeakFileWrite(const std::string& name, bool abandon) {
    PendingWrite writer;
    {
        std::lock_guard lock(pendingWrites().mutex);
        const auto it = pendingWrites().threads.find(name);
        if (it == pendingWrites().threads.end()) return;
        writer = std::move(it->second);
        pendingWrites().threads.erase(it);
    }
    if (abandon && writer.abandon) writer.abandon->store(true);
    if (writer.thread.joinable()) writer.thread.join();
}

}  // namespace

void FinishPeakFileWrite(const std::string& name) {
    endPeakFileWrite(name, false);
}

void FinishAllPeakFileWrites() {
    std::map<std::string, PendingWrite> writers;
    {
        std::lock_guard lock(pendingWrites().mutex);
        writers.swap(pendingWrites().threads);
    }
    for (auto& [name, writer] : writers) {
        if (writer.thread.joinable()) writer.thread.join();
    }
}

int SavePeakFileInBackground(const std::string& name, std::uint16_t channels,
                             std::shared_ptr<const PeakData> peaks, const std::string& audioFile,
                             std::function<void(int code)> onFailure) {
    if (name.empty()) return kViewErrNoPeakName;
    if (!peaks) return kViewErrNoMemory;
    // A write still running for this name describes older audio: it is given up rather than
    // waited for (after an edit, the previous edit's write is often still going).
    endPeakFileWrite(name, true);
    // The file there describes the audio before the change: it goes now, so that nothing can
    // take it for the new audio while the new one is being written.
    unlinkInBackground(name);
    std::optional<struct timespec> time;
    struct stat audio {};
    if (!audioFile.empty() && ::stat(audioFile.c_str(), &audio) == 0) time = audio.st_mtim;
    std::shared_ptr<std::atomic<bool>> abandon;
    try {
        abandon = std::make_shared<std::atomic<bool>>(false);
    } catch (const std::bad_alloc&) {
        return kViewErrNoMemory;
    }
    auto write = [name, channels, peaks, audioFile, time, onFailure, abandon] {
        const int code = writeWithTime(name, channels, *peaks, audioFile, time, *abandon);
        if (code != kViewOk && code != kViewErrCancelled && onFailure) onFailure(code);
    };
    try {
        std::lock_guard lock(pendingWrites().mutex);
        pendingWrites().threads.emplace(name, PendingWrite{std::thread(write), abandon});
    } catch (const std::system_error&) {
        write();  // no thread: now
    } catch (const std::bad_alloc&) {
        write();
    }
    return kViewOk;
}

std::string GetPeakFileName(const std::string& wavName, const std::string& tempFolder) {
    const std::size_t slash = wavName.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // Only a dot inside the file name starts its extension; one in a folder name does not.
    const std::size_t dot = wavName.find_last_of('.');
    const std::size_t stem = dot != std::string::npos && dot > nameStart ? dot : wavName.size();
    const std::string beside = wavName.substr(0, stem) + ".cvp";
    if (canReplace(beside) && !IsSharedFolder(folderOf(beside)) && !isForeignLink(beside)) {
        return beside;
    }
    // Elsewhere the name carries the audio's whole path, so that two files of one name in
    // different folders keep peak files of their own.
    std::error_code ec;
    const std::string whole = std::filesystem::absolute(wavName, ec).lexically_normal().string();
    char hash[20];
    std::snprintf(hash, sizeof hash, "-%016llx", static_cast<unsigned long long>(fnv1a(whole)));
    const std::string name = wavName.substr(nameStart, stem - nameStart) + hash + ".cvp";
    std::string folder = UserCacheFolder(kPeakCacheName);
    if (folder.empty())
        folder = PrivateFolderIn(tempFolder.empty() ? systemTempFolder() : tempFolder);
    return folder + "/" + name;
}

int SavePeakFile(const std::string& name, std::uint16_t channels, const PeakData& peaks,
                 const std::string& audioFile) {
    // A write still running in the background would otherwise land after this one.
    FinishPeakFileWrite(name);
    return writePeakFile(name, channels, peaks, audioFile);
}

namespace {

int writePeakFile(const std::string& name, std::uint16_t channels, const PeakData& peaks,
                  const std::string& audioFile, const std::atomic<bool>* abandon) {
    if (name.empty()) return kViewErrNoPeakName;
    const std::size_t blocks = peaks.blockCount();
    if (blocks > 0 && peaks.channelCount() < channels) channels = peaks.channelCount();
    // The peaks show the audio's waveform: whoever may not read the audio may not read them.
    std::optional<mode_t> mode;
    struct stat audio {};
    if (!audioFile.empty() && ::stat(audioFile.c_str(), &audio) == 0) mode = audio.st_mode & 0666;
    SafeFileWriter writer(name, mode);
    if (!writer.open()) return kViewErrPeakCreate;
    unsigned char header[kPeakFileHeaderBytes];
    putLe16(header, channels);
    putLe32(header + 2, static_cast<std::uint32_t>(blocks));
    if (!writer.write({reinterpret_cast<const char*>(header), sizeof header})) {
        return kViewErrPeakWrite;
    }
    std::vector<unsigned char> bytes;
    try {
        bytes.resize(4 * std::min(blocks, kPeaksPerWrite));
    } catch (const std::bad_alloc&) {
        return kViewErrNoMemory;
    }
    for (std::size_t c = 0; blocks > 0 && c < channels; ++c) {
        const TPeak* array = peaks.channel(c).data();
        for (std::size_t at = 0; at < blocks; at += kPeaksPerWrite) {
            // Given up: the writer's temporary file goes with it, the name keeps no file.
            if (abandon != nullptr && abandon->load()) return kViewErrCancelled;
            const std::size_t n = std::min(kPeaksPerWrite, blocks - at);
            encodePeaks(array + at, n, bytes.data());
            if (!writer.write({reinterpret_cast<const char*>(bytes.data()), 4 * n})) {
                return kViewErrPeakWrite;
            }
        }
    }
    // A cache: the rename keeps a half file from ever standing under the name, and one lost
    // in a crash is only built again, so the edit need not wait for the disk.
    return writer.commit(false) ? kViewOk : kViewErrPeakWrite;
}

}  // namespace

int LoadPeakFile(const std::string& name, const std::string& wavName, std::uint32_t totalSamples,
                 std::uint16_t channels, std::vector<PeakData::Channel>& out) {
    out.clear();
    FinishPeakFileWrite(name);
    struct stat wavStat {};
    if (::stat(wavName.c_str(), &wavStat) != 0) return kViewErrCannotOpen;
    struct stat peakStat {};
    if (::stat(name.c_str(), &peakStat) != 0) {
        return errno == ENOENT ? kViewErrPeakOpen : kViewErrFileTimes;
    }
    if (newer(wavStat.st_mtim, peakStat.st_mtim)) return kViewErrPeakStale;
    if (totalSamples == 0) return kViewErrNothingToDraw;

    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return kViewErrPeakOpen;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    unsigned char header[kPeakFileHeaderBytes];
    if (!readFully(fd, header, sizeof header)) return kViewErrPeakRead;
    const std::uint16_t storedChannels = le16(header);
    const std::uint32_t storedBlocks = le32(header + 2);
    if (storedBlocks != peakBlockCount(totalSamples)) return kViewErrPeakStale;
    // The display draws one array per channel of its file; a file made for another channel
    // count cannot stand in for it.
    if (storedChannels != channels || channels == 0) return kViewErrPeakStale;
    struct stat st {};
    const std::uint64_t need =
        kPeakFileHeaderBytes + std::uint64_t{4} * storedBlocks * storedChannels;
    if (::fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < need) {
        return kViewErrPeakRead;
    }

    std::vector<PeakData::Channel> arrays;
    std::vector<unsigned char> bytes;
    try {
        arrays.assign(storedChannels, PeakData::Channel(storedBlocks));
        bytes.resize(4 * std::min<std::size_t>(storedBlocks, kPeaksPerWrite));
    } catch (const std::bad_alloc&) {
        return kViewErrNoMemory;
    }
    for (auto& array : arrays) {
        for (std::size_t at = 0; at < array.size(); at += kPeaksPerWrite) {
            const std::size_t n = std::min(kPeaksPerWrite, array.size() - at);
            if (!readFully(fd, bytes.data(), 4 * n)) return kViewErrPeakRead;
            decodePeaks(bytes.data(), n, array.data() + at);
        }
    }
    out = std::move(arrays);
    return kViewOk;
}

std::vector<PeakData::Channel> RemovePeakBlocks(const std::vector<PeakData::Channel>& old,
                                                std::uint32_t newTotal, std::uint32_t start,
                                                std::uint32_t end) {
    // Blocks [firstDropped, lastDropped) lie wholly inside the deleted range.
    const std::size_t firstDropped = peakBlockCount(start);
    const std::size_t lastDropped = std::max<std::size_t>(end / kPeakBlockFrames, firstDropped);
    const std::size_t count = peakBlockCount(newTotal);
    std::vector<PeakData::Channel> out;
    out.reserve(old.size());
    for (const auto& array : old) {
        PeakData::Channel fresh(count, TPeak{});
        std::size_t to = 0;
        for (std::size_t from = 0; from < array.size() && to < count; ++from) {
            if (from >= firstDropped && from < lastDropped) continue;
            fresh[to++] = array[from];
        }
        out.push_back(std::move(fresh));
    }
    return out;
}

namespace {

// Which blocks a removal of frames [start, start + removed) changes. Blocks before `first`
// hold no frame at or after start and stay. When the removed length is whole blocks, each
// block from `moved` on is the old one `shift` places further on; the blocks [first, moved)
// (none, one, or all the rest) must be scanned.
struct RemovalPlan {
    std::size_t count;  // blocks after the removal
    std::size_t first;
    std::size_t moved;
    std::size_t shift;

    RemovalPlan(std::uint64_t newTotal, std::uint32_t start, std::uint32_t removed)
        : count(peakBlockCount(newTotal)),
          first(std::min<std::size_t>(start / kPeakBlockFrames, count)),
          moved(count),
          shift(removed / kPeakBlockFrames) {
        if (removed % kPeakBlockFrames == 0) {
            moved = std::min(count, start % kPeakBlockFrames == 0 ? first : first + 1);
        }
    }
};

bool peaksFit(const std::vector<PeakData::Channel>& peaks, std::size_t channels,
              std::uint64_t frames) {
    if (peaks.size() != channels) return false;
    for (const auto& array : peaks) {
        if (array.size() != peakBlockCount(frames)) return false;
    }
    return true;
}

// New arrays for the peaks after a removal, holding the blocks that stay or move; the blocks
// [first, moved) are left to be scanned.
std::vector<PeakData::Channel> keptBlocks(const std::vector<PeakData::Channel>& old,
                                          const RemovalPlan& plan, std::size_t channels) {
    std::vector<PeakData::Channel> fresh;
    SizePeakArrays(fresh, static_cast<int>(channels), plan.count);
    for (std::size_t c = 0; c < channels; ++c) {
        std::copy_n(old[c].begin(), plan.first, fresh[c].begin());
        for (std::size_t k = plan.moved; k < plan.count; ++k) {
            fresh[c][k] = old[c][k + plan.shift];
        }
    }
    return fresh;
}

}  // namespace

int PatchPeaksAfterRemoval(std::vector<PeakData::Channel>& peaks, SampleFile& after,
                           std::uint32_t start, std::uint32_t end) {
    const std::uint64_t total = after.info().totalSamples;
    if (start > end || start > total ||
        !peaksFit(peaks, after.info().format.channels, total + (end - start))) {
        return kViewErrPeakStale;
    }
    const RemovalPlan plan(total, start, end - start);
    // In place: every block moves towards the front, so copying upwards never overwrites a
    // block still to be read.
    for (auto& array : peaks) {
        for (std::size_t k = plan.moved; k < plan.count; ++k) array[k] = array[k + plan.shift];
        array.resize(plan.count);
    }
    if (plan.first == plan.moved) return kViewOk;
    return ScanPeakStretch(after, std::uint64_t{plan.first} * kPeakBlockFrames,
                           std::uint64_t{plan.moved} * kPeakBlockFrames, plan.first, peaks);
}

int PatchPeaksFromAfter(const std::vector<PeakData::Channel>& peaks, SampleFile& after,
                        std::uint32_t start, std::uint32_t end,
                        std::vector<PeakData::Channel>& out) {
    out.clear();
    const std::uint64_t total = after.info().totalSamples;
    const std::size_t channels = after.info().format.channels;
    if (start > end || start > total || !peaksFit(peaks, channels, total + (end - start))) {
        return kViewErrPeakStale;
    }
    const RemovalPlan plan(total, start, end - start);
    try {
        std::vector<PeakData::Channel> fresh = keptBlocks(peaks, plan, channels);
        if (plan.first < plan.moved) {
            const int code =
                ScanPeakStretch(after, std::uint64_t{plan.first} * kPeakBlockFrames,
                                std::uint64_t{plan.moved} * kPeakBlockFrames, plan.first, fresh);
            if (code != kViewOk) return code;
        }
        out = std::move(fresh);
    } catch (const std::bad_alloc&) {
        return kViewErrNoMemory;
    }
    return kViewOk;
}

int PatchPeaksForRemoval(const std::vector<PeakData::Channel>& old, SampleFile& before,
                         std::uint32_t start, std::uint32_t end,
                         std::vector<PeakData::Channel>& out) {
    out.clear();
    const std::uint64_t total = before.info().totalSamples;
    const std::size_t channels = before.info().format.channels;
    if (start > end || end > total || !peaksFit(old, channels, total)) return kViewErrPeakStale;
    const std::uint64_t newTotal = total - (end - start);
    const RemovalPlan plan(newTotal, start, end - start);
    try {
        std::vector<PeakData::Channel> fresh = keptBlocks(old, plan, channels);
        if (plan.first < plan.moved) {
            // The first changed block joins the frames before start to those from end on.
            const std::uint64_t head = start - std::uint64_t{plan.first} * kPeakBlockFrames;
            std::uint64_t next = end;  // the next frame of the file before, after the joined block
            std::size_t block = plan.first;
            if (head > 0) {
                const WaveFormat& f = before.info().format;
                const std::uint64_t tail =
                    std::min<std::uint64_t>(kPeakBlockFrames - head, total - end);
                unsigned char joined[kPeakBlockFrames * 4];
                const std::int64_t a =
                    before.read(std::uint64_t{plan.first} * kPeakBlockFrames * f.blockAlign, joined,
                                head * f.blockAlign);
                const std::int64_t b = before.read(end * f.blockAlign, joined + head * f.blockAlign,
                                                   tail * f.blockAlign);
                if (a != static_cast<std::int64_t>(head * f.blockAlign) ||
                    b != static_cast<std::int64_t>(tail * f.blockAlign)) {
                    return kViewErrCannotRead;
                }
                ScanPeakFrames(joined, head + tail, f, fresh, block++);
                next = end + tail;
            }
            const std::uint64_t stop = end + (std::uint64_t{plan.moved} * kPeakBlockFrames - start);
            if (block < plan.moved) {
                const int code = ScanPeakStretch(before, next, stop, block, fresh);
                if (code != kViewOk) return code;
            }
        }
        out = std::move(fresh);
    } catch (const std::bad_alloc&) {
        return kViewErrNoMemory;
    }
    return kViewOk;
}

}  // namespace sonthra
