// Work that survives a crash, through the real main window: a copy of the program (the crash
// child) is killed with SIGKILL with an edited document and a recording under way, and the next
// start offers both by name, gives the audio back and leaves nothing of the dead copy in the
// temporary folder. Also: a signal ends a copy that waits in a modal window within a second,
// storing the Preferences values and keeping the unsaved work for the next start.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "app/recovery.h"
#include "app/ui/main_form.h"
#include "app/ui/preferences_controller.h"
#include "app/ui/recovery_controller.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "engine/wav_maker.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "wave/wave_probe.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;
constexpr int kGenerousMs = 20000;
constexpr std::uint32_t kRate = 44100;

std::uint32_t framesOf(const std::string& path) {
    std::uint32_t frames = 0;
    probeWave(path, &frames, nullptr);
    return frames;
}

std::set<std::string> filesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().string());
    return names;
}

class RecoveryWindowTest : public ::testing::Test {
protected:
    RecoveryWindowTest() { fs::create_directory(temp); }

    // Starts the crash child in `mode` and waits for it to be ready.
    bool startChild(QProcess& child, const std::string& mode, const std::string& wav = {}) {
        const QString program = qEnvironmentVariable("RECOVERY_CRASH_CHILD");
        if (program.isEmpty()) return false;
        QStringList args = {QString::fromStdString(settingsFile), QString::fromStdString(temp),
                            QString::fromStdString(mode)};
        if (!wav.empty()) args << QString::fromStdString(wav);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program, args);
        if (!child.waitForStarted(kGenerousMs)) return false;
        return QTest::qWaitFor(
                   [&] {
                       return child.readAllStandardOutput().contains("READY") ||
                              child.state() != QProcess::Running;
                   },
                   kGenerousMs) &&
               child.state() == QProcess::Running;
    }

    void kill9(QProcess& child) {
        child.kill();
        ASSERT_TRUE(child.waitForFinished(kGenerousMs));
    }

    // A new start of the program over the same settings, as main() makes it.
    void restart() {
        form = std::make_unique<TMainForm>(dialogs);
        StartProgram(*form, engine, mixer, settings);
        form->show();
        recovery = new RecoveryController(form->Controllers(), dialogs, RecoveryFolder(settingsFile));
        recovery->Start(&settings);
    }

    std::string makeWav(const std::string& name, std::uint32_t frames) {
        const std::string path = user.file(name);
        test::writeFile(path,
                        test::pcmWave(kRate, 16, 2, test::makeTone(440, kRate, 2, frames, 0.5)));
        return path;
    }

    QStringList messages() const {
        QStringList texts;
        for (const ShownDialog& d : dialogs.shown()) {
            if (d.kind == ShownDialog::Kind::Message) texts << d.text;
        }
        return texts;
    }

    // The files this start's documents own (the peak files beside them included).
    bool ownedNow(const std::string& path) const {
        const std::string name = fs::path(path).filename();
        for (std::size_t i = 0; i < form->Documents().count(); ++i) {
            const AudioDocument* d = form->Documents().at(i);
            for (const std::string& own : {d->workFile, d->undoFile, d->redoFile}) {
                const std::string stem = fs::path(own).stem();
                if (!own.empty() && name.find(stem) != std::string::npos) return true;
            }
        }
        return false;
    }

    test::TempFolder home;
    test::TempFolder user;
    const std::string settingsFile = home.file("settings.reg");
    const std::string temp = home.file("temp");
    Settings settings{settingsFile};
    NXWavePlayer engine;
    ROZadEro mixer{std::chrono::milliseconds(300)};
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
    RecoveryController* recovery = nullptr;
};

