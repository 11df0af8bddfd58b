// The program's start-up and shutdown around the real engine, mixer and settings store on the
// test sound server, each test with a private settings folder: what is shown at start, what the
// mixer and the sliders do, the Preferences and Rec Settings commands, and what is stored at
// exit, also by the real program ended by a signal.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "app/argument_block.h"
#include "app/ui/main_form.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/window_texts.h"
#include "app_startup/server_state.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/audio_io.h"
#include "engine/mixer.h"
#include "engine/mixer_start.h"
#include "engine/nx_wave_player.h"
#include "messages/message_table.h"
#include "settings/registry_store.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "settings/ui/rec_settings_form.h"
#include "settings_ui/private_config_home.h"
#include "view/ui/color_form.h"
#include "view/ui/led_widget.h"
#include "wave/wave_layout.h"
#include "wave/wave_writer.h"

using namespace sonthra;
using sonthra::testing::pactlVolumes;
using sonthra::testing::sh;

namespace {

constexpr int kGenerousMs = 10000;

QString message(int number, const std::vector<std::string>& args = {}) {
    return QString::fromStdString(FormatMessage(number, args));
}

class StartupTest : public ::testing::Test {
protected:
    void start() {
        form = std::make_unique<TMainForm>(dialogs);
        StartProgram(*form, engine, mixer, settings);
        form->show();
    }

    // File, Exit, then the window goes away as at the end of main().
    void exitProgram() {
        ASSERT_TRUE(form->close());
        form.reset();
    }

    QAbstractSlider* slider(const char* name) { return form->findChild<QAbstractSlider*>(name); }
    QString sourceLabel() { return form->findChild<QLabel*>("RecordingSourceLabel")->text(); }

    // Runs `act` on the modal window that `open` shows, once it is up.
    void onModal(const std::function<void()>& open, const std::function<void(QWidget*)>& act) {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            EXPECT_NE(modal, nullptr);
            if (modal != nullptr) act(modal);
            acted = true;
        });
        open();
        EXPECT_TRUE(acted);
    }

    std::uint32_t outputBound() {
        std::uint32_t upper = 0;
        return mixer.GetOutputVolumeBounds(nullptr, &upper) == 0 && upper != 0 ? upper : 65535;
    }
    std::uint32_t inputBound() {
        std::uint32_t upper = 0;
        return mixer.GetInputVolumeBounds(nullptr, &upper) == 0 && upper != 0 ? upper : 65535;
    }

    sonthra::testing::PrivateConfigHome home;
    sonthra::testing::ServerSnapshot server;
    Settings settings{userSettingsFile()};
    NXWavePlayer engine;
    ROZadEro mixer;
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
};

TEST_F(StartupTest, FirstRunStartsQuietlyAndStoresTheStartValuesAtExit) {
    start();
    EXPECT_TRUE(dialogs.shownTexts().isEmpty()) << dialogs.shownTexts().join("\n").toStdString();
    ASSERT_NE(form->Preferences().PreferencesForm(), nullptr);
    ASSERT_NE(form->Preferences().RecSettingsForm(), nullptr);
    EXPECT_FALSE(form->Preferences().PreferencesForm()->isVisible());
    EXPECT_FALSE(form->Preferences().RecSettingsForm()->isVisible());
    EXPECT_EQ(engine.AudioIO::tempPath(), systemTempFolder());
    const RecordFormat format = form->Preferences().RecordingFormat();
    EXPECT_EQ(format.sampleRate, 44100u);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.channels, 2);

    // The mixer started: its sources are listed and the current one is named.
    const MixerSources& sources = form->InputSources();
    ASSERT_FALSE(sources.names.empty());
    ASSERT_GE(sources.current, 0);
    ASSERT_LT(sources.current, static_cast<int>(sources.names.size()));
    EXPECT_EQ(sourceLabel().toStdString(), sources.names[sources.current]);
    const int current = sources.current;

    exitProgram();
    Settings after(home.settingsFile());
    EXPECT_EQ(after.readTempPath().result, 0);
    EXPECT_EQ(after.readTempPath().value, systemTempFolder());
    EXPECT_EQ(after.readAlwaysTestLevels().result, 0);
    EXPECT_TRUE(after.readAlwaysTestLevels().value);
    EXPECT_EQ(after.readInputDeviceIndex().result, 0);
    EXPECT_EQ(after.readInputDeviceIndex().value, -1);
    EXPECT_EQ(after.readOutputDeviceIndex().result, 0);
    EXPECT_EQ(after.readOutputDeviceIndex().value, -1);
    EXPECT_EQ(after.readLastRecordSource(99).result, 0);
    EXPECT_EQ(after.readLastRecordSource(99).value, current);
}

