// The edit controller: every change to the current document's audio (the edit commands, undo
// and redo, and any FileTransform such as an effect or a format change) runs here through one
// sequence: the guards, the busy flag, the working copy made ready, the transform under the
// progress dialog with Cancel, the undo file, the refresh of what shows the audio, and the
// commands. It owns no widget; the main window is its EditSurface. Call from the GUI thread.
//
// A feature adds a command that changes the audio like this (say, an effect):
//     EffectTransform effect(...);              // a FileTransform, or a WorkerTransform
//     edit.RunTransform(effect, RefreshKind::Rebuild);
// and the menu handler in the main window is a one-line forward to a method here.
#pragma once

#include <QString>

#include <cstdint>
#include <string>

#include "app/audio_document.h"
#include "edit/edit_commands.h"
#include "edit/file_transform.h"

class QWidget;

namespace sonthra {

class AudioEditor;
class UserDialogs;

// How what shows the audio follows a change: the peaks of a removed range dropped (Cut, Clear),
// or built again from the new working copy.
enum class RefreshKind { DropRange, Rebuild };

struct RefreshRequest {
    RefreshKind kind = RefreshKind::Rebuild;
    bool wasWhole = false;    // the whole file was shown: it is again after the change
    std::uint32_t caret = 0;  // where the caret goes, clamped to the new length
    std::uint32_t first = 0;  // DropRange: the removed range
    std::uint32_t last = 0;
    bool attach = false;  // Rebuild: the display attaches the working copy again
};

// The commands the controller switches on and off.
enum class EditCommand { Undo, Redo, Save, Revert, Paste, Export };

// What the controller needs from the window that shows the document.
class EditSurface {
public:
    virtual ~EditSurface() = default;

    // The current document's display as it stands (anchor first), or nothing shown.
    struct ShownRange {
        bool shown = false;
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        std::uint32_t caret = 0;
        std::uint32_t total = 0;
        bool wholeFileShown = false;
    };
    virtual ShownRange CurrentSelection() const = 0;
    // The caret read-out's position in frames (where Paste goes without a selection).
    virtual std::uint32_t CaretReadout() const = 0;
    // Playing or recording: edits wait.
    virtual bool TransportBusy() const = 0;
    // Waits for the working copy under the progress dialog; false when it cannot be used.
    virtual bool WorkingCopyReady() = 0;
    virtual void HoldBusy() = 0;
    virtual void ReleaseBusy() = 0;
    // The temporary-folder preference new files are reserved in.
    virtual std::string TempPreference() const = 0;
    // Peaks, view, overview, caret and format after the working copy changed; false when a step
    // failed (shown).
    virtual bool RefreshAudio(const RefreshRequest& request) = 0;
    // Frames [first, last) are about to be removed: what shows them may work out its peaks
    // after the removal meanwhile, for RefreshAudio to take.
    virtual void PreparePeakRemoval(std::uint32_t first, std::uint32_t last) = 0;
    // The status bar and title after a successful refresh.
    virtual void ShowDocument() = 0;
    // Every command from the document's state and the display's selection.
    virtual void CommandsFromDocument() = 0;
    virtual void EnableCommand(EditCommand command, bool on) = 0;
    // The dialogs' parent.
    virtual QWidget* DialogParent() = 0;
};

class EditController {
public:
    // engine may be null (a window without audio): every command then does nothing.
    EditController(EditSurface& surface, UserDialogs& dialogs, DocumentList& documents)
        : m_surface(surface), m_dialogs(dialogs), m_documents(documents) {}
    void SetEngine(AudioEditor* engine) { m_engine = engine; }

    // Edit menu commands.
    void EditUndoMenuClick() { UndoOrRedo(true); }
    void EditRedoMenuClick() { UndoOrRedo(false); }
    void EditCutMenuClick() { EditWorkingCopy(EditOperation::Cut); }
    void EditCopyMenuClick() { EditWorkingCopy(EditOperation::Copy); }
    void EditPasteMenuClick() { EditWorkingCopy(EditOperation::Paste); }
    void EditClearMenuClick() { EditWorkingCopy(EditOperation::Clear); }
    void EditCropMenuClick() { EditWorkingCopy(EditOperation::Crop); }
    void EditCutSelectionToFileMenuClick() { EditWorkingCopy(EditOperation::Cut, 0, true); }
    void EditCopySelectionToFileMenuClick() { EditWorkingCopy(EditOperation::Copy, 0, true); }

    // One engine edit command of the current document (Cut, Copy, Paste, Clear, Crop, Mute,
    // Trim Silence, Insert Silence) with everything around it: the selection checked, the save
    // dialog for a selection to a file (toFile), then RunTransform. parameter: Mute's
    // channels, Trim Silence's threshold in hundredths of a percent, Insert Silence's
    // milliseconds. Mute and Trim Silence without a selection work on the whole file. 0, 129
    // or the message number already shown.
    int EditWorkingCopy(EditOperation operation, std::uint32_t parameter = 0, bool toFile = false);

    // Any change of the current document's audio: the transform under the progress dialog,
    // the undo file, the refresh (the caret where caret says, clamped), the commands. 0, 129
    // or the message number already shown.
    int RunTransform(FileTransform& transform, RefreshKind refresh, std::uint32_t caret,
                     std::uint32_t first = 0, std::uint32_t last = 0);
    // The same with the caret where it is.
    int RunTransform(FileTransform& transform);

    // Undo or Redo: the files swap by renames, then the refresh.
    void UndoOrRedo(bool undo);

    // The current document's working copy becomes its undo file and Undo is enabled: 0, or
    // 177 shown. DropUndo and DropRedo delete those files and disable their commands.
    int PushUndo();
    void DropUndo();
    void DropRedo();
    // Undo and Redo follow whether their files hold data.
    void UndoRedoFromFiles();
    // The working copy changed: the document differs from the user's file.
    void MarkEdited(AudioDocument& document);

    // Runs an operation under the progress dialog with Cancel (none when it has already
    // ended), waits for it after a Cancel, shows a failure: 0, 129 or the message number.
    int RunOperation(const QString& caption, LongOperation& operation);
    // One engine call under the progress dialog: 0 or the message number shown.
    int RunEngineEdit(const QString& caption, const EngineEditStart& start);
    OperationRunner Runner();
    MessageSink Shower();

private:
    bool ready() const;
    int runPrepared(FileTransform& transform, const RefreshRequest& request);

    EditSurface& m_surface;
    UserDialogs& m_dialogs;
    DocumentList& m_documents;
    AudioEditor* m_engine = nullptr;
};

}  // namespace sonthra
