// Editing in the main window: the three position read-outs and their entry fields, the zoom and
// scroll commands, Select All and None, the edit commands with one level of undo and redo, and
// the refresh of view, overview, ruler, read-outs, status bar and commands after each edit. The
// file work itself (engine calls, undo files) is the editing library's; this adds the window.
#include <fcntl.h>
#include <sys/stat.h>

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>

#include <algorithm>

#include "app/temp_names.h"
#include "app/ui/command_states.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "dialogs/ui/user_dialogs.h"
#include "edit/edit_commands.h"
#include "edit/position_text.h"
#include "edit/undo_files.h"
#include "edit/zoom_rules.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "view/peak_file.h"
#include "view/ui/overview_link.h"
#include "view/ui/wave_display.h"
#include "view/view_errors.h"

namespace sonthra {

using namespace main_form;

namespace {

constexpr const char* kReadouts[3] = {"PositionBox", "StartSelectionBox", "EndSelectionBox"};
constexpr const char* kEntries[3] = {"PositionMaskEdit", "StartSelectionMaskEdit",
                                     "EndSelectionMaskEdit"};

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

int indexOfName(const QString& name, const char* const (&names)[3]) {
    for (int i = 0; i < 3; ++i) {
        if (name == QLatin1String(names[i])) return i;
    }
    return -1;
}

// Shows a display code's message (several codes have none) and returns what was shown, or the
// code when nothing was.
int showViewError(UserDialogs& dialogs, QWidget* parent, int code) {
    const int message = ViewErrorToMessage(code);
    if (message != 0) ShowMessage(dialogs, parent, message);
    return message != 0 ? message : code;
}

// The read-outs are labels and their entry fields line edits laid out by the window; their
// clicks, key releases and focus losses reach the window's handlers through this filter.
class ReadoutEvents : public QObject {
public:
    explicit ReadoutEvents(TMainForm& form) : QObject(&form), m_form(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QString name = watched->objectName();
        switch (event->type()) {
            case QEvent::MouseButtonRelease:
                click(indexOfName(name, kReadouts));
                break;
            case QEvent::KeyRelease:
                keyUp(indexOfName(name, kEntries), static_cast<QKeyEvent*>(event)->key());
                break;
            case QEvent::FocusOut: {
                // Like leaving a field for another control of the window: a menu opening or
                // the window losing the focus to another one leaves the field open.
                const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
                if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
                    exit(indexOfName(name, kEntries));
                }
                break;
            }
            default:
                break;
        }
        return false;
    }

private:
    void click(int which) {
        if (which == 0) m_form.PositionBoxClick();
        if (which == 1) m_form.StartSelectionBoxClick();
        if (which == 2) m_form.EndSelectionBoxClick();
    }
    void keyUp(int which, int key) {
        if (which == 0) m_form.PositionMaskEditKeyUp(key);
        if (which == 1) m_form.StartSelectionMaskEditKeyUp(key);
        if (which == 2) m_form.EndSelectionMaskEditKeyUp(key);
    }
    void exit(int which) {
        if (which == 0) m_form.PositionMaskEditExit();
        if (which == 1) m_form.StartSelectionMaskEditExit();
        if (which == 2) m_form.EndSelectionMaskEditExit();
    }

    TMainForm& m_form;
};

EditFiles filesOf(const AudioDocument& document) {
    return {document.workFile, document.undoFile, document.redoFile};
}

}  // namespace

void TMainForm::initEditing() {
    auto* events = new ReadoutEvents(*this);
    for (const char* name : kReadouts) findChild<QLabel*>(name)->installEventFilter(events);
    for (const char* name : kEntries) findChild<QLineEdit*>(name)->installEventFilter(events);
}

// ---- Read-outs.

sonthra::PositionMode TMainForm::displayMode() const {
    return m_positionMode == PositionDisplayMode::Samples ? sonthra::PositionMode::Samples
                                                          : sonthra::PositionMode::Time;
}

// Positions are converted at the current document's rate; without one, at the rate the next
// recording would have.
WaveFormat TMainForm::positionFormat() const {
    if (const AudioDocument* document = m_documents.current()) return document->format;
    const RecordFormat format = RecordingFormat();
    return makePcmFormat(format.sampleRate, format.bitsPerSample, format.channels);
}