TEST_F(StartupTest, VanishedTemporaryFolderGives441AndTheSystemFolderIsUsedAndStored) {
    const auto gone = home.path() / "work";
    std::filesystem::create_directories(gone);
    ASSERT_EQ(Settings(home.settingsFile()).writeTempPath(gone.string() + "/"), 0);
    std::filesystem::remove(gone);
    start();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].caption, "Sonthra");
    EXPECT_EQ(dialogs.shown()[0].text, message(441, {"Sonthra", systemTempFolder()}));
    EXPECT_EQ(engine.AudioIO::tempPath(), systemTempFolder());
    EXPECT_EQ(form->Preferences().PreferencesForm()->GetTempFolder().toStdString(),
              systemTempFolder());
    exitProgram();
    EXPECT_EQ(Settings(home.settingsFile()).readTempPath().value, systemTempFolder());
}

TEST_F(StartupTest, CorruptSettingsAreReportedOnceAndTheProgramStillStarts) {
    sonthra::testing::writeWhole(home.settingsFile(), "Sonthra settings 1\n[\\Software\n\"Temp");
    start();
    EXPECT_EQ(dialogs.shownTexts(), QStringList({message(186)}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->InputSources().names.empty());
    exitProgram();
    EXPECT_EQ(dialogs.shown().size(), 1u);
    Settings after(home.settingsFile());
    EXPECT_EQ(after.readTempPath().result, 0);
    EXPECT_EQ(after.readAlwaysTestLevels().result, 0);
    EXPECT_EQ(after.takeStoreNotice(), 0) << "the file written at exit is whole";
    EXPECT_TRUE(std::filesystem::exists(home.settingsFile().string() + ".corrupt"));
}

TEST_F(StartupTest, WriteInterruptedByACrashLosesNothingOfTheSettingsBefore) {
    const auto work = home.path() / "work";
    std::filesystem::create_directories(work);
    ASSERT_EQ(Settings(home.settingsFile()).savePreferences({work.string() + "/", false, -1, -1}),
              0);
    // A writer that died half-way left its temporary file beside the store.
    const auto stale = home.settingsFile().parent_path() / ".settings.reg.tmp-Q1w2E3";
    sonthra::testing::writeWhole(stale, "Sonthra settings 1\n[\\Software\\Corvanta\\Son");
    start();
    EXPECT_TRUE(dialogs.shownTexts().isEmpty()) << dialogs.shownTexts().join("\n").toStdString();
    EXPECT_EQ(engine.AudioIO::tempPath(), work.string() + "/");
    EXPECT_FALSE(form->Preferences().PreferencesForm()->GetAlwaysTestLevels());
    exitProgram();
    const PreferenceValues after = Settings(home.settingsFile()).loadPreferences().value;
    EXPECT_EQ(after.tempPath, work.string() + "/");
    EXPECT_FALSE(after.alwaysTestLevels);
    EXPECT_FALSE(std::filesystem::exists(stale));
}

TEST_F(StartupTest, StoredSourceIsSelectedAndTheSourceButtonStepsAndIsKeptAtExit) {
    start();
    const std::vector<std::string> names = form->InputSources().names;
    exitProgram();
    if (names.size() < 2) GTEST_SKIP() << "the server offers a single input source";

    const int stored = (Settings(home.settingsFile()).readLastRecordSource(0).value + 1) %
                       static_cast<int>(names.size());
    ASSERT_EQ(Settings(home.settingsFile()).writeLastRecordSource(stored), 0);
    start();
    EXPECT_EQ(form->InputSources().current, stored);
    EXPECT_EQ(sourceLabel().toStdString(), names[stored]);
    EXPECT_TRUE(mixer.IsCurrentInputSourceSelected(stored));

    const std::string before = sh("pactl get-default-source");
    // The button offers the sources as a list; the next one is chosen from it.
    QTest::mouseClick(form->findChild<QAbstractButton*>("RecSourceButton"), Qt::LeftButton);
    auto* list = form->findChild<QMenu*>("RecordSourceMenu");
    ASSERT_NE(list, nullptr);
    const int next = (stored + 1) % static_cast<int>(names.size());
    list->actions().at(next)->trigger();
    list->hide();
    EXPECT_EQ(form->InputSources().current, next);
    EXPECT_EQ(sourceLabel().toStdString(), names[next]);
    EXPECT_TRUE(mixer.IsCurrentInputSourceSelected(next));
    EXPECT_NE(sh("pactl get-default-source"), before) << "the server records from the new source";
    EXPECT_TRUE(dialogs.shown().empty());
    exitProgram();
    EXPECT_EQ(Settings(home.settingsFile()).readLastRecordSource(0).value, next);
}

TEST_F(StartupTest, SlidersShowTheMixerAtStartAndFollowItsChanges) {
    const std::string sink = server.defaultSink();
    ASSERT_FALSE(sink.empty());
    start();
    const std::uint32_t bound = outputBound();
    // Louder left: the volume shows the left channel and the balance leans left by the
    // difference in percent of half its range.
    sonthra::testing::setVolumes("sink", sink, {bound / 2, bound / 4});
    exitProgram();
    start();
    EXPECT_EQ(slider("PlaybackVolumeTrackBar")->value(), 50);
    EXPECT_EQ(slider("PlaybackBalanceTrackBar")->value(), 25);

    // A change made elsewhere arrives as the mixer's notice and is read back.
    sonthra::testing::setVolumes("sink", sink, {bound / 4, bound});
    EXPECT_TRUE(QTest::qWaitFor([&] { return slider("PlaybackVolumeTrackBar")->value() == 0; },
                                kGenerousMs));
    EXPECT_EQ(slider("PlaybackBalanceTrackBar")->value(), 88);  // 75 % quieter on the left

    // The input side, on the source being recorded.
    const std::string source = sh("pactl get-default-source");
    const std::uint32_t inputUpper = inputBound();
    const std::size_t channels = pactlVolumes("source", source).size();
    sonthra::testing::setVolumes("source", source,
                                 sonthra::testing::Volumes(channels, inputUpper / 5));
    EXPECT_TRUE(QTest::qWaitFor([&] { return slider("RecordVolumeTrackBar")->value() == 80; },
                                kGenerousMs));
    EXPECT_EQ(slider("RecordBalanceTrackBar")->value(), 50);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(StartupTest, MovingTheSlidersSetsTheMixer) {
    const std::string sink = server.defaultSink();
    start();
    const std::uint32_t bound = outputBound();
    // The user drags the playback volume to 20: 80 % on both channels at the centre balance.
    slider("PlaybackVolumeTrackBar")->setSliderPosition(20);
    const std::uint32_t level = 80 * static_cast<std::uint64_t>(bound) / 100;
    std::uint32_t values[2] = {0, 0};
    ASSERT_EQ(mixer.GetCurrentOutputVolSetting(2, values), 0);
    EXPECT_EQ(values[0], level);
    EXPECT_EQ(values[1], level);
    const auto judged = pactlVolumes("sink", sink);
    ASSERT_EQ(judged.size(), 2u);
    EXPECT_NEAR(judged[0], level * 65536.0 / bound, 2.0);

    // Balance to three quarters right: the left channel drops by half.
    slider("PlaybackBalanceTrackBar")->setSliderPosition(75);
    ASSERT_EQ(mixer.GetCurrentOutputVolSetting(2, values), 0);
    EXPECT_EQ(values[0], level - level * 50 / 100);
    EXPECT_EQ(values[1], level);
    // A volume change keeps that balance.
    slider("PlaybackVolumeTrackBar")->setSliderPosition(0);
    ASSERT_EQ(mixer.GetCurrentOutputVolSetting(2, values), 0);
    // The server may round a full-scale pair by one step on its way back.
    EXPECT_NEAR(values[1], bound, 1.0);
    EXPECT_NEAR(values[0], bound - (bound + 1) / 2, 1.0) << "c - round(c x 0.5)";

    // The record volume sets the source being recorded.
    const std::uint32_t inputUpper = inputBound();
    slider("RecordVolumeTrackBar")->setSliderPosition(60);
    std::uint32_t input[2] = {0, 0};
    const unsigned inputChannels = mixer.GetCurrentInputVolSetting(2, input) == 0 ? 2 : 1;
    ASSERT_EQ(mixer.GetCurrentInputVolSetting(inputChannels, input), 0);
    EXPECT_EQ(input[0], 40 * static_cast<std::uint64_t>(inputUpper) / 100);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(StartupTest, PreferencesCommandSelectsTheNewDevicesAndAsksTheRecordingDeviceAgain) {
    start();
    TRecSettingsForm* rec = form->Preferences().RecSettingsForm();
    QComboBox* rate = rec->RecordingSamplingRateComboBox;
    rate->setCurrentIndex(0);  // chosen in the lists but never confirmed
    ASSERT_NE(rate->currentText(), "44100 Hz");

    // Cancel changes nothing.
    onModal([&] { form->Action("FilePreferencesMenu")->trigger(); },
            [&](QWidget* modal) {
                EXPECT_EQ(modal, form->Preferences().PreferencesForm());
                EXPECT_TRUE(form->Busy().isSet());
                auto* prefs = static_cast<TPreferencesForm*>(modal);
                prefs->RecordingDeviceComboBox->setCurrentIndex(0);
                QTest::mouseClick(prefs->CancelButton, Qt::LeftButton);
            });
    EXPECT_FALSE(form->Busy().isSet());
    EXPECT_EQ(engine.selectedInputDevice(), -1);
    EXPECT_NE(rate->currentText(), "44100 Hz");

    // OK with the engine's device 0 on both sides, which is not the preferred one.
    int preferred = -1;
    ASSERT_EQ(engine.GetPreferredInputDeviceIndex(&preferred), 0);
    ASSERT_NE(preferred, 0) << "the test needs a device besides the preferred one";
    onModal([&] { form->Action("FilePreferencesMenu")->trigger(); },
            [&](QWidget* modal) {
                auto* prefs = static_cast<TPreferencesForm*>(modal);
                prefs->RecordingDeviceComboBox->setCurrentIndex(0);
                prefs->PlaybackDeviceComboBox->setCurrentIndex(0);
                QTest::mouseClick(prefs->OkButton, Qt::LeftButton);
            });
    EXPECT_FALSE(form->Busy().isSet());
    EXPECT_EQ(engine.selectedInputDevice(), 0);
    EXPECT_EQ(engine.selectedOutputDevice(), 0);
    EXPECT_EQ(rate->currentText(), "44100 Hz") << "the format lists were built again";
    EXPECT_FALSE(form->InputSources().names.empty()) << "the mixer listed the sources again";
    EXPECT_EQ(sourceLabel().toStdString(),
              form->InputSources().names[form->InputSources().current]);
    EXPECT_TRUE(dialogs.shown().empty()) << dialogs.shownTexts().join("\n").toStdString();
    EXPECT_TRUE(form->Transport().IsLevelTesting())
        << "the level test runs again, on the new device";

    // Turning the level test off stops it at once.
    onModal([&] { form->Action("FilePreferencesMenu")->trigger(); },
            [&](QWidget* modal) {
                auto* prefs = static_cast<TPreferencesForm*>(modal);
                prefs->AlwaysTestLevelsCheckBox->setChecked(false);
                QTest::mouseClick(prefs->OkButton, Qt::LeftButton);
            });
    EXPECT_FALSE(form->Transport().IsLevelTesting());
    EXPECT_FALSE(engine.isLevelTesting());
    exitProgram();
    EXPECT_EQ(Settings(home.settingsFile()).readInputDeviceIndex().value, 0);
    EXPECT_EQ(Settings(home.settingsFile()).readOutputDeviceIndex().value, 0);
}

TEST_F(StartupTest, RecSettingsButtonKeepsTheConfirmedFormatForTheNextRecording) {
    start();
    auto* button = form->findChild<QAbstractButton*>("RecSettingsButton");
    button->setEnabled(true);
    onModal([&] { QTest::mouseClick(button, Qt::LeftButton); },
            [&](QWidget* modal) {
                EXPECT_TRUE(form->Busy().isSet());
                auto* rec = static_cast<TRecSettingsForm*>(modal);
                rec->RecordingSamplingRateComboBox->setCurrentIndex(
                    rec->RecordingSamplingRateComboBox->findText("22050 Hz"));
                rec->RecordingChannelComboBox->setCurrentIndex(
                    rec->RecordingChannelComboBox->findText("Mono"));
                QTest::mouseClick(rec->OkButton, Qt::LeftButton);
            });
    EXPECT_FALSE(form->Busy().isSet());
    const RecordFormat format = form->Preferences().RecordingFormat();
    EXPECT_EQ(format.sampleRate, 22050u);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.channels, 1);
}

TEST_F(StartupTest, TheTemporaryFolderChosenInThePreferencesAppliesAtOnce) {
    start();
    const auto chosen = home.path() / "scratch";
    std::filesystem::create_directories(chosen);
    ASSERT_EQ(form->Session().TempFolder().find(chosen.string()), std::string::npos);
    onModal([&] { form->Action("FilePreferencesMenu")->trigger(); },
            [&](QWidget* modal) {
                auto* prefs = static_cast<TPreferencesForm*>(modal);
                prefs->TempPathEdit->setText(QString::fromStdString(chosen.string()));
                QTest::mouseClick(prefs->OkButton, Qt::LeftButton);
            });
    // No restart: the next working copy goes there.
    EXPECT_EQ(form->Session().TempFolder().rfind(chosen.string(), 0), 0u)
        << form->Session().TempFolder();
}

TEST_F(StartupTest, RecSettingsOnAnEmptyNewDocumentGivesItTheConfirmedFormat) {
    start();
    // File New asks the format first: the default is taken.
    onModal([&] { form->Action("FileNewMenu")->trigger(); },
            [&](QWidget* modal) {
                QTest::mouseClick(static_cast<TRecSettingsForm*>(modal)->OkButton, Qt::LeftButton);
            });
    const AudioDocument* document = form->CurrentDocument();
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->state, DocumentState::New);
    auto* button = form->findChild<QAbstractButton*>("RecSettingsButton");
    ASSERT_TRUE(button->isEnabled());
    onModal([&] { QTest::mouseClick(button, Qt::LeftButton); },
            [&](QWidget* modal) {
                auto* rec = static_cast<TRecSettingsForm*>(modal);
                rec->RecordingSamplingRateComboBox->setCurrentIndex(
                    rec->RecordingSamplingRateComboBox->findText("22050 Hz"));
                rec->RecordingChannelComboBox->setCurrentIndex(
                    rec->RecordingChannelComboBox->findText("Mono"));
                QTest::mouseClick(rec->OkButton, Qt::LeftButton);
            });
    EXPECT_EQ(document->sampleRate, 22050u);
    EXPECT_EQ(document->channels, 1);
    WaveFileLayout layout;
    ASSERT_EQ(inspectWave(document->workFile, layout), WaveInspect::Ok);
    EXPECT_EQ(layout.format.sampleRate, 22050u) << "what is recorded next is judged against it";
    EXPECT_EQ(layout.format.channels, 1);
    EXPECT_EQ(layout.frames(), 0u);
    exitProgram();  // the empty new document goes with its files
}

TEST_F(StartupTest, EngineNoticeArrivesOnTheGuiThreadAndNotAfterTheWindowIsGone) {
    start();
    const auto file = home.path() / "beep.wav";
    {
        auto writer = WaveWriter::create(file.string(), 44100, 16, 1);
        ASSERT_NE(writer, nullptr);
        const std::vector<std::int16_t> samples(4410, 1000);
        ASSERT_TRUE(writer->write(samples.data(), samples.size() * 2));
        ASSERT_TRUE(writer->finish());
    }
    QThread* seenOn = nullptr;
    unsigned seen = 0;
    QObject::connect(
        form.get(), &TMainForm::EngineNotification, form.get(),
        [&](unsigned message, qintptr, qintptr) {
            seen = message;
            seenOn = QThread::currentThread();
        },
        Qt::DirectConnection);
    ASSERT_EQ(engine.AudioPlayWave(file.string(), 0, 1, 0, 0, 0), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen != 0; }, kGenerousMs));
    EXPECT_EQ(seen, kEndOfPlaybackMessage);
    EXPECT_EQ(seenOn, QApplication::instance()->thread());

    // After the window has gone, playback ending by itself and a volume change made elsewhere
    // must reach nobody: a notice delivered to the destroyed window would bring this test
    // program down.
    exitProgram();
    ASSERT_EQ(engine.AudioPlayWave(file.string(), 0, 1, 0, 0, 0), 0);
    sonthra::testing::setVolumes("sink", server.defaultSink(), {30000, 30000});
    QTest::qWait(1000);  // ten times the file's length
}