TEST_F(RecoveryWindowTest, AKilledCopysEditAndRecordingAreOfferedByNameAndComeBack) {
    const std::string wav = makeWav("tone.wav", 3 * kRate);
    QProcess child;
    ASSERT_TRUE(startChild(child, "record", wav));
    QTest::qWait(5000);
    kill9(child);
    const std::set<std::string> left = filesIn(temp);
    ASSERT_FALSE(left.empty());

    const std::string saved = user.file("saved.wav");
    dialogs.queueAnswer(DialogAnswer::Yes);
    dialogs.queueFile(QString::fromStdString(saved));
    restart();

    ASSERT_EQ(messages().size(), 1) << messages().join("|").toStdString();
    EXPECT_TRUE(messages()[0].contains("\n    tone.wav\n"));
    EXPECT_TRUE(messages()[0].contains("\n    Recording made for tone.wav\n"));
    // The edited file, saved where the user chose: the second deleted, the file itself as it
    // was.
    EXPECT_EQ(framesOf(saved), 2 * kRate);
    EXPECT_EQ(framesOf(wav), 3 * kRate);
    // The recording, open as a new document: at least 4.5 of the 5 seconds.
    const AudioDocument* document = form->CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->state, DocumentState::New);
    EXPECT_GE(framesOf(document->workFile), kRate * 9 / 2);
    EXPECT_GE(document->frames, kRate * 9 / 2);

    // Nothing of the dead copy stays in the temporary folder; what is there is this start's.
    for (const std::string& file : left) EXPECT_FALSE(fs::exists(file)) << file;
    for (const std::string& file : filesIn(temp)) EXPECT_TRUE(ownedNow(file)) << file;
    // And of the records, only this start's.
    EXPECT_EQ(filesIn(RecoveryFolder(settingsFile)).size(), 2u);
}

TEST_F(RecoveryWindowTest, AnEditedFileComesBackModifiedUnderItsNameAndAKilledSavesPartialGoes) {
    const std::string wav = makeWav("song.wav", 2 * kRate);
    QProcess child;
    ASSERT_TRUE(startChild(child, "edit", wav));
    // What a save killed half way leaves beside the file, and a file of another program.
    const std::string partial = user.file(".song.wav.0a1b2c3d4e");
    const std::string foreign = user.file(".song.wav.0a1b2c");
    test::writeFile(partial, "half");
    test::writeFile(foreign, "not ours");
    kill9(child);

    // Cancel first: nothing is lost, and the next start asks again.
    dialogs.queueAnswer(DialogAnswer::Cancel);
    restart();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("\n    song.wav\n"));
    EXPECT_EQ(form->CurrentDocument(), nullptr);
    ASSERT_TRUE(form->close());
    form.reset();
    dialogs.clearShown();

    dialogs.queueAnswer(DialogAnswer::Yes);
    restart();
    ASSERT_EQ(messages().size(), 1);
    const AudioDocument* document = form->CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->fileName, wav);
    EXPECT_EQ(document->state, DocumentState::Modified);
    EXPECT_TRUE(form->windowTitle().contains("song.wav"));
    EXPECT_EQ(framesOf(document->workFile), kRate);
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_TRUE(fs::exists(foreign));

    // Saved under its name, it is the user's file again.
    EXPECT_EQ(form->Files().SaveDocument(0, 1), 0);
    EXPECT_EQ(framesOf(wav), kRate);
}

TEST_F(RecoveryWindowTest, AKilledSavesPartialBesideARecentFileGoesAtTheNextStart) {
    const std::string wav = makeWav("recent.wav", kRate);
    ASSERT_EQ(settings.addRecentFile(wav), 0);
    const std::string partial = user.file(".recent.wav.00c0ffee00");
    const std::string otherTool = user.file(".recent.wav.00c0ff");
    const std::string unrelated = user.file(".other.wav.00c0ffee00");
    const std::string underWay = user.file(".recent.wav.0123456789");
    for (const auto& f : {partial, otherTool, unrelated, underWay}) test::writeFile(f, "x");
    for (const auto& f : {partial, otherTool, unrelated}) {
        fs::last_write_time(f, fs::last_write_time(f) - std::chrono::seconds(30));
    }
    // One written from this start on belongs to a save under way, not to a killed one.
    fs::last_write_time(underWay, fs::last_write_time(underWay) + std::chrono::seconds(30));
    restart();
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_TRUE(fs::exists(otherTool));
    EXPECT_TRUE(fs::exists(unrelated));
    EXPECT_TRUE(fs::exists(underWay));
    EXPECT_TRUE(fs::exists(wav));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(RecoveryWindowTest, ASignalEndsACopyWaitingInAModalWindowWithinASecond) {
    for (const auto& [mode, signal] : {std::pair{"dialog", SIGTERM}, std::pair{"message", SIGINT},
                                       std::pair{"dialog", SIGHUP}}) {
        SCOPED_TRACE(std::string(mode) + " " + std::to_string(signal));
        fs::remove(settingsFile);
        QProcess child;
        ASSERT_TRUE(startChild(child, mode));
        QTest::qWait(300);
        const auto sent = std::chrono::steady_clock::now();
        ::kill(static_cast<pid_t>(child.processId()), signal);
        ASSERT_TRUE(child.waitForFinished(kGenerousMs));
        const auto took = std::chrono::steady_clock::now() - sent;
        EXPECT_LT(took, std::chrono::seconds(1));
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0);
        // The Preferences values are stored (the child started without any).
        Settings after(settingsFile);
        EXPECT_EQ(after.readTempPath().result, 0);
        EXPECT_EQ(after.readTempPath().value, systemTempFolder());
        EXPECT_EQ(after.readAlwaysTestLevels().result, 0);
        EXPECT_EQ(after.readInputDeviceIndex().result, 0);
    }
}

