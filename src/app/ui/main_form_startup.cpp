// The main window's start-up and shutdown around the audio engine, the mixer and the settings:
// the engine's and mixer's notices, the Preferences and recording format windows, the mixer's
// start, and the commands that show the two windows.
#include <QCoreApplication>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>

#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"
#include "app/ui/media_controller.h"
#include "app/ui/mixer_panel.h"
#include "dialogs/ui/help.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "platform/program_folder.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "settings/ui/rec_settings_form.h"

namespace sonthra {

namespace {

// Sets the busy flag for a modal window unless something else already holds it.
class ModalBusy {
public:
    explicit ModalBusy(BusyFlag& flag) : m_flag(flag), m_wasSet(flag.isSet()) { m_flag.set(); }
    ~ModalBusy() {
        if (!m_wasSet) m_flag.clear();
    }
    ModalBusy(const ModalBusy&) = delete;
    ModalBusy& operator=(const ModalBusy&) = delete;

private:
    BusyFlag& m_flag;
    bool m_wasSet;
};

// A callback window for the engine or the mixer, which call it on threads of their own: it
// queues the notice to the GUI thread, where `handle` runs unless the window is gone by then.
// The weak reference is only copied on the calling thread, which is safe while the window is
// being destroyed; the window itself is only touched on the GUI thread.
template <typename Handle>
std::function<void(unsigned, std::intptr_t, std::intptr_t)> postToWindow(TMainForm* form,
                                                                         Handle handle) {
    QPointer<TMainForm> window(form);
    return [window, handle](unsigned message, std::intptr_t wparam, std::intptr_t lparam) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [window, handle, message, wparam, lparam] {
                if (window) handle(window.data(), message, wparam, lparam);
            },
            Qt::QueuedConnection);
    };
}

}  // namespace

void StartProgram(TMainForm& form, NXWavePlayer& engine, MixerApi& mixer, Settings& settings) {
    form.AttachAudio(engine, mixer, settings);
    // Creation step 6: the recent files from the settings store.
    form.RefreshRecentFilesMenu();
    // The hidden windows, in their creation order.
    form.CreatePreferencesForm();
    form.CreateRecSettingsForm();
    form.PostCreate();
    // The effect plug-ins lie beside the program.
    form.Effects().Start(programFolder());
}

// The engine and the mixer call from their own threads until told to stop, so they are told
// before anything they would reach goes away; the Preferences window stores its values here.
TMainForm::~TMainForm() {
    if (m_mixer != nullptr) m_mixer->SetCVMixCallbackWindow({});
    if (m_engine != nullptr) m_engine->SetCallbackWindow({});
    delete m_recSettings;
    m_recSettings = nullptr;
    delete m_preferences;
    m_preferences = nullptr;
}

void TMainForm::AttachAudio(NXWavePlayer& engine, MixerApi& mixer, Settings& settings) {
    m_engine = &engine;
    m_mixer = &mixer;
    m_mixerPanel->SetMixer(&mixer);
    m_settings = &settings;
    m_session.SetSettings(&settings);
    m_engine->SetCallbackWindow(
        postToWindow(this, [](TMainForm* form, unsigned message, qintptr wparam, qintptr lparam) {
            emit form->EngineNotification(message, wparam, lparam);
        }));
    m_engine->AudioEditSetUndoRedo(0);
    // Every edit keeps the working copy from before it as the undo file, so the edit only
    // needs that file safe on the disk, not its own result.
    m_engine->SetEditFlush(EditFlush::SourceFirst);
    m_edit->SetEngine(m_engine);
    m_colors.SetSettings(&settings);
    m_shutdownSteps.storeColorScheme = [this] { m_colors.StoreColorScheme(); };
    m_shutdownSteps.storeRecordSource = [this] { m_mixerPanel->StoreRecordSource(*m_settings); };
    m_shutdownSteps.releaseMixer = [this] { m_mixerPanel->ReleaseMixer(); };
    // The engine reaches the document and transport controllers; the media controller makes
    // the MP3 services and the WMA export window.
    m_docs->Attach(m_engine, m_settings);
    m_transport.Attach(m_engine, &m_transportSurface, &m_documents);
    m_media->Attach(m_settings);
}

