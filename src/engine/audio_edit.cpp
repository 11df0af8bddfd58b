#include "engine/audio_edit.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/edit_errors.h"
#include "engine/engine_errors.h"
#include "engine/wave_layout.h"
#include "platform/private_folder.h"
#include "platform/temp_file.h"
#include "platform/work_done.h"
#include "wave/file_release.h"
#include "wave/safe_file.h"
#include "wave/wave_cue.h"
#include "wave/wave_layout.h"
#include "wave/wave_probe.h"
#include "wave/wave_writer.h"

namespace sonthra {

namespace {

enum class RangeOp { Cut, Copy, CutInFile, CopyInFile, Clear, Crop, Mute, Trim };

// Room kept free on a disk beyond what an edit's files need, for everything else that writes.
constexpr std::uint64_t kSpareBytes = 1 << 20;

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0) {
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
    return a == b;
}

std::string baseOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string systemTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? std::string(tmp) : std::string("/tmp");
}

void addPiece(std::vector<EditPiece>& pieces, EditPiece::Kind kind, int input, std::uint64_t from,
              std::uint64_t to) {
    if (to > from) pieces.push_back({kind, input, from, to - from});
}

std::uint64_t targetBytes(const EditTarget& target, const EditJob& job) {
    std::uint64_t bytes = kWaveHeaderBytes;
    for (const EditPiece& p : target.pieces) bytes += p.bytes;
    if (target.carryChunks) {
        for (const RiffChunk& c : job.sourceChunks) bytes += 8 + c.size + (c.size & 1u);
    }
    return bytes;
}

std::uint64_t sampleBytes(const EditTarget& target) {
    std::uint64_t bytes = 0;
    for (const EditPiece& p : target.pieces) bytes += p.bytes;
    return bytes;
}

// 0, 301 when a file would pass the 4 GB a WAV file can hold, or 303 when a disk lacks the
// room for the files the job writes there.
int checkRoom(const EditJob& job) {
    struct Disk {
        unsigned long id;
        std::uint64_t available;
        std::uint64_t needed;
    };
    std::vector<Disk> disks;
    for (const EditTarget& t : job.targets) {
        if (sampleBytes(t) > kMaxWaveDataBytes) return engine_error::kCannotWriteData;
        struct statvfs vfs {};
        if (::statvfs(folderOf(t.path).c_str(), &vfs) != 0) continue;
        Disk* disk = nullptr;
        for (Disk& d : disks) {
            if (d.id == vfs.f_fsid) disk = &d;
        }
        if (!disk) {
            disks.push_back(
                {vfs.f_fsid, static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize, 0});
            disk = &disks.back();
        }
        disk->needed += targetBytes(t, job);
    }
    for (const Disk& d : disks) {
        if (d.needed + kSpareBytes > d.available) return edit_error::kNoTempSpace;
    }
    return 0;
}

// The source's cue points moved as the edit moves the sound they point at (and dropped with
// their labels when it removes that sound). Only when one moves does the edited file get new
// marker chunks; otherwise they go over byte for byte with the other chunks. 0 or 301.
int moveMarkers(EditJob& job, int sourceFd, std::initializer_list<FrameEdit> edits) {
    const CueChunks where = findCueChunks(job.sourceChunks);
    CueSheet sheet;
    // Chunks too large to be markers are carried as they are.
    if (where.cue < 0 || !readCueSheet(sourceFd, job.sourceChunks, sheet)) return 0;
    bool moved = false;
    for (const FrameEdit& edit : edits) {
        moved = shiftCueSheet(sheet, edit.from, edit.to, edit.inserted) || moved;
    }
    if (!moved) return 0;
    job.rewrittenFd = ::memfd_create("sonthra-markers", MFD_CLOEXEC);
    if (job.rewrittenFd < 0) return engine_error::kCannotWriteData;
    std::uint64_t at = 0;
    const auto rewrite = [&](int index, const std::string& data) {
        RiffChunk& chunk = job.sourceChunks[static_cast<std::size_t>(index)];
        chunk.dataOffset = at;
        chunk.size = static_cast<std::uint32_t>(data.size());
        chunk.flags |= kChunkRewritten;
        at += data.size();
        return ::pwrite(job.rewrittenFd, data.data(), data.size(),
                        static_cast<off_t>(chunk.dataOffset)) == static_cast<ssize_t>(data.size());
    };
    if (!rewrite(where.cue, cueChunkData(sheet)) ||
        (where.adtl >= 0 && !rewrite(where.adtl, adtlListData(sheet)))) {
        return engine_error::kCannotWriteData;
    }
    // Chunks left with nothing in them go; the later one first, so the other index holds.
    std::vector<int> empty;
    if (sheet.points.empty()) empty.push_back(where.cue);
    if (where.adtl >= 0 && sheet.entries.empty()) empty.push_back(where.adtl);
    std::sort(empty.rbegin(), empty.rend());
    for (const int index : empty) job.sourceChunks.erase(job.sourceChunks.begin() + index);
    return 0;
}

}  // namespace

