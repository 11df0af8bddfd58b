#include "app/ui/window_edit_surface.h"

#include "app/ui/document_views.h"
#include "app/ui/main_form.h"
#include "edit/position_text.h"
#include "edit/zoom_rules.h"
#include "view/ui/wave_display.h"

namespace sonthra {

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

bool WindowEditSurface::RefreshAudio(const RefreshRequest& request) {
    AudioDocument* document = m_form.m_documents.current();
    RIZI32DaziVereruz* view = m_form.CurrentView();
    if (document == nullptr || view == nullptr) return false;
    if (request.kind == RefreshKind::Rebuild) {
        return m_form.RefreshAfterEdit(request.wasWhole, request.caret, request.attach);
    }
    if (m_form.m_parts->PatchPeaks(*view, document->workFile, request.first, request.last) != 0) {
        return false;
    }
    return m_form.refreshView(
        *view, *document, ZoomAfterEdit(request.wasWhole, view->ZoomLevel(), view->MaxZoomLevel()),
        request.caret);
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