void TMainForm::CreatePreferencesForm() {
    if (m_engine == nullptr || m_preferences != nullptr) return;
    m_preferences = new TPreferencesForm(*m_engine, *m_settings, m_dialogs, this);
    applySkin();
    // A temporary folder chosen in the Preferences applies from the next file on.
    m_session.TempPreferenceSource = [this] {
        return m_preferences != nullptr ? m_preferences->GetTempFolder().toStdString()
                                        : m_settings->readTempPath().value;
    };
}

void TMainForm::CreateRecSettingsForm() {
    if (m_engine == nullptr || m_recSettings != nullptr) return;
    // The device asked is the one chosen in the preferences at the time of each probe.
    auto query = [this](std::uint32_t rate, int bits, int channels) {
        const int device = m_preferences != nullptr ? m_preferences->GetInputDeviceIndex() : -1;
        return m_engine->IsInputFormatSupported(device, rate, bits, channels);
    };
    m_recSettings = new TRecSettingsForm(query, m_dialogs, this);
}

void TMainForm::PostCreate() {
    findChild<QLabel*>("RecordingSourceLabel")->clear();
    if (m_mixer == nullptr) return;

    std::optional<int> lastSource;
    const SettingRead<std::int32_t> stored = m_settings->readLastRecordSource(-1);
    if (stored.result == 0) lastSource = stored.value;
    if (isSettingsFileFault(stored.result)) {
        ShowMessage(m_dialogs, this, stored.result);
    }

    auto window =
        postToWindow(this, [](TMainForm* form, unsigned message, qintptr wparam, qintptr lparam) {
            form->m_mixerPanel->MixerMessage(message, wparam, lparam);
        });
    MixerStart start =
        StartMixer(*m_mixer, window, mixerDeviceFor(true), mixerDeviceFor(false), lastSource);
    showMixerMessages(start.messages);
    m_mixerPanel->SetSources(std::move(start.sources));
    m_mixerPanel->ReadBackPlayback();
    m_mixerPanel->ReadBackRecord();
}

RecordFormat TMainForm::RecordingFormat() const {
    if (m_recSettings == nullptr) return {44100, 16, 2};
    return {m_recSettings->SampleRate(), m_recSettings->BitsPerSample(), m_recSettings->Channels()};
}

// Shows the Preferences window; a device that changed is selected in the mixer too, a new
// recording device is asked again for its formats, and the idle level test follows the new
// device and the new state of its switch.
void TMainForm::FilePreferencesMenuClick() {
    if (m_preferences == nullptr) return;
    ModalBusy busy(m_busy);
    const int inputBefore = m_preferences->GetInputDeviceIndex();
    const int outputBefore = m_preferences->GetOutputDeviceIndex();
    const bool testBefore = m_preferences->GetAlwaysTestLevels();
    if (m_preferences->exec() != QDialog::Accepted) return;
    applySkin();

    if (m_preferences->GetOutputDeviceIndex() != outputBefore) {
        if (m_engine->isPlaying()) StopButtonClick();
        showMixerMessages(ChangeMixerOutputDevice(*m_mixer, mixerDeviceFor(false)));
        m_mixerPanel->ReadBackPlayback();
    }
    const bool inputChanged = m_preferences->GetInputDeviceIndex() != inputBefore;
    if (inputChanged) {
        showMixerMessages(ChangeMixerInputDevice(*m_mixer, mixerDeviceFor(true),
                                                 m_mixerPanel->SourcesForChange()));
        m_mixerPanel->ShowSource();
        m_mixerPanel->ReadBackRecord();
        if (m_recSettings != nullptr) m_recSettings->BuildFormatLists();
    }
    if (inputChanged || m_preferences->GetAlwaysTestLevels() != testBefore) {
        // The engine takes a new device from the next level test on.
        m_transport.StopLevelTest();
        if (m_preferences->GetAlwaysTestLevels()) m_transport.StartLevelTest();
    }
}

// The recording format window decides; a window made without one takes the current format.
bool TMainForm::AskRecordingFormat(RecordFormat& format) {
    if (m_recSettings != nullptr && m_recSettings->exec() != QDialog::Accepted) return false;
    format = RecordingFormat();
    return true;
}

void TMainForm::RecSettingsButtonClick() {
    if (m_recSettings == nullptr) return;
    ModalBusy busy(m_busy);
    // An empty New document takes the confirmed format at once.
    if (m_recSettings->exec() == QDialog::Accepted) m_docs->RecordingFormatConfirmed();
}

}  // namespace sonthra
