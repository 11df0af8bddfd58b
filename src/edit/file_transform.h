// One path for every change to a document's audio: a FileTransform reads the working copy and
// writes a new file, as a long operation the caller watches; ApplyTransform puts the result in
// the working copy's place with the undo file around it. The engine's edit commands, effects,
// format changes and any later tool are transforms, so each gets the same progress dialog,
// Cancel, undo file and refresh without a case of its own anywhere.
//
// To add one: derive from FileTransform (or make a WorkerTransform from a function that turns
// a source WAV file into a result WAV file on a worker thread) and hand it to the edit
// controller's RunTransform in the main window, which adds the progress dialog, the undo file,
// the peaks, the view and the commands.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "dialogs/long_operation.h"
#include "edit/undo_files.h"

namespace sonthra {

// Runs a started operation to its end under whatever the caller shows (the main window's
// progress dialog with Cancel), waits for it after a Cancel, and returns its result: 0, 129 or
// a message number, which the runner has shown.
using OperationRunner = std::function<int(const std::string& caption, LongOperation& operation)>;
// Receives the message numbers to be shown.
using MessageSink = std::function<void(int message)>;

// A runner without a window: waits for the end, checking every 10 ms. The operation's result,
// shown nowhere.
int WaitForOperation(LongOperation& operation);

class FileTransform {
public:
    virtual ~FileTransform() = default;

    // The progress dialog's caption, "Mute..." or "Normalize...".
    virtual std::string caption() const = 0;
    // Starts writing the changed audio of source into result (a reserved empty file that the
    // transform may replace). Returns the running operation, or null with refused set to the
    // message number to show when nothing could be started.
    virtual std::unique_ptr<LongOperation> start(const std::string& source,
                                                 const std::string& result, int& refused) = 0;
    // After the result has become the working copy: one more step in place, such as Paste
    // clearing the selection it replaces. A failure there is shown (a refusal through show);
    // the command goes on, since Undo brings back the audio from before it.
    // Whether the change may only go in with the previous audio kept as the undo file: when
    // the working copy cannot become the undo file, the result is dropped (177 shown) instead
    // of replacing audio that could not be brought back.
    virtual bool undoRequired() const { return false; }
    virtual void afterInstall(const std::string& workFile, const OperationRunner& run,
                              const MessageSink& show) {
        (void)workFile;
        (void)run;
        (void)show;
    }
};

// Work done on a worker thread: reads source, writes result, fills progress (0..100) and
// checks cancelled now and then. Returns 0, 129 or a message number.
using TransformWork =
    std::function<int(const std::string& source, const std::string& result,
                      std::atomic<int>& progress, const std::atomic<bool>& cancelled)>;

// A transform made of one function run on its own thread: the shape for plain cores.
class WorkerTransform final : public FileTransform {
public:
    WorkerTransform(std::string caption, TransformWork work)
        : m_caption(std::move(caption)), m_work(std::move(work)) {}
    std::string caption() const override { return m_caption; }
    std::unique_ptr<LongOperation> start(const std::string& source, const std::string& result,
                                         int& refused) override;

private:
    std::string m_caption;
    TransformWork m_work;
};

struct EditOutcome {
    int result = 0;          // 0 when the working copy holds the changed audio
    bool undoSaved = false;  // the previous working copy is the undo file
};

// A transform of the working copy:
//  1. the transform from the working copy into resultName under its caption; a refusal goes
//     to show; on any failure resultName is deleted and nothing else changes;
//  2. the working copy becomes the undo file (177 goes to show; the command goes on without
//     undo, unless the transform requires undo: then resultName is deleted and the result is
//     177);
//  3. the result takes the working copy's place; when it cannot, the undo file is moved back,
//     137 goes to show, resultName is deleted and the result is 137;
//  4. the transform's step after installing;
//  5. the redo file is deleted: a new edit ends the way back to an undone state.
EditOutcome ApplyTransform(const EditFiles& files, FileTransform& transform,
                           const std::string& resultName, const OperationRunner& run,
                           const MessageSink& show);

// Only runs the transform from source into result (a Copy, which changes no working copy):
// 0, or the message number of a refusal (sent to show) or of the runner.
int RunTransformOnly(FileTransform& transform, const std::string& source, const std::string& result,
                     const OperationRunner& run, const MessageSink& show);

}  // namespace sonthra
