// The Preferences controller without the main window: a plain widget stands for the window,
// scripted dialogs answer messages, and the recording format window is answered where it opens.
#include "app/ui/preferences_controller.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "app/transport_controller.h"
#include "app/ui/document_session.h"
#include "app/ui/mixer_panel.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "engine/wav_maker.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "settings/ui/rec_settings_form.h"

namespace sonthra {
namespace {

struct PreferencesFixture : ::testing::Test {
    PreferencesController::Hooks hooks() {
        PreferencesController::Hooks h;
        h.applySkin = [this] { ++skins; };
        h.formatConfirmed = [this] { ++confirmed; };
        return h;
    }
    // Answers the next modal window with OK or Cancel once it shows.
    void answerNextWindow(bool ok) {
        QTimer::singleShot(0, [this, ok] {
            busyWhileOpen = session.Busy().isSet();
            if (auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ok ? window->accept() : window->reject();
            }
        });
    }

    ScriptedDialogs dialogs;
    QWidget window;
    DocumentSession session{dialogs, nullptr};
    MixerPanel mixerPanel{dialogs, &window};
    TransportController transport;
    int skins = 0;
    int confirmed = 0;
    bool busyWhileOpen = false;
    PreferencesController preferences{dialogs, window, session, mixerPanel, transport, hooks()};
};

TEST_F(PreferencesFixture, WithoutTheAudioPartsTheCommandsDoNothingAndTheDefaultFormatHolds) {
    preferences.CreatePreferencesForm();
    preferences.CreateRecSettingsForm();
    EXPECT_EQ(preferences.PreferencesForm(), nullptr);
    EXPECT_EQ(preferences.RecSettingsForm(), nullptr);
    preferences.FilePreferencesMenuClick();
    preferences.RecSettingsButtonClick();
    EXPECT_EQ(confirmed, 0);
    EXPECT_FALSE(session.Busy().isSet());
    RecordFormat format{8000, 8, 1};
    EXPECT_TRUE(preferences.AskRecordingFormat(format));
    EXPECT_EQ(format.sampleRate, 44100u);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.channels, 2);
    EXPECT_FALSE(preferences.LevelTestWanted());
    EXPECT_EQ(preferences.MixerDeviceFor(true), -1);
}

TEST_F(PreferencesFixture, TheRecordingFormatWindowHoldsTheBusyFlagAndTellsOnlyAConfirmedFormat) {
    test::TempFolder store;
    Settings settings{store.file("settings.ini")};
    NXWavePlayer engine;
    ROZadEro mixer{std::chrono::milliseconds(300)};
    preferences.Attach(engine, mixer, settings);
    preferences.CreateRecSettingsForm();
    ASSERT_NE(preferences.RecSettingsForm(), nullptr);

    answerNextWindow(false);
    preferences.RecSettingsButtonClick();
    EXPECT_TRUE(busyWhileOpen);
    EXPECT_FALSE(session.Busy().isSet());
    EXPECT_EQ(confirmed, 0);

    // A flag held already (playback holds it) stays held after the window.
    session.Busy().set();
    answerNextWindow(true);
    preferences.RecSettingsButtonClick();
    EXPECT_EQ(confirmed, 1);
    EXPECT_TRUE(session.Busy().isSet());
    session.Busy().clear();

    RecordFormat format{};
    answerNextWindow(false);
    EXPECT_FALSE(preferences.AskRecordingFormat(format));
    answerNextWindow(true);
    EXPECT_TRUE(preferences.AskRecordingFormat(format));
    EXPECT_EQ(format.sampleRate, preferences.RecordingFormat().sampleRate);
    EXPECT_EQ(confirmed, 1) << "a new document's format is not a change of the recording format";
}

// On a machine without sound devices the device lists and the mixer's start both find none:
// each box is shown once however many parts noticed.
TEST_F(PreferencesFixture, EachMissingDeviceIsToldOnce) {
    test::TempFolder store;
    Settings settings{store.file("settings.ini")};
    NXWavePlayer engine;
    ROZadEro mixer{std::chrono::milliseconds(300)};
    preferences.Attach(engine, mixer, settings);
    preferences.CreatePreferencesForm();
    ASSERT_NE(preferences.PreferencesForm(), nullptr);
    preferences.ShowMixerMessages(
        {kNoRecordingDeviceMessage, kNoRecordingDeviceMessage + 1, kNoPlaybackDeviceMessage});
    const auto times = [&](int number) {
        return dialogs.shownTexts().count(QString::fromStdString(FormatMessage(number)));
    };
    EXPECT_EQ(times(kNoRecordingDeviceMessage), 1) << dialogs.shownTexts().join('|').toStdString();
    EXPECT_EQ(times(kNoRecordingDeviceMessage + 1), 1);
    EXPECT_EQ(times(kNoPlaybackDeviceMessage), 1);
    // The window stores its choices as it goes, while the store is still there.
    delete preferences.TakePreferencesForm();
}

}  // namespace
}  // namespace sonthra
