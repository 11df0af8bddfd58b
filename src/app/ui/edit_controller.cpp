#include "app/ui/edit_controller.h"

#include "app/temp_names.h"
#include "dialogs/ui/user_dialogs.h"
#include "edit/undo_files.h"
#include "engine/audio_edit.h"
#include "messages/message_table.h"

namespace sonthra {

namespace {

// "Cannot create wave file": no new file could be reserved in the temporary folder.
constexpr int kTempFileNotMade = 160;

// Runs its function when the scope ends, also on an early return.
template <class F>
class Finally {
public:
    explicit Finally(F f) : m_f(std::move(f)) {}
    ~Finally() { m_f(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    F m_f;
};

bool needsSelection(EditOperation operation) {
    return operation == EditOperation::Cut || operation == EditOperation::Copy ||
           operation == EditOperation::Clear || operation == EditOperation::Crop;
}

EditFiles filesOf(const AudioDocument& document) {
    return {document.workFile, document.undoFile, document.redoFile};
}

}  // namespace

bool EditController::ready() const {
    return m_engine != nullptr && m_documents.current() != nullptr &&
           m_surface.CurrentSelection().shown && !m_surface.TransportBusy();
}

int EditController::RunOperation(const QString& caption, LongOperation& operation) {
    if (operation.running()) {
        m_dialogs.runOperation(m_surface.DialogParent(), caption, true, operation);
    } else {
        m_dialogs.progressOverAtOnce(m_surface.DialogParent(), caption);
    }
    // After a Cancel the work may still be ending; its files are not touched before it has.
    if (operation.active()) WaitForWork([&operation] { return !operation.active(); });
    const int result = operation.result();
    if (result != 0) ShowMessage(m_dialogs, m_surface.DialogParent(), result);
    return result;
}

OperationRunner EditController::Runner() {
    return [this](const std::string& caption, LongOperation& operation) {
        return RunOperation(QString::fromStdString(caption), operation);
    };
}

MessageSink EditController::Shower() {
    return [this](int message) { ShowMessage(m_dialogs, m_surface.DialogParent(), message); };
}

int EditController::RunEngineEdit(const QString& caption, const EngineEditStart& start) {
    if (m_engine == nullptr) return 0;
    return RunEngineCall(*m_engine, caption.toStdString(), start, Runner(), Shower());
}

void EditController::UndoRedoFromFiles() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    m_surface.EnableCommand(EditCommand::Undo, FileHasData(document->undoFile));
    m_surface.EnableCommand(EditCommand::Redo, FileHasData(document->redoFile));
}

int EditController::PushUndo() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return 0;
    const int result = sonthra::PushUndo(filesOf(*document));
    if (result != 0) return ShowMessage(m_dialogs, m_surface.DialogParent(), result);
    m_surface.EnableCommand(EditCommand::Undo, true);
    return 0;
}

void EditController::DropUndo() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    sonthra::DropUndo(filesOf(*document));
    m_surface.EnableCommand(EditCommand::Undo, false);
}

void EditController::DropRedo() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    sonthra::DropRedo(filesOf(*document));
    m_surface.EnableCommand(EditCommand::Redo, false);
}

// Whatever happens to the view afterwards, the document now differs from the user's file and
// can go back one step.
void EditController::MarkEdited(AudioDocument& document) {
    if (document.state == DocumentState::Clean) document.state = DocumentState::Modified;
    document.tagOnly = false;
    m_surface.EnableCommand(EditCommand::Revert, document.state != DocumentState::New);
    m_surface.EnableCommand(EditCommand::Save, true);
    UndoRedoFromFiles();
}

// Steps after the checks: a new file reserved, the transform applied around the undo file, the
// document marked, what shows it refreshed.
int EditController::runPrepared(FileTransform& transform, const RefreshRequest& request) {
    AudioDocument& document = *m_documents.current();
    const std::string result = ReserveTempName(m_surface.TempPreference());
    if (result.empty()) return ShowMessage(m_dialogs, m_surface.DialogParent(), kTempFileNotMade);
    const EditOutcome outcome =
        ApplyTransform(filesOf(document), transform, result, Runner(), Shower());
    if (outcome.result != 0) {
        UndoRedoFromFiles();
        return outcome.result;
    }
    MarkEdited(document);
    if (m_surface.RefreshAudio(request)) m_surface.ShowDocument();
    UndoRedoFromFiles();
    return 0;
}