void TMainForm::ShowCaretPosition(std::uint32_t value, sonthra::PositionMode mode) {
    findChild<QLabel*>(kReadouts[0])
        ->setText(
            QString::fromStdString(FormatReadout(value, mode, displayMode(), positionFormat())));
}

void TMainForm::ShowSelectionBound(std::uint32_t value, sonthra::PositionMode mode, int which) {
    if (which != 1 && which != 2) return;
    findChild<QLabel*>(kReadouts[which])
        ->setText(
            QString::fromStdString(FormatReadout(value, mode, displayMode(), positionFormat())));
}

std::uint32_t TMainForm::ReadCaretBox(sonthra::PositionMode wanted) const {
    const std::string text = findChild<QLabel*>(kReadouts[0])->text().toStdString();
    return ParsePosition(text, displayMode(), wanted, positionFormat()).value_or(0);
}

std::uint32_t TMainForm::ReadSelectionBox(sonthra::PositionMode wanted, int which) const {
    if (which != 1 && which != 2) return 0;
    const std::string text = findChild<QLabel*>(kReadouts[which])->text().toStdString();
    return ParsePosition(text, displayMode(), wanted, positionFormat()).value_or(0);
}

void TMainForm::PlaceCaret(std::uint32_t frames) {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) return;
    const bool hadSelection = view->SelectionStartPos() != view->SelectionEndPos();
    view->SetSelection(0, 0);
    ShowSelectionBound(0, sonthra::PositionMode::Samples, 1);
    ShowSelectionBound(0, sonthra::PositionMode::Samples, 2);
    // Clearing the selection this way raises no selection event, so the selection commands
    // are switched off here.
    if (hadSelection) SetCommandState(kStateNoSelection);
    view->setCaretPositionBySamples(frames);
    UpdateScale(*m_scale, view->ZoomLevel(), view->LeftSamplePos(), view->waveFormat(),
                view->model().hasSamples());
}

void TMainForm::FocusView() {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr || !isVisible() || !isActiveWindow() || !view->isVisible()) return;
    view->setFocus(Qt::OtherFocusReason);
}

void TMainForm::WaveformBaseCaretPositionChange(QObject* sender) {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr || (sender != nullptr && sender != view)) return;
    ShowCaretPosition(view->CaretPositionBySamples(), sonthra::PositionMode::Samples);
    updateScaleAndFrame();
}

void TMainForm::WaveformBaseSelection(QObject* sender, std::uint32_t start, std::uint32_t end) {
    if (sender != nullptr && sender != CurrentView()) return;
    ShowSelectionBound(start, sonthra::PositionMode::Samples, 1);
    ShowSelectionBound(end, sonthra::PositionMode::Samples, 2);
    SetCommandState(start == end ? kStateNoSelection : kStateSelection);
}

// The caret and the selection as the display holds them; without a display all three read 0.
void TMainForm::showViewPositions() {
    const RIZI32DaziVereruz* view = CurrentView();
    const std::uint32_t caret = view != nullptr ? view->CaretPositionBySamples() : 0;
    const std::uint32_t start = view != nullptr ? view->SelectionStartPos() : 0;
    const std::uint32_t end = view != nullptr ? view->SelectionEndPos() : 0;
    ShowCaretPosition(caret, sonthra::PositionMode::Samples);
    ShowSelectionBound(std::min(start, end), sonthra::PositionMode::Samples, 1);
    ShowSelectionBound(std::max(start, end), sonthra::PositionMode::Samples, 2);
}

void TMainForm::positionDisplayChanged() {
    m_scale->setFormat(m_positionMode == PositionDisplayMode::Samples ? TFormat::Samples
                                                                      : TFormat::Time);
    if (m_documents.current() == nullptr || CurrentView() == nullptr) return;
    showViewPositions();
}

// ---- Entry fields.

