#include "cli/file_sequence.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <new>

#include "engine/engine_errors.h"
#include "engine/wave_layout.h"
#include "messages/message_table.h"
#include "wave/file_copy.h"
#include "wave/riff.h"
#include "wave/wave_cue.h"

namespace sonthra::cli {
namespace {

// The working copy's name inside the document's folder.
constexpr const char* kWorkingName = "working.wav";
constexpr int kCannotWriteMessage = 121;

std::string temporaryRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? std::string(tmp) : std::string("/tmp");
}

// Removes the folder's files and the folder; it holds no folders of its own.
void removeFolder(const std::string& folder) {
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") ::unlinkat(::dirfd(dir), name.c_str(), 0);
        }
        ::closedir(dir);
    }
    ::rmdir(folder.c_str());
}

// Puts the file open on fd into the folder under name: a second name for it where the file
// system allows, which costs nothing, else a kernel copy. false with errno on failure.
bool placeWorkingCopy(int fd, const std::string& folder, const char* name) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) return false;
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    bool placed = ::linkat(AT_FDCWD, self.c_str(), dir, name, AT_SYMLINK_FOLLOW) == 0;
    if (!placed) {
        struct stat st {};
        const int out =
            ::openat(dir, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (out >= 0 && ::fstat(fd, &st) == 0) {
            placed = copyFileBytes(fd, 0, out, 0, static_cast<std::uint64_t>(st.st_size)).ok();
        }
        if (out >= 0) ::close(out);
    }
    ::close(dir);
    return placed;
}

}  // namespace

int openEditableWave(const std::string& path, WaveFileLayout* layout, int* fd) {
    if (path.empty()) return engine_error::kNoPlaybackFileName;
    RiffFile file;
    if (file.open(path, RiffFile::Mode::Read) != kRiffOk) return engine_error::kCannotOpenWaveFile;
    const WaveInspect inspected = inspectWave(file, *layout);
    if (const int r = checkInspectedWave(inspected, layout->format); r != 0) return r;
    *fd = ::fcntl(file.fd(), F_DUPFD_CLOEXEC, 0);
    return *fd < 0 ? engine_error::kCannotOpenWaveFile : 0;
}

int FileSequence::open(const std::string& path, std::unique_ptr<FileSequence>* out) {
    try {
        std::unique_ptr<FileSequence> file(new FileSequence());
        if (const int r = openEditableWave(path, &file->m_layout, &file->m_fd); r != 0)
            return EngineErrorToMessage(r);
        std::string folder = temporaryRoot() + "/.sonthra-cli-XXXXXX";
        if (!::mkdtemp(folder.data())) return kCannotWriteMessage;
        file->m_folder = folder;
        if (!placeWorkingCopy(file->m_fd, folder, kWorkingName)) return kCannotWriteMessage;
        if (const int r = SequenceDocument::open(folder, kWorkingName, &file->m_document); r != 0)
            return r;
        *out = std::move(file);
        return 0;
    } catch (const std::exception&) {
        return kNoMemory;
    }
}

FileSequence::~FileSequence() {
    m_document.reset();
    if (!m_folder.empty()) removeFolder(m_folder);
    if (m_fd >= 0) ::close(m_fd);
    if (m_markersFd >= 0) ::close(m_markersFd);
}

int FileSequence::chunks(const std::vector<FrameEdit>& edits, std::vector<CarriedChunk>* carried) {
    carried->clear();
    for (const RiffChunk& c : m_layout.otherChunks)
        carried->push_back(CarriedChunk{c.id, m_fd, c.dataOffset, c.size});
    const CueChunks where = findCueChunks(m_layout.otherChunks);
    CueSheet sheet;
    // Chunks too large to be markers go over as they are.
    if (where.cue < 0 || !readCueSheet(m_fd, m_layout.otherChunks, sheet)) return 0;
    bool moved = false;
    for (const FrameEdit& edit : edits)
        moved = shiftCueSheet(sheet, edit.from, edit.to, edit.inserted) || moved;
    if (!moved) return 0;
    if (m_markersFd < 0) m_markersFd = ::memfd_create("sonthra-markers", MFD_CLOEXEC);
    if (m_markersFd < 0 || ::ftruncate(m_markersFd, 0) != 0) return kCannotWriteMessage;
    std::uint64_t at = 0;
    const auto rewrite = [&](int index, const std::string& data) {
        CarriedChunk& chunk = (*carried)[static_cast<std::size_t>(index)];
        chunk = CarriedChunk{chunk.id, m_markersFd, at, static_cast<std::uint32_t>(data.size())};
        at += data.size();
        return ::pwrite(m_markersFd, data.data(), data.size(), static_cast<off_t>(chunk.offset)) ==
               static_cast<ssize_t>(data.size());
    };
    if (!rewrite(where.cue, cueChunkData(sheet)) ||
        (where.adtl >= 0 && !rewrite(where.adtl, adtlListData(sheet)))) {
        return kCannotWriteMessage;
    }
    // Chunks left with nothing in them go; the later one first, so the other index holds.
    std::vector<int> empty;
    if (sheet.points.empty()) empty.push_back(where.cue);
    if (where.adtl >= 0 && sheet.entries.empty()) empty.push_back(where.adtl);
    std::sort(empty.rbegin(), empty.rend());
    for (const int index : empty) carried->erase(carried->begin() + index);
    return 0;
}

}  // namespace sonthra::cli