struct AudioEditor::Source {
    std::string path;
    int fd = -1;
    WaveFileLayout layout;
    std::uint64_t frames = 0;

    ~Source() {
        if (fd >= 0) ::close(fd);
    }
    int release() {
        const int f = fd;
        fd = -1;
        return f;
    }
    std::uint64_t bytes(std::uint64_t frameCount) const {
        return frameCount * layout.format.blockAlign;
    }
};

struct AudioEditor::Job {
    EditState state;
    std::unique_ptr<EditJob> work;
    std::thread worker;
};

AudioEditor::AudioEditor(EditOptions options)
    : m_options(std::move(options)), m_tempFolder(systemTempFolder()) {}

AudioEditor::~AudioEditor() {
    for (auto& [handle, job] : m_jobs) job->state.cancel.store(true);
    for (auto& [handle, job] : m_jobs) {
        if (job->worker.joinable()) job->worker.join();
    }
    m_jobs.clear();
    if (!m_clipboard.empty()) ::unlink(m_clipboard.c_str());
    dropUndoFiles();
}

int AudioEditor::SetTempPath(const std::string& folder) {
    struct stat st {};
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        ::access(folder.c_str(), W_OK | X_OK) != 0) {
        return engine_error::kInvalidTempPath;
    }
    m_tempFolder = folder;
    return 0;
}

std::string AudioEditor::clipboardPath() {
    if (m_clipboard.empty()) {
        // The name is reserved by creating the file; it holds audio after the first cut or copy.
        // A shared folder gets it inside this user's private folder there.
        const std::string folder = PrivateFolderIn(m_tempFolder);
        if (!folder.empty()) m_clipboard = CreateTemporaryFile(folder);
    }
    return m_clipboard;
}

int AudioEditor::AudioEditCanPaste() {
    std::uint32_t frames = 0;
    return !m_clipboard.empty() && probeWave(m_clipboard, &frames, nullptr) == 0 && frames > 0;
}

void AudioEditor::dropUndoFiles() {
    std::lock_guard<std::mutex> lock(m_undoMutex);
    if (!m_undo.undoFile.empty()) unlinkInBackground(m_undo.undoFile);
    if (!m_undo.redoFile.empty()) unlinkInBackground(m_undo.redoFile);
    m_undo = UndoState{};
}

void AudioEditor::SetEditFlush(EditFlush flush) {
    m_flush = flush;
}

int AudioEditor::AudioEditSetUndoRedo(int enable) {
    m_undoEnabled.store(enable != 0);
    if (!enable) dropUndoFiles();
    return 0;
}

int AudioEditor::AudioEditUndo() {
    return swapUndoState(true);
}

int AudioEditor::AudioEditRedo() {
    return swapUndoState(false);
}

// Undo and redo are the same two renames in opposite directions: the current file moves aside
// to the other state's name, then the kept state takes its place; a failed second rename puts
// the current file back.
int AudioEditor::swapUndoState(bool undo) {
    if (!m_undoEnabled) return edit_error::kUndoRedoDisabled;
    for (const auto& [handle, job] : m_jobs) {
        if (!job->state.over.load()) return edit_error::kFileInUse;
    }
    std::lock_guard<std::mutex> lock(m_undoMutex);
    if (!(undo ? m_undo.hasUndo : m_undo.hasRedo)) return edit_error::kNothingToUndoRedo;
    const std::string& aside = undo ? m_undo.redoFile : m_undo.undoFile;
    const std::string& kept = undo ? m_undo.undoFile : m_undo.redoFile;
    if (std::rename(m_undo.target.c_str(), aside.c_str()) != 0) {
        return undo ? edit_error::kCannotMakeRedoFile : edit_error::kCannotMakeUndoFile;
    }
    if (std::rename(kept.c_str(), m_undo.target.c_str()) != 0) {
        std::rename(aside.c_str(), m_undo.target.c_str());
        return edit_error::kFileInUse;
    }
    m_undo.hasUndo = !undo;
    m_undo.hasRedo = undo;
    return 0;
}