void TMainForm::PositionBoxClick() {
    openEntry(0);
}
void TMainForm::StartSelectionBoxClick() {
    openEntry(1);
}
void TMainForm::EndSelectionBoxClick() {
    openEntry(2);
}
void TMainForm::PositionMaskEditKeyUp(int key) {
    entryKeyUp(0, key);
}
void TMainForm::StartSelectionMaskEditKeyUp(int key) {
    entryKeyUp(1, key);
}
void TMainForm::EndSelectionMaskEditKeyUp(int key) {
    entryKeyUp(2, key);
}
void TMainForm::PositionMaskEditExit() {
    entryExit(0);
}
void TMainForm::StartSelectionMaskEditExit() {
    entryExit(1);
}
void TMainForm::EndSelectionMaskEditExit() {
    entryExit(2);
}

void TMainForm::openEntry(int which) {
    if (m_documents.current() == nullptr || CurrentView() == nullptr || m_playing || m_recording) {
        return;
    }
    auto* panel = findChild<QLabel*>(kReadouts[which]);
    auto* field = findChild<QLineEdit*>(kEntries[which]);
    field->setText(panel->text());
    panel->hide();
    field->show();
    m_openEntry = which;
    field->setFocus(Qt::OtherFocusReason);
    field->setCursorPosition(0);
}

void TMainForm::closeEntry(int which) {
    // Cleared first: hiding the focused field takes its focus away, and that focus loss must
    // not apply the entry a second time.
    if (m_openEntry == which) m_openEntry = -1;
    findChild<QLineEdit*>(kEntries[which])->hide();
    findChild<QLabel*>(kReadouts[which])->show();
}

void TMainForm::entryKeyUp(int which, int key) {
    if (m_openEntry != which) return;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (which == 0) {
            applyCaretEntry();
        } else {
            applySelectionEntry(which);
        }
    } else if (key == Qt::Key_Escape) {
        closeEntry(which);
        FocusView();
    }
}

void TMainForm::entryExit(int which) {
    if (m_openEntry != which) return;
    if (which == 0) {
        applyCaretEntry();
    } else {
        applySelectionEntry(which);
    }
}

// An entry that is not a number in every part means nothing: the field closes as with Escape.
void TMainForm::applyCaretEntry() {
    auto* panel = findChild<QLabel*>(kReadouts[0]);
    const QString typed = findChild<QLineEdit*>(kEntries[0])->text();
    closeEntry(0);
    RIZI32DaziVereruz* view = CurrentView();
    const auto frames = ParsePosition(typed.toStdString(), displayMode(),
                                      sonthra::PositionMode::Samples, positionFormat());
    if (view == nullptr || !frames) {
        FocusView();
        return;
    }
    const std::uint32_t total = view->TotalSamples();
    const std::uint32_t caret = std::min(*frames, total);
    PlaceCaret(caret);
    // The caption is what was typed (the end of the file when it went past it); placing the
    // caret clears the selection, whose caret event wrote the read-out meanwhile.
    if (*frames > total) {
        ShowCaretPosition(total, sonthra::PositionMode::Samples);
    } else {
        panel->setText(typed);
    }
    FocusView();
    m_overviewLink->SyncOverviewFrame();
}

void TMainForm::applySelectionEntry(int which) {
    const QString typed = findChild<QLineEdit*>(kEntries[which])->text();
    closeEntry(which);
    RIZI32DaziVereruz* view = CurrentView();
    const WaveFormat format = positionFormat();
    const sonthra::PositionMode mode = displayMode();
    if (view == nullptr || !ParsePosition(typed.toStdString(), mode, mode, format)) {
        FocusView();
        return;
    }
    findChild<QLabel*>(kReadouts[which])->setText(typed);
    const std::uint32_t total = view->TotalSamples();
    std::uint32_t bounds[3] = {0, 0, 0};
    for (int i = 1; i <= 2; ++i) {
        const std::string text = findChild<QLabel*>(kReadouts[i])->text().toStdString();
        const auto frames = ParsePosition(text, mode, sonthra::PositionMode::Samples, format);
        bounds[i] = std::min(frames.value_or(0), total);
        if (frames.value_or(0) > total) {
            ShowSelectionBound(total, sonthra::PositionMode::Samples, i);
        }
    }
    if (bounds[1] != view->SelectionStartPos() || bounds[2] != view->SelectionEndPos()) {
        view->SetSelection(std::min(bounds[1], bounds[2]), std::max(bounds[1], bounds[2]));
    }
    SetCommandState(bounds[1] == bounds[2] ? kStateNoSelection : kStateSelection);
    FocusView();
}

