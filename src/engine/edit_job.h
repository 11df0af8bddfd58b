// One file edit as the worker thread carries it out: which stretches of which input files,
// changed how, go into which new files, and the loop that streams them there in blocks with
// constant memory, watching for a cancel request. AudioEditor (audio_edit.h) builds the job on
// the GUI thread and hands it to a worker; nothing here is shared with the GUI thread except
// EditState.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "wave/file_copy.h"
#include "wave/riff.h"
#include "wave/wave_format.h"

namespace sonthra {

// What the GUI thread and the worker share: written whole, so atomics and no lock.
struct EditState {
    std::atomic<bool> over{false};
    std::atomic<bool> cancel{false};
    std::atomic<int> progress{0};  // 0..100
    std::atomic<int> reason{0};    // 0 or an engine error number, valid once over
};

// One stretch of a new file's samples.
struct EditPiece {
    enum class Kind {
        Copy,     // bytes of an input, unchanged
        Mute,     // bytes of an input with the job's mute channels set to silence
        Trim,     // bytes of an input less the silence at both ends of them
        Silence,  // bytes of silence
    };
    Kind kind = Kind::Copy;
    int input = 0;             // index into EditJob::inputs (not for Silence)
    std::uint64_t offset = 0;  // from the start of the input's samples
    std::uint64_t bytes = 0;
};

// A file the edit writes. It is written beside its path and moved into place only when every
// file of the job has been written, so a failed or cancelled edit leaves each path as it was.
struct EditTarget {
    std::string path;
    std::vector<EditPiece> pieces;
    bool carryChunks = false;  // the source's other chunks (tags) follow the samples
    // When set, the file that was at path stays under this name (the engine's undo copy).
    std::string keepPrevious;
    // The engine's own temporary file (the clipboard): nothing survives a crash that needs it,
    // so it is never flushed to the disk.
    bool scratch = false;
};

// How the files an edit writes reach the disk.
enum class EditFlush {
    // Each file is flushed to the disk before it is moved into place, so a crash never leaves
    // a half file under its name.
    Results,
    // For working copies whose caller keeps the file from before the edit (an undo file): the
    // source is flushed before anything is written, and the results are moved into place
    // without waiting for the disk. A crash during or after the edit may lose the edit, never
    // the file from before it, whichever of the two names it has by then.
    SourceFirst,
};

struct EditInput {
    int fd = -1;  // owned by the job
    std::uint64_t dataOffset = 0;
};

inline constexpr std::uint32_t kChunkRewritten = 0x100;

// Which channels Mute silences: bit 0 left (or the only channel), bit 1 right.
inline constexpr unsigned kMuteLeft = 1;
inline constexpr unsigned kMuteRight = 2;

struct EditOptions {
    // Bytes moved per step between two looks at the cancel flag.
    std::size_t blockBytes = 4 << 20;
    // Called on the worker after every block with the job's shared state; lets a test hold a
    // job at a known point until it has been cancelled.
    std::function<void(const EditState&)> afterBlock;
    // How unchanged stretches are copied; ReadWrite only to check the kernel's copy against.
    CopyMethod copyMethod = CopyMethod::Kernel;
};

struct EditJob {
    WaveFormat format;
    std::vector<EditInput> inputs;        // 0 is the source
    std::vector<RiffChunk> sourceChunks;  // of input 0, for targets that carry them
    // New contents of some of those chunks (the cue points an edit moved), owned by the job:
    // a chunk with kChunkRewritten in its flags is read from here instead of input 0.
    int rewrittenFd = -1;
    std::vector<EditTarget> targets;
    unsigned muteChannels = 0;
    std::uint16_t trimThreshold = 0;  // hundredths of a percent of full scale
    EditFlush flush = EditFlush::Results;
    // Called on the worker when a Trim piece knows what it drops: the bytes of silence at its
    // start and at its end. 0, or an engine error that ends the edit.
    std::function<int(EditJob&, const EditPiece&, std::uint64_t head, std::uint64_t tail)> onTrim;
    // Called after a target that keeps its previous file has been put in place.
    std::function<void(const EditTarget&)> onKept;

    EditJob() = default;
    EditJob(const EditJob&) = delete;
    EditJob& operator=(const EditJob&) = delete;
    ~EditJob();
};

// Carries out the job: 0, or 311 after a cancel request, 301 when a file cannot be written
// (a full disk among others, or the source cannot be flushed first under
// EditFlush::SourceFirst), 102 when an input cannot be read, 319 when a finished file
// cannot be moved into place, 305 when the previous file cannot be kept. Updates
// state.progress, never state.over.
int runEditJob(EditJob& job, EditState& state, const EditOptions& options);

// Whether a frame counts as silence for Trim: every channel's distance from the centre is at
// most threshold hundredths of a percent of full scale (32768 for 16 bits, 128 for 8 bits).
bool isSilentFrame(const unsigned char* frame, const WaveFormat& format, std::uint16_t threshold);

}  // namespace sonthra
