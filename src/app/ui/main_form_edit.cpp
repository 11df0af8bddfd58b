// Editing in the main window: the read-outs' entries handed to the view controller, the window's
// size, and the refresh of view, overview, ruler, read-outs, status bar and commands after each
// edit (asked through WindowEditSurface, window_edit_surface.cpp). The file work itself (engine
// calls, undo files) is the editing library's; this adds the window.
#include <fcntl.h>
#include <sys/stat.h>

#include <QLabel>
#include <QResizeEvent>

#include <algorithm>

#include "app/temp_names.h"
#include "app/ui/command_states.h"
#include "app/ui/document_views.h"
#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "app/ui/readout_bar.h"
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

void TMainForm::initEditing() {
    m_edit = std::make_unique<EditController>(m_editSurface, m_dialogs, m_documents);
    m_effects =
        std::make_unique<EffectsController>(*this, m_dialogs, *m_menus.value("EffectsMenu"));
    connect(m_readouts, &ReadoutBar::CaretEntered, this,
            [this](std::optional<std::uint32_t> frames, const QString& typed) {
                m_view.CaretEntered(frames, typed);
            });
    connect(m_readouts, &ReadoutBar::SelectionEntered, this, [this] { m_view.SelectionEntered(); });
    connect(m_readouts, &ReadoutBar::EntryAbandoned, this, &TMainForm::FocusView);
}

void TMainForm::FocusView() {
    RIZI32DaziVereruz* view = CurrentView();
    if (view == nullptr || !isVisible() || !isActiveWindow() || !view->isVisible()) return;
    view->setFocus(Qt::OtherFocusReason);
}

void TMainForm::positionDisplayChanged() {
    m_scale->setFormat(m_view.DisplayMode() == PositionDisplayMode::Samples ? TFormat::Samples
                                                                            : TFormat::Time);
    if (m_documents.current() == nullptr || CurrentView() == nullptr) return;
    m_view.ShowViewPositions();
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
    m_parts->PlaceDocumentButtons();
    m_statusPanels[4]->setText(QStringLiteral("1:%1").arg(view->ZoomLevel()));
    m_overviewLink->SyncOverviewFrame();
    UpdateScale(*m_scale, view->ZoomLevel(), view->LeftSamplePos(), view->waveFormat(),
                view->model().hasSamples());
}

// ---- Edit commands.

// Steps 1 to 4 of the refresh after an audio change: the view at its zoom, the overview from
// the peak file just written, the caret, and the format read again.
bool TMainForm::refreshView(RIZI32DaziVereruz& view, AudioDocument& document, std::uint32_t zoom,
                            std::uint32_t caret) {
    const int rendered = m_parts->RenderAndScale(view, zoom, view.LeftSamplePos());
    // "Nothing to draw" is the display's success without a picture, not a failure.
    if (rendered != 0 && rendered != kViewErrNothingToDraw) {
        std::string text;
        std::string detail;
        int system = 0;
        showViewError(m_dialogs, this, view.GetLastErrorDetails(text, system, detail));
        return false;
    }
    m_parts->BuildOverview(document.workFile, true);
    caret = std::min(caret, view.TotalSamples());
    view.SelectNone();
    m_view.PlaceCaret(caret);
    m_view.ShowCaretPosition(caret, sonthra::PositionMode::Samples);
    m_overviewLink->SyncOverviewFrame();
    const int error = m_docs->ReadSampleFormat(document, document.workFile);
    if (error != 0) {
        ShowEngineError(m_dialogs, this, error);
        return false;
    }
    return true;
}

bool TMainForm::RefreshAfterEdit(bool wasWhole, std::uint32_t caret, bool attach) {
    AudioDocument* document = m_documents.current();
    RIZI32DaziVereruz* view = CurrentView();
    if (document == nullptr || view == nullptr) return false;
    const std::uint32_t zoom = view->ZoomLevel();
    // A display that lost its file (a document that had no audio yet) attaches it again.
    attach = attach || view->WaveFileName().empty();
    if (m_parts->RunPeakBuild(*view, document->workFile, false, attach, kBuildingPeaks) != 0)
        return false;
    if (!refreshView(*view, *document, ZoomAfterEdit(wasWhole, zoom, view->MaxZoomLevel()),
                     caret)) {
        return false;
    }
    updateDocumentDisplay();
    setCommandStateFromDocument();
    return true;
}

}  // namespace sonthra
