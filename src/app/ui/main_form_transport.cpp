// The transport buttons that do more than the transport controller's handlers (the others are
// wired to it); what the controller asks of the window is WindowTransportSurface's
// (window_transport_surface.cpp).
#include <QAbstractButton>
#include <QLabel>
#include <QTimer>

#include "app/transport_rules.h"
#include "app/ui/command_states.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "app/ui/mixer_panel.h"
#include "app/ui/readout_bar.h"
#include "dialogs/ui/user_dialogs.h"
#include "edit/position_text.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "view/ui/led_widget.h"
#include "view/ui/overview.h"

namespace sonthra {

using namespace main_form;

// Stop ends a recording, or else the playback.
void TMainForm::StopButtonClick() {
    if (m_transport.IsRecording()) {
        m_transport.StopRecording();
    } else {
        m_transport.StopButtonClick();
    }
    FocusView();
}

void TMainForm::setEmptyViewText(const QString& text) {
    if (RIZI32DaziVereruz* view = CurrentView()) view->setNoSamplePresentText(text);
    if (TLUM32Overview* overview = CurrentOverview()) overview->setNoSamplePresentText(text);
}

// ---- Recording: the sequence is the transport controller's; the window asks, shows and takes
// the recorded audio into the display.

void TMainForm::StartStopRecordingButtonClick() {
    if (m_engine == nullptr) return m_transportSurface.SetRecordButton(false);
    m_transport.StartStopRecordingButtonClick();
}

}  // namespace sonthra