TEST_F(StartupTest, ShutdownDeselectsTheMixerDevices) {
    start();
    ASSERT_FALSE(form->InputSources().names.empty());
    form->close();
    EXPECT_TRUE(form->InputSources().names.empty());
    std::uint32_t values[2] = {0, 0};
    EXPECT_NE(mixer.GetCurrentOutputVolSetting(2, values), 0) << "no output device is selected";
    form.reset();
}

// The real program, started with a private settings folder and ended by the system's request.
TEST_F(StartupTest, RealProgramReportsAtStartAndStoresAtItsEnd) {
    const QString program = qEnvironmentVariable("SONTHRA_PROGRAM");
    if (program.isEmpty()) GTEST_SKIP() << "SONTHRA_PROGRAM not set";
    const auto gone = home.path() / "gone";
    ASSERT_EQ(Settings(home.settingsFile()).writeTempPath(gone.string() + "/"), 0);
    ASSERT_EQ(Settings(home.settingsFile()).writeLastRecordSource(0), 0);

    QProcess sonthra;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString log = QString::fromStdString((home.path() / "dialogs.log").string());
    env.insert("SONTHRA_DIALOG_LOG", log);
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(home.path().string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    sonthra.setProcessEnvironment(env);
    sonthra.start(program, {});
    ASSERT_TRUE(sonthra.waitForStarted(kGenerousMs));
    const QString expected = message(441, {"Sonthra", systemTempFolder()});
    auto logText = [&] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return logText().contains(expected); }, kGenerousMs))
        << logText().toStdString();
    // Give the program its message loop before asking it to end.
    QTest::qWait(300);
    sonthra.terminate();
    ASSERT_TRUE(sonthra.waitForFinished(kGenerousMs));
    EXPECT_EQ(sonthra.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(logText().count('\n'), 1) << logText().toStdString();

    Settings after(home.settingsFile());
    EXPECT_EQ(after.readTempPath().value, systemTempFolder());
    EXPECT_EQ(after.readAlwaysTestLevels().result, 0);
    EXPECT_EQ(after.readInputDeviceIndex().result, 0);
    EXPECT_EQ(after.readLastRecordSource(99).result, 0);
}

}  // namespace

