// The Preferences and recording format windows of the main window: made hidden at start-up,
// shown by File, Preferences and the Rec Settings button, and what follows a change confirmed in
// them (the mixer's devices, the recording device's formats, the idle level test, the skin).
// Without the engine, the mixer and the settings (a window made on its own) neither window
// exists and the commands do nothing. GUI thread only.
#pragma once

#include <functional>
#include <vector>

#include "settings/ui/record_formats.h"

class QWidget;

namespace sonthra {

class DocumentSession;
class MixerApi;
class MixerPanel;
class NXWavePlayer;
class Settings;
class TPreferencesForm;
class TRecSettingsForm;
class TransportController;
class UserDialogs;

class PreferencesController {
public:
    struct Hooks {
        std::function<void()> applySkin;        // after the Preferences were confirmed
        std::function<void()> stopPlayback;     // before the output device changes
        std::function<void()> formatConfirmed;  // the recording format window said OK
    };
    // Messages and both windows show over window.
    PreferencesController(UserDialogs& dialogs, QWidget& window, DocumentSession& session,
                          MixerPanel& mixerPanel, TransportController& transport, Hooks hooks);
    // The Preferences window stores its values as it goes.
    ~PreferencesController();
    PreferencesController(const PreferencesController&) = delete;
    PreferencesController& operator=(const PreferencesController&) = delete;

    void Attach(NXWavePlayer& engine, MixerApi& mixer, Settings& settings);
    // The hidden Preferences window, which reads the settings, checks the temporary folder,
    // hands it to the engine and selects the preferred devices.
    void CreatePreferencesForm();
    // The hidden recording format window, probing the recording device chosen at each probe.
    void CreateRecSettingsForm();
    TPreferencesForm* PreferencesForm() const { return m_preferences; }
    TRecSettingsForm* RecSettingsForm() const { return m_recSettings; }
    // Forgets the Preferences window without deleting it (the program ends at once and deletes
    // it itself).
    TPreferencesForm* TakePreferencesForm();

    // The format for the next recording or new document, as last confirmed in the recording
    // format window (44100 Hz, 16 bits, stereo without that window).
    RecordFormat RecordingFormat() const;
    // The recording format window decides the format of a new document: false when cancelled.
    bool AskRecordingFormat(RecordFormat& format);
    // The switch "always test levels" as last confirmed in this run, else as stored.
    bool LevelTestWanted() const;

    // The mixer's device for the engine's chosen one (-1 before the windows exist), and the
    // mixer's messages shown one after the other (but for a missing device that the Preferences
    // window's device lists have told of already).
    int MixerDeviceFor(bool input) const;
    void ShowMixerMessages(const std::vector<int>& messages);

    // Shows the Preferences window; a device that changed is selected in the mixer too, a new
    // recording device is asked again for its formats, and the idle level test follows the new
    // device and the new state of its switch.
    void FilePreferencesMenuClick();
    // An empty New document takes a confirmed format at once.
    void RecSettingsButtonClick();

private:
    UserDialogs& m_dialogs;
    QWidget& m_window;
    DocumentSession& m_session;
    MixerPanel& m_mixerPanel;
    TransportController& m_transport;
    Hooks m_hooks;
    NXWavePlayer* m_engine = nullptr;
    MixerApi* m_mixer = nullptr;
    Settings* m_settings = nullptr;
    TPreferencesForm* m_preferences = nullptr;
    TRecSettingsForm* m_recSettings = nullptr;
};

}  // namespace sonthra
