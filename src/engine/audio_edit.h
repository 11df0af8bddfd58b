// The engine's file edits: cut, copy, paste, clear, crop, mute, trim silence and insert
// silence on PCM WAV files (8 or 16 bits, mono or stereo), the engine's clipboard, and its own
// one-level undo of edits made in place.
//
// Every edit starts on the calling thread, which checks the files and the range and returns 0
// or an engine error number at once; the work itself runs on a worker thread of its own,
// watched through the handle it returns. Positions are sample frames; a range is [first, last)
// and may be given with the larger end first. With a result name the edited wave goes to that
// file and the source stays as it was; without one the source itself changes. Either way the
// new file is written beside its final name and moved into place only when it is complete, so
// a failed or cancelled edit leaves every file as it was and no half-written file behind.
// Files stream through in blocks, so memory use does not grow with their size. The edited
// file keeps the source's other chunks (a tag chunk, say) after its samples.
//
// Call every method from one thread (the GUI thread). The editor owns its workers; destroying
// it cancels the running edits and waits for them.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/edit_job.h"
#include "wave/markers.h"

namespace sonthra {

class AudioEditor {
public:
    explicit AudioEditor(EditOptions options = {});
    // Cancels and waits for every running edit, then deletes the clipboard and undo files.
    ~AudioEditor();
    AudioEditor(const AudioEditor&) = delete;
    AudioEditor& operator=(const AudioEditor&) = delete;

    // The folder for the clipboard file (the system's temporary folder until this is called).
    // 322 when it is not a writable folder. A clipboard already filled stays where it is.
    int SetTempPath(const std::string& folder);

    // How the files of the edits started from now on reach the disk (EditFlush::Results until
    // this is called). A caller that edits working copies and keeps each one before the edit
    // as an undo file chooses SourceFirst: an edit then costs about one copy of the file in
    // memory instead of one written through to the disk. The clipboard is never flushed.
    void SetEditFlush(EditFlush flush);
    EditFlush editFlush() const { return m_flush; }

    // The engine's own undo: when on (the default), every edit made in place keeps the file as
    // it was before, so that AudioEditUndo can bring it back. Turning it off deletes what was
    // kept. The program keeps its own undo files and turns this off at start-up.
    int AudioEditSetUndoRedo(int enable);
    // Swaps the last file edited in place with the copy kept before the edit, and back. 0,
    // 314 undo is off, 316 nothing to undo or redo, 315 or 305 the current file cannot be set
    // aside, 319 an edit is running or the kept file cannot be put back.
    int AudioEditUndo();
    int AudioEditRedo();

    // In every call below, `one` must be 1 (positions are sample frames) and `zero` 0; *handle
    // receives the edit's handle, or 0 when the call returns an error.

    // Removes [first, last) into the clipboard. 302 when the range is empty.
    int AudioCut(const std::string& source, std::uint32_t first, std::uint32_t last, int one,
                 std::uint32_t* handle, int zero, const std::string& result);
    // Copies [first, last) to the clipboard. 306 when the range is empty.
    int AudioCopy(const std::string& source, std::uint32_t first, std::uint32_t last, int one,
                  std::uint32_t* handle, int zero);
    // As AudioCut and AudioCopy, but the range goes into rangeFile instead of the clipboard.
    int AudioCutInFile(const std::string& source, std::uint32_t first, std::uint32_t last, int one,
                       std::uint32_t* handle, int zero, const std::string& rangeFile,
                       const std::string& result);
    int AudioCopyInFile(const std::string& source, std::uint32_t first, std::uint32_t last, int one,
                        std::uint32_t* handle, int zero, const std::string& rangeFile);
    // Inserts the audio of clip (the clipboard when clip is empty) at position. 312 when there
    // is nothing to paste, 307 when the clip cannot be read, 308 when its channels, rate or
    // sample size differ from the source's, 313 when position is past the end.
    int AudioPasteEx(const std::string& source, std::uint32_t position, int one,
                     std::uint32_t* handle, int zero, const std::string& clip,
                     const std::string& result);
    // Removes [first, last). 320 when the range is empty.
    int AudioClear(const std::string& source, std::uint32_t first, std::uint32_t last, int one,
                   std::uint32_t* handle, int zero, const std::string& result);
    // Keeps only [first, last). 321 when the range is empty.
    int AudioCrop(const std::string& source, std::uint32_t first, std::uint32_t last, int one,
                  std::uint32_t* handle, int zero, const std::string& result);
    // Sets the samples of [first, last) to silence on channel 1 (left), 2 (right) or 3 (both);
    // a mono file's only channel is silenced whatever the choice.
    int AudioEditMute(const std::string& source, std::uint32_t first, std::uint32_t last, int one,
                      std::uint32_t* handle, int zero, int channels, const std::string& result);
    // Removes the silence at both ends of [first, last): the frames before the first and after
    // the last frame in which some channel is louder than threshold hundredths of a percent
    // of full scale (threshold 3 is 0.03 %). Silence between sounds inside the range stays, and
    // a range that is silent throughout is removed whole. Threshold 0 removes digital silence
    // only.
    int AudioEditTrimSilence(const std::string& source, std::uint32_t first, std::uint32_t last,
                             int one, std::uint32_t* handle, int zero, std::uint16_t threshold,
                             const std::string& result);
    // Keeps [keepFirst, keepLast) of [first, last) and all outside the range: a trim planned
    // beforehand (silence_level.h). The kept part must lie within the range.
    int AudioEditTrimTo(const std::string& source, std::uint32_t first, std::uint32_t last,
                        std::uint32_t keepFirst, std::uint32_t keepLast, int one,
                        std::uint32_t* handle, int zero, const std::string& result);
    // Inserts milliseconds of silence (rounded to the nearest frame) at position.
    int AudioInsertSilence(const std::string& source, std::uint32_t position, int one,
                           std::uint32_t* handle, int zero, std::uint32_t milliseconds,
                           const std::string& result);

