// The real program ended by a signal while a message box of its own is open: the start-up
// notice of a vanished temporary folder, and the offer of work a killed copy left. Each of
// SIGTERM, SIGINT and SIGHUP ends it within a second with the Preferences values stored, and an
// offer left unanswered is made again at the next start.
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>

#include "app/recovery.h"
#include "app/ui/recovery_controller.h"
#include "engine/wav_maker.h"
#include "settings/settings.h"
#include "settings_ui/private_config_home.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;
constexpr int kGenerousMs = 20000;
// Long enough for the program to be waiting in its message box.
constexpr int kSettleMs = 2500;

QString env(const char* name) {
    return qEnvironmentVariable(name);
}

// Starts the real program on its own settings, with its real message boxes.
bool startProgram(QProcess& program, const fs::path& runtime) {
    if (env("SONTHRA_PROGRAM").isEmpty()) return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("SONTHRA_DIALOG_LOG");
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.string()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(env("SONTHRA_PROGRAM"), {});
    return program.waitForStarted(kGenerousMs);
}

// Sends the signal and returns how long the program took to end.
std::chrono::milliseconds endBy(QProcess& program, int signal) {
    const auto sent = std::chrono::steady_clock::now();
    ::kill(static_cast<pid_t>(program.processId()), signal);
    program.waitForFinished(kGenerousMs);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 sent);
}

TEST(RealProgramSignals, EachSignalEndsItInsideAStartUpMessageBoxAndThePreferencesAreStored) {
    if (env("SONTHRA_PROGRAM").isEmpty()) GTEST_SKIP() << "SONTHRA_PROGRAM not set";
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        testing::PrivateConfigHome home;
        const fs::path gone = home.path() / "gone";
        ASSERT_EQ(Settings(home.settingsFile()).writeTempPath(gone.string() + "/"), 0);
        QProcess program;
        ASSERT_TRUE(startProgram(program, home.path()));
        QTest::qWait(kSettleMs);
        ASSERT_EQ(program.state(), QProcess::Running);
        EXPECT_LT(endBy(program, signal).count(), 1000);
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        Settings after(home.settingsFile());
        EXPECT_EQ(after.readTempPath().value, systemTempFolder());
        EXPECT_EQ(after.readAlwaysTestLevels().result, 0);
        EXPECT_EQ(after.readInputDeviceIndex().result, 0);
        EXPECT_EQ(after.readOutputDeviceIndex().result, 0);
    }
}

TEST(RealProgramSignals, AnOfferLeftOpenByASignalIsMadeAgain) {
    const QString child = env("RECOVERY_CRASH_CHILD");
    if (env("SONTHRA_PROGRAM").isEmpty() || child.isEmpty()) GTEST_SKIP() << "programs not set";
    testing::PrivateConfigHome home;
    test::TempFolder user;
    const std::string wav = user.file("left.wav");
    test::writeFile(wav, test::pcmWave(44100, 16, 1, test::makeTone(440, 44100, 1, 88200, 0.5)));
    const fs::path temp = home.path() / "temp";
    fs::create_directories(temp);
    fs::create_directories(home.settingsFile().parent_path());

    QProcess crashed;
    crashed.start(child,
                  {QString::fromStdString(home.settingsFile().string()),
                   QString::fromStdString(temp.string()), "edit", QString::fromStdString(wav)});
    ASSERT_TRUE(crashed.waitForStarted(kGenerousMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return crashed.readAllStandardOutput().contains("READY"); },
                                kGenerousMs));
    crashed.kill();
    ASSERT_TRUE(crashed.waitForFinished(kGenerousMs));

    QProcess program;
    ASSERT_TRUE(startProgram(program, home.path()));
    QTest::qWait(kSettleMs);
    ASSERT_EQ(program.state(), QProcess::Running);
    EXPECT_LT(endBy(program, SIGTERM).count(), 1000);
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);

    // The edited document is still there to be offered, under its name.
    bool othersAlive = true;
    std::vector<AbandonedRun> runs =
        ClaimAbandonedRuns(RecoveryFolder(home.settingsFile().string()), "", &othersAlive);
    EXPECT_FALSE(othersAlive);
    std::vector<std::string> names;
    for (const AbandonedRun& run : runs) {
        for (const RecoveryEntry& entry : run.Recoverable()) names.push_back(entry.name);
    }
    EXPECT_EQ(names, std::vector<std::string>{wav});
}

}  // namespace
}  // namespace sonthra