// ---- Zoom, scroll and selection commands.

void TMainForm::afterZoom(RIZI32DaziVereruz& view) {
    updateScaleAndFrame();
    m_statusPanels[4]->setText(QStringLiteral("1:%1").arg(view.ZoomLevel()));
}

void TMainForm::zoomIn() {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) return;
    view->setZoomLevel(ZoomInLevel(view->ZoomLevel()));
    afterZoom(*view);
}

void TMainForm::zoomOut() {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) return;
    view->setZoomLevel(ZoomOutLevel(view->ZoomLevel(), view->MaxZoomLevel()));
    afterZoom(*view);
}

void TMainForm::zoomToSelection() {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) return;
    view->ZoomToSelection();
    afterZoom(*view);
}

void TMainForm::zoomToExtents() {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) return;
    view->setZoomLevel(view->MaxZoomLevel());
    afterZoom(*view);
}

void TMainForm::scrollLeft() {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) return;
    view->setLeftSamplePos(
        ScrollLeftTarget(view->LeftSamplePos(), view->ZoomLevel(), view->clientWidth()));
    updateScaleAndFrame();
}

void TMainForm::scrollRight() {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) return;
    const auto left = ScrollRightTarget(view->LeftSamplePos(), view->ZoomLevel(),
                                        view->clientWidth(), view->MaxPosition());
    if (left) view->setLeftSamplePos(*left);
    updateScaleAndFrame();
}

void TMainForm::selectAll() {
    if (RIZI32DaziVereruz* view = CurrentView()) view->SelectAll();
}

void TMainForm::selectNone() {
    if (RIZI32DaziVereruz* view = CurrentView()) view->SelectNone();
}

// ---- The window's size.

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

// The layouts place the widgets; what follows the size is the document buttons, the zoom text
// and the ruler and frame, since the display shows another span at another width.
void TMainForm::FormResize() {
    if (m_scale == nullptr || m_overviewLink == nullptr) return;
    const RIZI32DaziVereruz* view = CurrentView();
    if (m_documents.current() == nullptr || view == nullptr) {
        UpdateScale(*m_scale, 0, 0, WaveFormat{}, false);
        return;
    }
    layoutDocumentButtons();
    m_statusPanels[4]->setText(QStringLiteral("1:%1").arg(view->ZoomLevel()));
    m_overviewLink->SyncOverviewFrame();
    UpdateScale(*m_scale, view->ZoomLevel(), view->LeftSamplePos(), view->waveFormat(),
                view->model().hasSamples());
}

// ---- Edit commands.

int TMainForm::RenderAndScale(RIZI32DaziVereruz& view, std::uint32_t zoom, std::uint32_t left) {
    const int code = view.RenderView(zoom, left);
    if (code == 0) {
        UpdateScale(*m_scale, view.ZoomLevel(), view.LeftSamplePos(), view.waveFormat(),
                    view.model().hasSamples());
    }
    return code;
}

void TMainForm::setUndoRedoFromFiles() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    setCommandEnabled("EditUndoMenu", FileHasData(document->undoFile));
    setCommandEnabled("EditRedoMenu", FileHasData(document->redoFile));
}

int TMainForm::PushUndo() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return 0;
    const int result = sonthra::PushUndo(filesOf(*document));
    if (result != 0) return ShowMessage(m_dialogs, this, result);
    setCommandEnabled("EditUndoMenu", true);
    return 0;
}

void TMainForm::DropUndo() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    sonthra::DropUndo(filesOf(*document));
    setCommandEnabled("EditUndoMenu", false);
}

void TMainForm::DropRedo() {
    const AudioDocument* document = m_documents.current();
    if (document == nullptr) return;
    sonthra::DropRedo(filesOf(*document));
    setCommandEnabled("EditRedoMenu", false);
}

