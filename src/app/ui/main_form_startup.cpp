// The main window's start-up and shutdown around the audio engine, the mixer and the settings:
// the engine's and mixer's notices, the Preferences and recording format windows made hidden,
// and the mixer's start.
#include <QCoreApplication>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>

#include "app/ui/document_views.h"
#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"
#include "app/ui/media_controller.h"
#include "app/ui/mixer_panel.h"
#include "app/ui/preferences_controller.h"
#include "dialogs/ui/user_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "platform/program_folder.h"
#include "settings/settings.h"

namespace sonthra {

namespace {

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
    form.Preferences().CreatePreferencesForm();
    form.Preferences().CreateRecSettingsForm();
    form.PostCreate();
    // The effect plug-ins lie beside the program.
    form.Effects().Start(programFolder());
}

// The engine and the mixer call from their own threads until told to stop, so they are told
// before anything they would reach goes away; the Preferences window stores its values as it
// goes.
TMainForm::~TMainForm() {
    if (m_mixer != nullptr) m_mixer->SetCVMixCallbackWindow({});
    if (m_engine != nullptr) m_engine->SetCallbackWindow({});
    m_prefs.reset();
}

void TMainForm::AttachAudio(NXWavePlayer& engine, MixerApi& mixer, Settings& settings) {
    m_engine = &engine;
    m_mixer = &mixer;
    m_mixerPanel->SetMixer(&mixer);
    m_settings = &settings;
    m_session.SetSettings(&settings);
    m_prefs->Attach(engine, mixer, settings);
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

void TMainForm::PostCreate() {
    findChild<QLabel*>("RecordingSourceLabel")->clear();
    if (m_mixer == nullptr) return;

    std::optional<int> lastSource;
    const SettingRead<std::int32_t> stored = m_settings->readLastRecordSource(-1);
    if (stored.result == 0) lastSource = stored.value;
    if (isSettingsFileFault(stored.result) && m_settings->tellOnce(stored.result)) {
        ShowMessage(m_dialogs, this, stored.result);
    }

    auto window =
        postToWindow(this, [](TMainForm* form, unsigned message, qintptr wparam, qintptr lparam) {
            form->m_mixerPanel->MixerMessage(message, wparam, lparam);
        });
    MixerStart start = StartMixer(*m_mixer, window, m_prefs->MixerDeviceFor(true),
                                  m_prefs->MixerDeviceFor(false), lastSource);
    m_prefs->ShowMixerMessages(start.messages);
    m_mixerPanel->SetSources(std::move(start.sources));
    m_mixerPanel->ReadBackPlayback();
    m_mixerPanel->ReadBackRecord();
}

}  // namespace sonthra
