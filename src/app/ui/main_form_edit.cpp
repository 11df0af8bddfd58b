// Editing in the main window: the edit and effects controllers made, the read-outs' entries
// handed to the view controller, the focus and the window's size. The refresh after each edit is
// WindowEditSurface's (window_edit_surface.cpp).
#include <QLabel>
#include <QResizeEvent>

#include "app/ui/document_views.h"
#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/readout_bar.h"
#include "edit/position_text.h"
#include "view/ui/overview_link.h"
#include "view/ui/wave_display.h"

namespace sonthra {

void TMainForm::initEditing() {
    m_edit = std::make_unique<EditController>(m_editSurface, m_dialogs, m_documents);
    m_effects = std::make_unique<EffectsController>(Controllers(), m_dialogs,
                                                    *m_menus.value("EffectsMenu"));
    connect(m_readouts, &ReadoutBar::CaretEntered, this,
            [this](std::optional<std::uint32_t> frames, const QString& typed) {
                m_view.CaretEntered(frames, typed);
            });
    connect(m_readouts, &ReadoutBar::SelectionEntered, this, [this] { m_view.SelectionEntered(); });
    connect(m_readouts, &ReadoutBar::EntryAbandoned, this, &TMainForm::FocusView);
}

WindowControllers TMainForm::Controllers() {
    return {*this,
            m_session,
            m_transport,
            *m_docs,
            *m_edit,
            m_view,
            [this] { return CurrentView(); },
            [this] { return m_prefs->RecordingFormat(); }};
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

}  // namespace sonthra