// The working copy has changed: whatever happens to the view afterwards, the document now
// differs from the user's file and can go back one step.
void TMainForm::markEdited(AudioDocument& document) {
    if (document.state == DocumentState::Clean) document.state = DocumentState::Modified;
    setCommandEnabled("FileRevertMenu", document.state != DocumentState::New);
    setCommandEnabled("FileSaveMenu", true);
    setUndoRedoFromFiles();
}

// Cut and Clear drop the removed range's peak blocks instead of scanning the file again, and
// write the peak file the overview then loads.
int TMainForm::patchPeaks(RIZI32DaziVereruz& view, const std::string& workFile, std::uint32_t start,
                          std::uint32_t end) {
    const int removed = view.RemovePeakRange(start, end);
    if (removed != 0) return showViewError(m_dialogs, this, removed);
    const std::string peakFile = GetPeakFileName(workFile, tempFolder());
    const int saved = view.SavePeaks(peakFile);
    if (saved != 0) {
        showViewError(m_dialogs, this, saved);
        return 0;
    }
    // The peak file describes the working copy as it is now, and says so by its time.
    struct stat wav {};
    if (::stat(workFile.c_str(), &wav) == 0) {
        const struct timespec times[2] = {{0, UTIME_NOW}, wav.st_mtim};
        ::utimensat(AT_FDCWD, peakFile.c_str(), times, 0);
    }
    return 0;
}

// Steps 1 to 4 of the refresh after an audio change: the view at its zoom, the overview from
// the peak file just written, the caret, and the format read again.
bool TMainForm::refreshView(RIZI32DaziVereruz& view, AudioDocument& document, std::uint32_t zoom,
                            std::uint32_t caret) {
    const int rendered = RenderAndScale(view, zoom, view.LeftSamplePos());
    // "Nothing to draw" is the display's success without a picture, not a failure.
    if (rendered != 0 && rendered != kViewErrNothingToDraw) {
        std::string text;
        std::string detail;
        int system = 0;
        showViewError(m_dialogs, this, view.GetLastErrorDetails(text, system, detail));
        return false;
    }
    buildOverview(document.workFile, true);
    caret = std::min(caret, view.TotalSamples());
    view.SelectNone();
    PlaceCaret(caret);
    ShowCaretPosition(caret, sonthra::PositionMode::Samples);
    m_overviewLink->SyncOverviewFrame();
    const int error = readSampleFormat(document, document.workFile);
    if (error != 0) {
        ShowEngineError(m_dialogs, this, error);
        return false;
    }
    return true;
}