int AudioEditor::openSource(const std::string& path, Source& source) {
    if (path.empty()) return engine_error::kNoPlaybackFileName;
    RiffFile file;
    if (file.open(path, RiffFile::Mode::Read) != kRiffOk) return engine_error::kCannotOpenWaveFile;
    const WaveInspect inspected = inspectWave(file, source.layout);
    if (const int r = checkInspectedWave(inspected, source.layout.format); r != 0) return r;
    // The worker reads through a descriptor of its own; the file's name may change meanwhile.
    source.fd = ::fcntl(file.fd(), F_DUPFD_CLOEXEC, 0);
    if (source.fd < 0) return engine_error::kCannotOpenWaveFile;
    source.path = path;
    source.frames = source.layout.frames();
    return 0;
}

std::string AudioEditor::editTarget(const std::string& source, const std::string& result,
                                    std::string& keepPrevious) {
    keepPrevious.clear();
    const bool inPlace = result.empty() || sameFile(result, source);
    const std::string target = result.empty() ? source : result;
    if (inPlace && m_undoEnabled) {
        // Beside the file, so that keeping it is a second name and never a copy.
        keepPrevious = folderOf(target) + "/." + baseOf(target) + ".undo";
    }
    return target;
}

int AudioEditor::start(std::unique_ptr<EditJob> work, std::uint32_t* handle) {
    if (const int room = checkRoom(*work); room != 0) return room;
    work->flush = m_flush;
    bool keeps = false;
    for (const EditTarget& t : work->targets) keeps = keeps || !t.keepPrevious.empty();
    if (keeps) {
        work->onKept = [this](const EditTarget& target) {
            std::lock_guard<std::mutex> lock(m_undoMutex);
            if (!m_undoEnabled.load()) {
                // Undo was turned off while the edit ran.
                unlinkInBackground(target.keepPrevious);
                return;
            }
            if (m_undo.target != target.path) {
                if (!m_undo.undoFile.empty()) unlinkInBackground(m_undo.undoFile);
            }
            if (!m_undo.redoFile.empty()) unlinkInBackground(m_undo.redoFile);
            m_undo.target = target.path;
            m_undo.undoFile = target.keepPrevious;
            m_undo.redoFile = folderOf(target.path) + "/." + baseOf(target.path) + ".redo";
            m_undo.hasUndo = true;
            m_undo.hasRedo = false;
        };
    }
    auto job = std::make_unique<Job>();
    job->work = std::move(work);
    Job* raw = job.get();
    try {
        job->worker = std::thread([raw, options = &m_options] {
            const int reason = runEditJob(*raw->work, raw->state, *options);
            // The inputs are not needed any more; let them go before the handle is closed.
            for (EditInput& in : raw->work->inputs) {
                if (in.fd >= 0) ::close(in.fd);
                in.fd = -1;
            }
            if (reason == 0) raw->state.progress.store(100);
            raw->state.reason.store(reason);
            raw->state.over.store(true);
            NotifyWorkDone();
        });
    } catch (const std::system_error&) {
        return engine_error::kOutOfMemory;
    }
    while (m_nextHandle == 0 || m_jobs.count(m_nextHandle)) ++m_nextHandle;
    *handle = m_nextHandle++;
    m_jobs.emplace(*handle, std::move(job));
    return 0;
}