// The stored colours apply from the first show; Set Colors changes, applies and stores them.
TEST_F(StartupTest, StoredColoursApplyAtFirstShowAndSetColorsStoresTheChoice) {
    constexpr std::uint32_t kRed = 0x0000FF;  // red in the low byte
    constexpr std::uint32_t kGreen = 0x00FF00;
    ColorScheme stored;
    for (int i = 0; i < kColorSchemeSize; ++i) stored[i] = kColorSchemeElements[i].defaultColor;
    stored[kSchemeWaveform] = kRed;
    stored[kSchemeLedOn] = kGreen;
    ASSERT_EQ(settings.writeColorScheme(stored), 0);

    start();
    EXPECT_EQ(form->Colors().Scheme().GetSchemeColor(kSchemeWaveform), kRed);
    const auto meters = form->findChildren<TLUM32VerticalLEDs*>();
    ASSERT_EQ(meters.size(), 2);
    for (const TLUM32VerticalLEDs* meter : meters) EXPECT_EQ(meter->LEDOnColor(), kGreen);

    // Set Colors: the waveform back to its default, then Ok.
    onModal([&] { form->Action("ViewSetColorsMenu")->trigger(); },
            [&](QWidget* modal) {
                auto* colors = qobject_cast<TColorForm*>(modal);
                ASSERT_NE(colors, nullptr);
                colors->DisplayElementsListBox->setCurrentRow(kSchemeWaveform);
                colors->DisplayElementsListBoxClick();
                colors->DefaultRadio->click();
                colors->OkButton->click();
            });
    const std::uint32_t waveDefault = kColorSchemeElements[kSchemeWaveform].defaultColor;
    EXPECT_EQ(form->Colors().Scheme().GetSchemeColor(kSchemeWaveform), waveDefault);
    EXPECT_EQ(Settings(home.settingsFile()).readColorScheme().value[kSchemeWaveform], waveDefault);
    exitProgram();
    // Stored again at exit, with the other choice kept.
    EXPECT_EQ(Settings(home.settingsFile()).readColorScheme().value[kSchemeLedOn], kGreen);
}
