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

}  // namespace

void TMainForm::initEditing() {
    m_edit = std::make_unique<EditController>(static_cast<EditSurface&>(*this), m_dialogs,
                                              m_documents);
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
    if (m_documents.current() == nullptr || CurrentView() == nullptr || m_transport.BlocksEditing()) {
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

void TMainForm::EnableCommand(EditCommand command, bool on) {
    switch (command) {
        case EditCommand::Undo: setCommandEnabled("EditUndoMenu", on); break;
        case EditCommand::Redo: setCommandEnabled("EditRedoMenu", on); break;
        case EditCommand::Save: setCommandEnabled("FileSaveMenu", on); break;
        case EditCommand::Revert: setCommandEnabled("FileRevertMenu", on); break;
        case EditCommand::Paste: setCommandEnabled("EditPasteMenu", on); break;
        case EditCommand::Export: setCommandEnabled("FileExportMenu", on); break;
    }
}

EditSurface::ShownRange TMainForm::CurrentSelection() const {
    ShownRange shown;
    const RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr) return shown;
    shown.shown = true;
    shown.first = view->SelectionStartPos();
    shown.last = view->SelectionEndPos();
    shown.caret = view->CaretPositionBySamples();
    shown.total = view->TotalSamples();
    shown.wholeFileShown = view->ZoomLevel() == view->MaxZoomLevel();
    return shown;
}

std::uint32_t TMainForm::CaretReadout() const {
    return ReadCaretBox(sonthra::PositionMode::Samples);
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

bool TMainForm::RefreshAudio(const RefreshRequest& request) {
    AudioDocument* document = m_documents.current();
    RIZI32DaziVereruz* view = CurrentView();
    if (document == nullptr || view == nullptr) return false;
    if (request.kind == RefreshKind::Rebuild) {
        return RefreshAfterEdit(request.wasWhole, request.caret, request.attach);
    }
    if (patchPeaks(*view, document->workFile, request.first, request.last) != 0) return false;
    return refreshView(*view, *document,
                       ZoomAfterEdit(request.wasWhole, view->ZoomLevel(), view->MaxZoomLevel()),
                       request.caret);
}

bool TMainForm::RefreshAfterEdit(bool wasWhole, std::uint32_t caret, bool attach) {
    AudioDocument* document = m_documents.current();
    RIZI32DaziVereruz* view = CurrentView();
    if (document == nullptr || view == nullptr) return false;
    const std::uint32_t zoom = view->ZoomLevel();
    // A display that lost its file (a document that had no audio yet) attaches it again.
    attach = attach || view->WaveFileName().empty();
    if (RunPeakBuild(*view, document->workFile, false, attach, kBuildingPeaks) != 0) return false;
    if (!refreshView(*view, *document, ZoomAfterEdit(wasWhole, zoom, view->MaxZoomLevel()),
                     caret)) {
        return false;
    }
    updateDocumentDisplay();
    setCommandStateFromDocument();
    return true;
}

}  // namespace sonthra