int AudioEditor::rangeEdit(int opNumber, const std::string& sourcePath, std::uint32_t first,
                           std::uint32_t last, int one, std::uint32_t* handle, int zero,
                           const std::string& rangeFile, const std::string& result, int parameter) {
    const auto op = static_cast<RangeOp>(opNumber);
    if (!handle) return edit_error::kBadArgument;
    *handle = 0;
    if (one != 1 || zero != 0) return edit_error::kBadArgument;
    if (op == RangeOp::Mute && (parameter < 1 || parameter > 3)) return edit_error::kBadArgument;
    Source source;
    if (const int r = openSource(sourcePath, source); r != 0) return r;
    if (first > last) std::swap(first, last);
    if (last > source.frames) return edit_error::kPositionBeyondEnd;
    if (first == last) {
        switch (op) {
            case RangeOp::Cut:
            case RangeOp::CutInFile:
                return edit_error::kNoCutSelection;
            case RangeOp::Copy:
            case RangeOp::CopyInFile:
                return edit_error::kNoCopySelection;
            case RangeOp::Clear:
                return edit_error::kNoClearSelection;
            case RangeOp::Crop:
                return edit_error::kNoCropSelection;
            case RangeOp::Mute:
            case RangeOp::Trim:
                break;  // nothing to change: the result is the source as it is
        }
    }

    auto job = std::make_unique<EditJob>();
    job->format = source.layout.format;
    job->sourceChunks = source.layout.otherChunks;
    job->muteChannels =
        source.layout.format.channels == 1 ? kMuteLeft : static_cast<unsigned>(parameter);
    job->trimThreshold = static_cast<std::uint16_t>(parameter);
    const std::uint64_t a = source.bytes(first);
    const std::uint64_t b = source.bytes(last);
    const std::uint64_t end = source.bytes(source.frames);

    // The range alone, to the clipboard or to the range file.
    const bool inFile = op == RangeOp::CutInFile || op == RangeOp::CopyInFile;
    if (op == RangeOp::Cut || op == RangeOp::Copy || inFile) {
        EditTarget range;
        if (inFile) {
            if (rangeFile.empty()) return engine_error::kNoPlaybackFileName;
            if (sameFile(rangeFile, sourcePath) ||
                (!result.empty() && sameFile(rangeFile, result))) {
                return edit_error::kFileInUse;
            }
            range.path = rangeFile;
        } else {
            range.path = clipboardPath();
            if (range.path.empty()) return engine_error::kCannotWriteData;
            range.scratch = true;
        }
        addPiece(range.pieces, EditPiece::Kind::Copy, 0, a, b);
        job->targets.push_back(std::move(range));
    }

    if (op != RangeOp::Copy && op != RangeOp::CopyInFile) {
        EditTarget edited;
        edited.path = editTarget(sourcePath, result, edited.keepPrevious);
        edited.carryChunks = true;
        auto& pieces = edited.pieces;
        switch (op) {
            case RangeOp::Crop:
                addPiece(pieces, EditPiece::Kind::Copy, 0, a, b);
                break;
            case RangeOp::Mute:
            case RangeOp::Trim:
                addPiece(pieces, EditPiece::Kind::Copy, 0, 0, a);
                addPiece(pieces,
                         op == RangeOp::Mute ? EditPiece::Kind::Mute : EditPiece::Kind::Trim, 0, a,
                         b);
                addPiece(pieces, EditPiece::Kind::Copy, 0, b, end);
                break;
            default:  // Cut, CutInFile, Clear
                addPiece(pieces, EditPiece::Kind::Copy, 0, 0, a);
                addPiece(pieces, EditPiece::Kind::Copy, 0, b, end);
                break;
        }
        job->targets.push_back(std::move(edited));
        int moved = 0;
        if (op == RangeOp::Trim) {
            // What a trim drops is known only once its worker has looked at the samples.
            const std::uint64_t align = source.layout.format.blockAlign;
            job->onTrim = [align](EditJob& work, const EditPiece& piece, std::uint64_t head,
                                  std::uint64_t tail) {
                const std::uint64_t from = piece.offset / align;
                const std::uint64_t end = (piece.offset + piece.bytes) / align;
                return moveMarkers(work, work.inputs[0].fd,
                                   {{end - tail / align, end, 0}, {from, from + head / align, 0}});
            };
        } else if (op == RangeOp::Crop) {
            moved = moveMarkers(*job, source.fd, {{last, source.frames, 0}, {0, first, 0}});
        } else if (op != RangeOp::Mute) {
            moved = moveMarkers(*job, source.fd, {{first, last, 0}});
        }
        if (moved != 0) return moved;
    }
    job->inputs.push_back({source.release(), source.layout.dataOffset});
    return start(std::move(job), handle);
}

int AudioEditor::AudioCut(const std::string& source, std::uint32_t first, std::uint32_t last,
                          int one, std::uint32_t* handle, int zero, const std::string& result) {
    return rangeEdit(static_cast<int>(RangeOp::Cut), source, first, last, one, handle, zero, {},
                     result, 0);
}