int TMainForm::EditWorkingCopy(sonthra::EditOperation operation, std::uint32_t parameter,
                               bool toFile) {
    if (m_engine == nullptr || m_documents.current() == nullptr || CurrentView() == nullptr ||
        m_playing || m_recording) {
        return 0;
    }
    holdBusy();
    const Finally release([this] { releaseBusy(); });
    if (!EnsureWorkingCopy(true)) return kCancelled;
    AudioDocument& document = *m_documents.current();
    RIZI32DaziVereruz& view = *CurrentView();

    EditRequest request;
    request.operation = operation;
    request.first = view.SelectionStartPos();
    request.last = view.SelectionEndPos();
    request.parameter = parameter;
    const bool selection = request.first != request.last;
    if (needsSelection(operation) && !selection) return 0;
    if ((operation == EditOperation::Mute || operation == EditOperation::TrimSilence) &&
        !selection) {
        request.first = 0;
        request.last = view.TotalSamples();
    }
    if (operation == EditOperation::Paste || operation == EditOperation::InsertSilence) {
        request.position = PasteInsertionPoint(request.first, request.last,
                                               ReadCaretBox(sonthra::PositionMode::Samples));
    }
    const bool wasWhole = view.ZoomLevel() == view.MaxZoomLevel();
    const std::uint32_t previousCaret = view.CaretPositionBySamples();

    if (toFile) {
        FileDialogRequest ask;
        ask.title = "Save As";
        ask.filter = "Wave Files (*.wav)";
        ask.defaultSuffix = "wav";
        const QString path = m_dialogs.saveFileName(this, ask);
        if (path.isEmpty()) return kCancelled;
        request.rangeFile = path.toStdString();
    }
    const EngineEditRunner run = [this](const std::string& caption, const EngineEditStart& start) {
        return RunEngineEdit(QString::fromStdString(caption), start);
    };

    if (operation == EditOperation::Copy) {
        const int copied = CopyEdit(*m_engine, document.workFile, request, run);
        // A copy to a file leaves the clipboard, and so Paste, as they were.
        if (!toFile) setPasteFromEngine();
        return copied;
    }

    const std::string result = ReserveTempName(tempPreference());
    if (result.empty()) return ShowMessage(m_dialogs, this, kTempFileNotMade);
    const EditOutcome outcome =
        ApplyFileEdit(*m_engine, filesOf(document), request, result, run,
                      [this](int message) { ShowMessage(m_dialogs, this, message); });
    if (outcome.result != 0) {
        setUndoRedoFromFiles();
        return outcome.result;
    }
    markEdited(document);

    const std::uint32_t caret = CaretAfterEdit(request, previousCaret, 0xFFFFFFFFu);
    bool refreshed = false;
    if (operation == EditOperation::Cut || operation == EditOperation::Clear) {
        if (patchPeaks(view, document.workFile, request.first, request.last) == 0) {
            refreshed =
                refreshView(view, document,
                            ZoomAfterEdit(wasWhole, view.ZoomLevel(), view.MaxZoomLevel()), caret);
        }
    } else {
        refreshed = RefreshAfterEdit(wasWhole, caret);
    }
    if (refreshed) updateDocumentDisplay();
    if (operation == EditOperation::Paste) {
        setCommandStateFromDocument();
    } else {
        setUndoRedoFromFiles();
    }
    if (operation == EditOperation::Cut && !toFile) setPasteFromEngine();
    if ((operation == EditOperation::Cut || operation == EditOperation::Clear) &&
        view.TotalSamples() == 0) {
        setCommandEnabled("FileExportMenu", false);
    }
    return 0;
}

bool TMainForm::RefreshAfterEdit(bool wasWhole, std::uint32_t caret) {
    AudioDocument* document = m_documents.current();
    RIZI32DaziVereruz* view = CurrentView();
    if (document == nullptr || view == nullptr) return false;
    const std::uint32_t zoom = view->ZoomLevel();
    // A display that lost its file (a document that had no audio yet) attaches it again.
    const bool attach = view->WaveFileName().empty();
    if (RunPeakBuild(*view, document->workFile, false, attach, kBuildingPeaks) != 0) return false;
    if (!refreshView(*view, *document, ZoomAfterEdit(wasWhole, zoom, view->MaxZoomLevel()),
                     caret)) {
        return false;
    }
    updateDocumentDisplay();
    setCommandStateFromDocument();
    return true;
}

void TMainForm::undoOrRedo(bool undo) {
    AudioDocument* document = m_documents.current();
    RIZI32DaziVereruz* view = CurrentView();
    if (m_engine == nullptr || document == nullptr || view == nullptr || m_playing || m_recording) {
        return;
    }
    if ((undo ? document->undoFile : document->redoFile).empty()) return;
    holdBusy();
    const Finally release([this] { releaseBusy(); });
    const std::uint32_t caret = ReadCaretBox(sonthra::PositionMode::Samples);
    const std::uint32_t zoom = view->ZoomLevel();
    const bool wasWhole = zoom == view->MaxZoomLevel();

    const EditFiles files = filesOf(*document);
    const int moved = undo ? UndoMove(files) : RedoMove(files);
    if (moved != 0) {
        ShowMessage(m_dialogs, this, moved);
        setUndoRedoFromFiles();
        return;
    }
    if (RunPeakBuild(*view, document->workFile, false, true, kBuildingPeaks) == 0 &&
        refreshView(*view, *document, ZoomAfterEdit(wasWhole, zoom, view->MaxZoomLevel()), caret)) {
        updateDocumentDisplay();
    }
    setCommandStateFromDocument();
}

}  // namespace sonthra
