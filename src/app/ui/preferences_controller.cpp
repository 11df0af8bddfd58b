#include "app/ui/preferences_controller.h"

#include "app/transport_controller.h"
#include "app/ui/document_session.h"
#include "app/ui/mixer_panel.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "settings/ui/rec_settings_form.h"

namespace sonthra {

PreferencesController::PreferencesController(UserDialogs& dialogs, QWidget& window,
                                             DocumentSession& session, MixerPanel& mixerPanel,
                                             TransportController& transport, Hooks hooks)
    : m_dialogs(dialogs),
      m_window(window),
      m_session(session),
      m_mixerPanel(mixerPanel),
      m_transport(transport),
      m_hooks(std::move(hooks)) {}

PreferencesController::~PreferencesController() {
    delete m_recSettings;
    delete m_preferences;
}

void PreferencesController::Attach(NXWavePlayer& engine, MixerApi& mixer, Settings& settings) {
    m_engine = &engine;
    m_mixer = &mixer;
    m_settings = &settings;
}

void PreferencesController::CreatePreferencesForm() {
    if (m_engine == nullptr || m_preferences != nullptr) return;
    m_preferences = new TPreferencesForm(*m_engine, *m_settings, m_dialogs, &m_window);
    if (m_hooks.applySkin) m_hooks.applySkin();
    // A temporary folder chosen in the Preferences applies from the next file on.
    m_session.TempPreferenceSource = [this] {
        return m_preferences != nullptr ? m_preferences->GetTempFolder().toStdString()
                                        : m_settings->readTempPath().value;
    };
}

void PreferencesController::CreateRecSettingsForm() {
    if (m_engine == nullptr || m_recSettings != nullptr) return;
    auto query = [this](std::uint32_t rate, int bits, int channels) {
        const int device = m_preferences != nullptr ? m_preferences->GetInputDeviceIndex() : -1;
        return m_engine->IsInputFormatSupported(device, rate, bits, channels);
    };
    m_recSettings = new TRecSettingsForm(query, m_dialogs, &m_window);
}

TPreferencesForm* PreferencesController::TakePreferencesForm() {
    TPreferencesForm* form = m_preferences;
    m_preferences = nullptr;
    return form;
}

RecordFormat PreferencesController::RecordingFormat() const {
    if (m_recSettings == nullptr) return {44100, 16, 2};
    return {m_recSettings->SampleRate(), m_recSettings->BitsPerSample(), m_recSettings->Channels()};
}

// A window made without the recording format window takes the current format.
bool PreferencesController::AskRecordingFormat(RecordFormat& format) {
    if (m_recSettings != nullptr && m_recSettings->exec() != QDialog::Accepted) return false;
    format = RecordingFormat();
    return true;
}

bool PreferencesController::LevelTestWanted() const {
    if (m_preferences != nullptr) return m_preferences->GetAlwaysTestLevels();
    return m_settings != nullptr && m_settings->readAlwaysTestLevels().value;
}

int PreferencesController::MixerDeviceFor(bool input) const {
    if (m_engine == nullptr || m_mixer == nullptr || m_preferences == nullptr) return -1;
    const int chosen =
        input ? m_preferences->GetInputDeviceIndex() : m_preferences->GetOutputDeviceIndex();
    return sonthra::MixerDeviceFor(*m_engine, *m_mixer, chosen, input);
}

void PreferencesController::ShowMixerMessages(const std::vector<int>& messages) {
    for (int number : messages) {
        // The Preferences window's device lists have told already that there is no device.
        const bool told =
            m_preferences != nullptr &&
            ((number == kNoRecordingDeviceMessage && m_preferences->InputDevices().empty()) ||
             (number == kNoPlaybackDeviceMessage && m_preferences->OutputDevices().empty()));
        if (!told) ShowMessage(m_dialogs, &m_window, number);
    }
}

void PreferencesController::FilePreferencesMenuClick() {
    if (m_preferences == nullptr) return;
    BusyHold busy(m_session);
    const int inputBefore = m_preferences->GetInputDeviceIndex();
    const int outputBefore = m_preferences->GetOutputDeviceIndex();
    const bool testBefore = m_preferences->GetAlwaysTestLevels();
    if (m_preferences->exec() != QDialog::Accepted) return;
    if (m_hooks.applySkin) m_hooks.applySkin();

    if (m_preferences->GetOutputDeviceIndex() != outputBefore) {
        if (m_engine->isPlaying() && m_hooks.stopPlayback) m_hooks.stopPlayback();
        ShowMixerMessages(ChangeMixerOutputDevice(*m_mixer, MixerDeviceFor(false)));
        m_mixerPanel.ReadBackPlayback();
    }
    const bool inputChanged = m_preferences->GetInputDeviceIndex() != inputBefore;
    if (inputChanged) {
        ShowMixerMessages(ChangeMixerInputDevice(*m_mixer, MixerDeviceFor(true),
                                                 m_mixerPanel.SourcesForChange()));
        m_mixerPanel.ShowSource();
        m_mixerPanel.ReadBackRecord();
        if (m_recSettings != nullptr) m_recSettings->BuildFormatLists();
    }
    if (inputChanged || m_preferences->GetAlwaysTestLevels() != testBefore) {
        // The engine takes a new device from the next level test on.
        m_transport.StopLevelTest();
        if (m_preferences->GetAlwaysTestLevels()) m_transport.StartLevelTest();
    }
}

void PreferencesController::RecSettingsButtonClick() {
    if (m_recSettings == nullptr) return;
    BusyHold busy(m_session);
    if (m_recSettings->exec() == QDialog::Accepted && m_hooks.formatConfirmed) {
        m_hooks.formatConfirmed();
    }
}

}  // namespace sonthra