int AudioEditor::AudioCopy(const std::string& source, std::uint32_t first, std::uint32_t last,
                           int one, std::uint32_t* handle, int zero) {
    return rangeEdit(static_cast<int>(RangeOp::Copy), source, first, last, one, handle, zero, {},
                     {}, 0);
}

int AudioEditor::AudioCutInFile(const std::string& source, std::uint32_t first, std::uint32_t last,
                                int one, std::uint32_t* handle, int zero,
                                const std::string& rangeFile, const std::string& result) {
    return rangeEdit(static_cast<int>(RangeOp::CutInFile), source, first, last, one, handle, zero,
                     rangeFile, result, 0);
}

int AudioEditor::AudioCopyInFile(const std::string& source, std::uint32_t first, std::uint32_t last,
                                 int one, std::uint32_t* handle, int zero,
                                 const std::string& rangeFile) {
    return rangeEdit(static_cast<int>(RangeOp::CopyInFile), source, first, last, one, handle, zero,
                     rangeFile, {}, 0);
}

int AudioEditor::AudioClear(const std::string& source, std::uint32_t first, std::uint32_t last,
                            int one, std::uint32_t* handle, int zero, const std::string& result) {
    return rangeEdit(static_cast<int>(RangeOp::Clear), source, first, last, one, handle, zero, {},
                     result, 0);
}

int AudioEditor::AudioCrop(const std::string& source, std::uint32_t first, std::uint32_t last,
                           int one, std::uint32_t* handle, int zero, const std::string& result) {
    return rangeEdit(static_cast<int>(RangeOp::Crop), source, first, last, one, handle, zero, {},
                     result, 0);
}

int AudioEditor::AudioEditMute(const std::string& source, std::uint32_t first, std::uint32_t last,
                               int one, std::uint32_t* handle, int zero, int channels,
                               const std::string& result) {
    return rangeEdit(static_cast<int>(RangeOp::Mute), source, first, last, one, handle, zero, {},
                     result, channels);
}

int AudioEditor::AudioEditTrimSilence(const std::string& source, std::uint32_t first,
                                      std::uint32_t last, int one, std::uint32_t* handle, int zero,
                                      std::uint16_t threshold, const std::string& result) {
    return rangeEdit(static_cast<int>(RangeOp::Trim), source, first, last, one, handle, zero, {},
                     result, threshold);
}

int AudioEditor::AudioEditTrimTo(const std::string& sourcePath, std::uint32_t first,
                                 std::uint32_t last, std::uint32_t keepFirst,
                                 std::uint32_t keepLast, int one, std::uint32_t* handle, int zero,
                                 const std::string& result) {
    if (!handle) return edit_error::kBadArgument;
    *handle = 0;
    if (one != 1 || zero != 0) return edit_error::kBadArgument;
    if (first > last || keepFirst < first || keepLast > last || keepFirst > keepLast) {
        return edit_error::kBadArgument;
    }
    Source source;
    if (const int r = openSource(sourcePath, source); r != 0) return r;
    if (last > source.frames) return edit_error::kPositionBeyondEnd;
    std::vector<EditPiece> pieces;
    addPiece(pieces, EditPiece::Kind::Copy, 0, 0, source.bytes(first));
    addPiece(pieces, EditPiece::Kind::Copy, 0, source.bytes(keepFirst), source.bytes(keepLast));
    addPiece(pieces, EditPiece::Kind::Copy, 0, source.bytes(last), source.bytes(source.frames));
    return startPieces(sourcePath, source, std::move(pieces), nullptr, result, handle,
                       {{keepLast, last, 0}, {first, keepFirst, 0}});
}

int AudioEditor::AudioPasteEx(const std::string& sourcePath, std::uint32_t position, int one,
                              std::uint32_t* handle, int zero, const std::string& clipPath,
                              const std::string& result) {
    if (!handle) return edit_error::kBadArgument;
    *handle = 0;
    if (one != 1 || zero != 0) return edit_error::kBadArgument;
    Source source;
    if (const int r = openSource(sourcePath, source); r != 0) return r;
    if (position > source.frames) return edit_error::kPositionBeyondEnd;

    const bool fromClipboard = clipPath.empty();
    if (fromClipboard && m_clipboard.empty()) return edit_error::kNothingToPaste;
    Source clip;
    if (openSource(fromClipboard ? m_clipboard : clipPath, clip) != 0) {
        // An empty or unreadable clipboard has nothing to give; a named clip is missing.
        return fromClipboard ? edit_error::kNothingToPaste : edit_error::kCannotOpenClip;
    }
    if (!sameSampleLayout(clip.layout.format, source.layout.format)) {
        return edit_error::kClipFormatDiffers;
    }
    if (clip.frames == 0) return edit_error::kNothingToPaste;
    return insertAt(sourcePath, source, position, EditPiece::Kind::Copy, clip.bytes(clip.frames),
                    &clip, result, handle);
}