int EditController::RunTransform(FileTransform& transform, RefreshKind refresh, std::uint32_t caret,
                                 std::uint32_t first, std::uint32_t last) {
    if (!ready()) return 0;
    m_surface.HoldBusy();
    const Finally release([this] { m_surface.ReleaseBusy(); });
    if (!m_surface.WorkingCopyReady()) return kCancelled;
    RefreshRequest request;
    request.kind = refresh;
    request.wasWhole = m_surface.CurrentSelection().wholeFileShown;
    request.caret = caret;
    request.first = first;
    request.last = last;
    return runPrepared(transform, request);
}

int EditController::RunTransform(FileTransform& transform) {
    return RunTransform(transform, RefreshKind::Rebuild, m_surface.CurrentSelection().caret);
}

int EditController::EditWorkingCopy(EditOperation operation, std::uint32_t parameter, bool toFile) {
    if (!ready()) return 0;
    m_surface.HoldBusy();
    const Finally release([this] { m_surface.ReleaseBusy(); });
    if (!m_surface.WorkingCopyReady()) return kCancelled;
    const EditSurface::ShownRange shown = m_surface.CurrentSelection();

    EditRequest request;
    request.operation = operation;
    request.first = shown.first;
    request.last = shown.last;
    request.parameter = parameter;
    const bool selection = request.first != request.last;
    if (needsSelection(operation) && !selection) return 0;
    if ((operation == EditOperation::Mute || operation == EditOperation::TrimSilence) &&
        !selection) {
        request.first = 0;
        request.last = shown.total;
    }
    if (operation == EditOperation::Paste || operation == EditOperation::InsertSilence) {
        request.position =
            PasteInsertionPoint(request.first, request.last, m_surface.CaretReadout());
    }
    if (toFile) {
        FileDialogRequest ask;
        ask.title = "Save As";
        ask.filter = "Wave Files (*.wav)";
        ask.defaultSuffix = "wav";
        const QString path = m_dialogs.saveFileName(m_surface.DialogParent(), ask);
        if (path.isEmpty()) return kCancelled;
        request.rangeFile = path.toStdString();
    }

    if (operation == EditOperation::Copy) {
        const int copied =
            CopyEdit(*m_engine, m_documents.current()->workFile, request, Runner(), Shower());
        // A copy to a file leaves the clipboard, and so Paste, as they were.
        if (!toFile)
            m_surface.EnableCommand(EditCommand::Paste, m_engine->AudioEditCanPaste() != 0);
        return copied;
    }

    RefreshRequest refresh;
    const bool removesRange = operation == EditOperation::Cut || operation == EditOperation::Clear;
    refresh.kind = removesRange ? RefreshKind::DropRange : RefreshKind::Rebuild;
    refresh.wasWhole = shown.wholeFileShown;
    refresh.caret = CaretAfterEdit(request, shown.caret, 0xFFFFFFFFu);
    refresh.first = request.first;
    refresh.last = request.last;
    EngineEditTransform transform(*m_engine, request);
    if (removesRange) m_surface.PreparePeakRemoval(request.first, request.last);
    const int result = runPrepared(transform, refresh);
    if (result != 0) return result;

    if (operation == EditOperation::Paste) m_surface.CommandsFromDocument();
    if (operation == EditOperation::Cut && !toFile) {
        m_surface.EnableCommand(EditCommand::Paste, m_engine->AudioEditCanPaste() != 0);
    }
    if (removesRange && m_surface.CurrentSelection().total == 0) {
        m_surface.EnableCommand(EditCommand::Export, false);
    }
    return 0;
}

void EditController::UndoOrRedo(bool undo) {
    AudioDocument* document = m_documents.current();
    if (!ready()) return;
    if ((undo ? document->undoFile : document->redoFile).empty()) return;
    m_surface.HoldBusy();
    const Finally release([this] { m_surface.ReleaseBusy(); });
    RefreshRequest refresh;
    refresh.kind = RefreshKind::Rebuild;
    refresh.attach = true;
    refresh.caret = m_surface.CaretReadout();
    refresh.wasWhole = m_surface.CurrentSelection().wholeFileShown;

    const EditFiles files = filesOf(*document);
    const int moved = undo ? UndoMove(files) : RedoMove(files);
    if (moved != 0) {
        ShowMessage(m_dialogs, m_surface.DialogParent(), moved);
        UndoRedoFromFiles();
        return;
    }
    if (m_surface.RefreshAudio(refresh)) m_surface.ShowDocument();
    m_surface.CommandsFromDocument();
}

}  // namespace sonthra