TEST_F(RecoveryWindowTest, ASignalDuringAnEditKeepsTheWorkForTheNextStart) {
    const std::string wav = makeWav("kept.wav", 2 * kRate);
    QProcess child;
    ASSERT_TRUE(startChild(child, "edit", wav));
    child.terminate();
    ASSERT_TRUE(child.waitForFinished(kGenerousMs));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);

    dialogs.queueAnswer(DialogAnswer::Yes);
    restart();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("\n    kept.wav\n"));
    ASSERT_NE(form->CurrentDocument(), nullptr);
    EXPECT_EQ(framesOf(form->CurrentDocument()->workFile), kRate);
}

TEST_F(RecoveryWindowTest, ASignalWhileRecordingIntoTheDocumentEndsAtOnceAndKeepsBoth) {
    const std::string wav = makeWav("insert.wav", 2 * kRate);
    QProcess child;
    ASSERT_TRUE(startChild(child, "record", wav));
    QTest::qWait(1000);
    const auto sent = std::chrono::steady_clock::now();
    child.terminate();
    ASSERT_TRUE(child.waitForFinished(kGenerousMs));
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);

    dialogs.queueAnswer(DialogAnswer::No);
    restart();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("\n    insert.wav\n"));
    EXPECT_TRUE(messages()[0].contains("\n    Recording made for insert.wav\n"));
    // No: all of it goes.
    EXPECT_EQ(form->CurrentDocument(), nullptr);
    for (const std::string& file : filesIn(temp)) EXPECT_TRUE(ownedNow(file)) << file;
    EXPECT_EQ(framesOf(wav), 2 * kRate);
}

TEST_F(RecoveryWindowTest, AHungCopyIsEndedBySignalAndItsWorkStillComesBack) {
    const std::string wav = makeWav("hung.wav", 2 * kRate);
    QProcess child;
    ASSERT_TRUE(startChild(child, "stuck", wav));
    QTest::qWait(200);
    const auto sent = std::chrono::steady_clock::now();
    child.terminate();
    ASSERT_TRUE(child.waitForFinished(kGenerousMs));
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(7));

    dialogs.queueAnswer(DialogAnswer::Yes);
    restart();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("\n    hung.wav\n"));
    ASSERT_NE(form->CurrentDocument(), nullptr);
    EXPECT_EQ(framesOf(form->CurrentDocument()->workFile), kRate);
}

TEST_F(RecoveryWindowTest, TheRecordNeverTouchesATemporaryFolderBeingTypedInThePreferences) {
    restart();
    QString typed;
    QTimer::singleShot(0, [&] {
        auto* preferences = form->Preferences().PreferencesForm();
        preferences->TempPathEdit->setText("/not/yet/a/folder");
        // Several rounds of the record's updates while the box holds a half-typed path.
        QTest::qWait(3 * RecoveryController::kUpdateMs);
        typed = preferences->TempPathEdit->text();
        preferences->reject();
    });
    form->Preferences().FilePreferencesMenuClick();
    EXPECT_EQ(typed, "/not/yet/a/folder");
}

}  // namespace
}  // namespace sonthra
