#include "app/ui/window_edit_surface.h"

#include "app/ui/document_views.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "dialogs/ui/user_dialogs.h"
#include "edit/position_text.h"
#include "edit/zoom_rules.h"
#include "messages/message_table.h"
#include "view/ui/overview_link.h"
#include "view/ui/wave_display.h"
#include "view/view_errors.h"

namespace sonthra {

using namespace main_form;

EditSurface::ShownRange WindowEditSurface::CurrentSelection() const {
    ShownRange shown;
    const RIZI32DaziVereruz* view = m_form.CurrentView();
    if (view == nullptr) return shown;
    shown.shown = true;
    shown.first = view->SelectionStartPos();
    shown.last = view->SelectionEndPos();
    shown.caret = view->CaretPositionBySamples();
    shown.total = view->TotalSamples();
    shown.wholeFileShown = view->ZoomLevel() == view->MaxZoomLevel();
    return shown;
}

std::uint32_t WindowEditSurface::CaretReadout() const {
    return m_form.View().ReadCaretBox(sonthra::PositionMode::Samples);
}
bool WindowEditSurface::TransportBusy() const {
    return m_form.m_transport.BlocksEditing();
}
bool WindowEditSurface::WorkingCopyReady() {
    return m_form.Session().EnsureWorkingCopy(true);
}
void WindowEditSurface::HoldBusy() {
    m_form.m_session.HoldBusy();
}
void WindowEditSurface::ReleaseBusy() {
    m_form.m_session.ReleaseBusy();
}
std::string WindowEditSurface::TempPreference() const {
    return m_form.m_session.TempPreference();
}

void WindowEditSurface::PreparePeakRemoval(std::uint32_t first, std::uint32_t last) {
    if (RIZI32DaziVereruz* view = m_form.CurrentView()) view->PreparePeakRemoval(first, last);
}

// The peaks rebuilt under "Building Peaks..." or patched after a removal, then the display at
// the whole-file zoom when it showed the whole file, else at the zoom it had.
bool WindowEditSurface::RefreshAudio(const RefreshRequest& request) {
    AudioDocument* document = m_form.m_documents.current();
    RIZI32DaziVereruz* view = m_form.CurrentView();
    if (document == nullptr || view == nullptr) return false;
    DocumentViews& parts = *m_form.m_parts;
    const bool rebuild = request.kind == RefreshKind::Rebuild;
    std::uint32_t zoom = view->ZoomLevel();
    if (rebuild) {
        // A display that lost its file (a document that had no audio yet) attaches it again.
        const bool attach = request.attach || view->WaveFileName().empty();
        if (parts.RunPeakBuild(*view, document->workFile, false, attach, kBuildingPeaks) != 0)
            return false;
    } else {
        if (parts.PatchPeaks(*view, document->workFile, request.first, request.last) != 0)
            return false;
        zoom = view->ZoomLevel();
    }
    if (!refreshView(*view, *document, ZoomAfterEdit(request.wasWhole, zoom, view->MaxZoomLevel()),
                     request.caret)) {
        return false;
    }
    if (rebuild) {
        m_form.updateDocumentDisplay();
        m_form.setCommandStateFromDocument();
    }
    return true;
}

// The view at its zoom, the overview from the peak file just written, the caret, and the
// format read again.
bool WindowEditSurface::refreshView(RIZI32DaziVereruz& view, AudioDocument& document,
                                    std::uint32_t zoom, std::uint32_t caret) {
    const int rendered = m_form.m_parts->RenderAndScale(view, zoom, view.LeftSamplePos());
    // "Nothing to draw" is the display's success without a picture, not a failure.
    if (rendered != 0 && rendered != kViewErrNothingToDraw) {
        std::string text;
        std::string detail;
        int system = 0;
        showViewError(m_form.m_dialogs, &m_form, view.GetLastErrorDetails(text, system, detail));
        return false;
    }
    m_form.m_parts->BuildOverview(document.workFile, true);
    caret = std::min(caret, view.TotalSamples());
    view.SelectNone();
    m_form.m_view.PlaceCaret(caret);
    m_form.m_view.ShowCaretPosition(caret, sonthra::PositionMode::Samples);
    m_form.m_overviewLink->SyncOverviewFrame();
    const int error = m_form.m_docs->ReadSampleFormat(document, document.workFile);
    if (error != 0) {
        ShowEngineError(m_form.m_dialogs, &m_form, error);
        return false;
    }
    return true;
}

void WindowEditSurface::ShowDocument() {
    m_form.updateDocumentDisplay();
}
void WindowEditSurface::CommandsFromDocument() {
    m_form.setCommandStateFromDocument();
}

void WindowEditSurface::EnableCommand(EditCommand command, bool on) {
    const char* name = nullptr;
    switch (command) {
        case EditCommand::Undo:
            name = "EditUndoMenu";
            break;
        case EditCommand::Redo:
            name = "EditRedoMenu";
            break;
        case EditCommand::Save:
            name = "FileSaveMenu";
            break;
        case EditCommand::Revert:
            name = "FileRevertMenu";
            break;
        case EditCommand::Paste:
            name = "EditPasteMenu";
            break;
        case EditCommand::Export:
            name = "FileExportMenu";
            break;
    }
    if (name != nullptr) m_form.setCommandEnabled(name, on);
}

QWidget* WindowEditSurface::DialogParent() {
    return &m_form;
}

}  // namespace sonthra