int AudioEditor::insertAt(const std::string& sourcePath, Source& source, std::uint32_t position,
                          EditPiece::Kind kind, std::uint64_t bytes, Source* clip,
                          const std::string& result, std::uint32_t* handle) {
    const std::uint64_t at = source.bytes(position);
    std::vector<EditPiece> pieces;
    addPiece(pieces, EditPiece::Kind::Copy, 0, 0, at);
    addPiece(pieces, kind, clip ? 1 : 0, 0, bytes);
    addPiece(pieces, EditPiece::Kind::Copy, 0, at, source.bytes(source.frames));
    const std::uint64_t frames = bytes / source.layout.format.blockAlign;
    return startPieces(sourcePath, source, std::move(pieces), clip, result, handle,
                       {{position, position, frames}});
}

int AudioEditor::startPieces(const std::string& sourcePath, Source& source,
                             std::vector<EditPiece> pieces, Source* clip, const std::string& result,
                             std::uint32_t* handle, std::initializer_list<FrameEdit> moved) {
    auto job = std::make_unique<EditJob>();
    job->format = source.layout.format;
    job->sourceChunks = source.layout.otherChunks;
    EditTarget edited;
    edited.path = editTarget(sourcePath, result, edited.keepPrevious);
    edited.carryChunks = true;
    edited.pieces = std::move(pieces);
    job->targets.push_back(std::move(edited));
    if (const int r = moveMarkers(*job, source.fd, moved); r != 0) return r;
    job->inputs.push_back({source.release(), source.layout.dataOffset});
    if (clip) job->inputs.push_back({clip->release(), clip->layout.dataOffset});
    return start(std::move(job), handle);
}

int AudioEditor::AudioInsertSilence(const std::string& sourcePath, std::uint32_t position, int one,
                                    std::uint32_t* handle, int zero, std::uint32_t milliseconds,
                                    const std::string& result) {
    if (!handle) return edit_error::kBadArgument;
    *handle = 0;
    if (one != 1 || zero != 0) return edit_error::kBadArgument;
    Source source;
    if (const int r = openSource(sourcePath, source); r != 0) return r;
    if (position > source.frames) return edit_error::kPositionBeyondEnd;

    const std::uint64_t silentFrames =
        (static_cast<std::uint64_t>(milliseconds) * source.layout.format.sampleRate + 500) / 1000;
    return insertAt(sourcePath, source, position, EditPiece::Kind::Silence,
                    source.bytes(silentFrames), nullptr, result, handle);
}

int AudioEditor::AudioEditProcessIsOver(std::uint32_t handle) {
    const auto it = m_jobs.find(handle);
    return it == m_jobs.end() || it->second->state.over.load() ? 1 : 0;
}

int AudioEditor::AudioEditGetProcessProgress(std::uint32_t handle) {
    const auto it = m_jobs.find(handle);
    return it == m_jobs.end() ? 0 : it->second->state.progress.load();
}

int AudioEditor::AudioEditGetReasonForProcessExit(std::uint32_t handle) {
    const auto it = m_jobs.find(handle);
    if (it == m_jobs.end()) return edit_error::kBadArgument;
    return it->second->state.over.load() ? it->second->state.reason.load() : 0;
}

int AudioEditor::AudioEditCancelPressed(std::uint32_t handle) {
    const auto it = m_jobs.find(handle);
    if (it == m_jobs.end()) return edit_error::kBadArgument;
    it->second->state.cancel.store(true);
    return 0;
}

int AudioEditor::AudioEditCloseHandle(std::uint32_t* handle) {
    if (!handle) return edit_error::kBadArgument;
    const auto it = m_jobs.find(*handle);
    if (it == m_jobs.end()) return edit_error::kBadArgument;
    it->second->state.cancel.store(true);
    if (it->second->worker.joinable()) it->second->worker.join();
    m_jobs.erase(it);
    *handle = 0;
    return 0;
}

}  // namespace sonthra
