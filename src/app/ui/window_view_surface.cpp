#include "app/ui/window_view_surface.h"

#include <QLabel>

#include "app/ui/document_views.h"
#include "app/ui/main_form.h"
#include "app/ui/preferences_controller.h"
#include "view/ui/overview_link.h"
#include "view/ui/wave_display.h"

namespace sonthra {

RIZI32DaziVereruz* WindowViewSurface::CurrentView() const {
    return m_form.CurrentView();
}

void WindowViewSurface::UpdateRuler(const RIZI32DaziVereruz& view) {
    UpdateScale(*m_form.m_scale, view.ZoomLevel(), view.LeftSamplePos(), view.waveFormat(),
                view.model().hasSamples());
}
void WindowViewSurface::FollowView() {
    if (m_form.m_parts) m_form.m_parts->FollowView();
}
void WindowViewSurface::SyncOverviewFrame() {
    m_form.m_overviewLink->SyncOverviewFrame();
}
void WindowViewSurface::ShowZoom(std::uint32_t zoom) {
    m_form.m_statusPanels[4]->setText(QStringLiteral("1:%1").arg(zoom));
}
void WindowViewSurface::SwitchCommands(int state) {
    m_form.SetCommandState(state);
}
void WindowViewSurface::FocusView() {
    m_form.FocusView();
}
RecordFormat WindowViewSurface::RecordingFormat() const {
    return m_form.m_prefs->RecordingFormat();
}

}  // namespace sonthra