    // 1 once the edit has ended (or for an unknown handle), else 0.
    int AudioEditProcessIsOver(std::uint32_t handle);
    // 0..100.
    int AudioEditGetProcessProgress(std::uint32_t handle);
    // 0 or the engine error the edit ended with (311 after a cancel); 0 while it runs.
    int AudioEditGetReasonForProcessExit(std::uint32_t handle);
    // Asks the edit to stop; it ends soon after with 311 and changes no file.
    int AudioEditCancelPressed(std::uint32_t handle);
    // Releases the handle (cancelling and waiting for an edit still running) and sets it to 0.
    int AudioEditCloseHandle(std::uint32_t* handle);

    // Non-zero while the clipboard holds audio.
    int AudioEditCanPaste();

private:
    struct Job;
    struct Source;
    struct UndoState {
        std::string target;  // the file edited in place
        std::string undoFile;
        std::string redoFile;
        bool hasUndo = false;
        bool hasRedo = false;
    };

    int swapUndoState(bool undo);
    int openSource(const std::string& path, Source& source);
    int rangeEdit(int op, const std::string& source, std::uint32_t first, std::uint32_t last,
                  int one, std::uint32_t* handle, int zero, const std::string& rangeFile,
                  const std::string& result, int parameter);
    int start(std::unique_ptr<EditJob> job, std::uint32_t* handle);
    // Paste and Insert Silence: the source with bytes of kind (a copy of clip's samples, or
    // silence without one) put in at position.
    int insertAt(const std::string& sourcePath, Source& source, std::uint32_t position,
                 EditPiece::Kind kind, std::uint64_t bytes, Source* clip, const std::string& result,
                 std::uint32_t* handle);
    // Starts the job that writes pieces of the source (input 0) and the clip (input 1) over
    // the source or to result; moved says where the sound moved, for the source's markers.
    int startPieces(const std::string& sourcePath, Source& source, std::vector<EditPiece> pieces,
                    Source* clip, const std::string& result, std::uint32_t* handle,
                    std::initializer_list<FrameEdit> moved);
    std::string editTarget(const std::string& source, const std::string& result,
                           std::string& keepPrevious);
    std::string clipboardPath();
    void dropUndoFiles();

    EditOptions m_options;
    std::string m_tempFolder;
    std::string m_clipboard;  // empty until the first cut or copy
    std::map<std::uint32_t, std::unique_ptr<Job>> m_jobs;
    std::uint32_t m_nextHandle = 1;
    // Read by the workers as they finish; the undo state below is written by them too.
    std::atomic<bool> m_undoEnabled{true};
    EditFlush m_flush = EditFlush::Results;
    std::mutex m_undoMutex;
    UndoState m_undo;
};

}  // namespace sonthra
