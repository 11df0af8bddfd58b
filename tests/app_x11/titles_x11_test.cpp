// Window titles and message-box captions as the window manager shows them: exactly the
// product's, with nothing added by the toolkit.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using namespace std::chrono_literals;

QString run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The top-level windows the window manager knows, by id.
QStringList clientWindows() {
    const QString out = run("xprop", {"-root", "_NET_CLIENT_LIST"});
    QStringList ids;
    for (const QString& part : out.section('#', 1).split(',', Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty()) ids << part.trimmed();
    return ids;
}

// The window's title as the desktop shows it (_NET_WM_NAME, else WM_NAME).
QString titleOf(const QString& id) {
    for (const char* property : {"_NET_WM_NAME", "WM_NAME"}) {
        const QString out = run("xprop", {"-id", id, property}).trimmed();
        const int quote = out.indexOf('"');
        if (quote >= 0 && out.endsWith('"')) return out.mid(quote + 1, out.size() - quote - 2);
    }
    return {};
}

bool isDialog(const QString& id) {
    return run("xprop", {"-id", id, "_NET_WM_WINDOW_TYPE"}).contains("DIALOG");
}

// Waits up to ten seconds for a window that satisfies the test; its id, or empty.
QString waitForWindow(const std::function<bool(const QString& id)>& wanted) {
    for (int i = 0; i < 100; ++i) {
        for (const QString& id : clientWindows())
            if (wanted(id)) return id;
        std::this_thread::sleep_for(100ms);
    }
    return {};
}

class ProgramOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        program = qEnvironmentVariable("SONTHRA_PROGRAM");
        ASSERT_FALSE(program.isEmpty());
        ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb") << "needs the x11 test fixture";
        env = QProcessEnvironment::systemEnvironment();
        // The sound server is found through the runtime folder, which the program gets anew.
        const QString server =
            run("pactl", {"info"}).section("Server String: ", 1).section('\n', 0, 0);
        if (!server.isEmpty() && !env.contains("PULSE_SERVER"))
            env.insert("PULSE_SERVER", server.startsWith('/') ? "unix:" + server : server);
        env.insert("XDG_RUNTIME_DIR", home.path());
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.remove("SONTHRA_DIALOG_LOG");
        wav = home.path() + "/x.wav";
        ASSERT_EQ(QProcess::execute("sox", {"-q", "-n", "-r", "8000", "-c", "1", "-b", "16", wav,
                                            "synth", "1", "sine", "440"}),
                  0);
    }
    void TearDown() override {
        if (sonthra.state() != QProcess::NotRunning) {
            sonthra.terminate();
            if (!sonthra.waitForFinished(10000)) sonthra.kill();
            sonthra.waitForFinished();
        }
    }
    void start(const QStringList& args) {
        sonthra.setProcessEnvironment(env);
        sonthra.start(program, args);
        ASSERT_TRUE(sonthra.waitForStarted(5000));
    }

    QTemporaryDir home;
    QString program, wav;
    QProcessEnvironment env;
    QProcess sonthra;
};

TEST_F(ProgramOnX11, TheMainWindowsTitleIsExactlyTheProducts) {
    // Questions at start-up (none are expected) are answered by the script, not shown.
    env.insert("SONTHRA_DIALOG_LOG", home.path() + "/dialogs.log");
    start({wav});
    const QString id = waitForWindow([](const QString& w) { return !isDialog(w); });
    ASSERT_FALSE(id.isEmpty());
    // The title names the file once it has opened.
    const QString named =
        waitForWindow([](const QString& w) { return titleOf(w).startsWith("Sonthra:"); });
    EXPECT_EQ(titleOf(named.isEmpty() ? id : named), "Sonthra: x.wav");
}

TEST_F(ProgramOnX11, AMessageBoxCaptionIsExactlyTheProducts) {
    // A file that is not there: the program says so in a box of its own.
    start({home.path() + "/missing.wav"});
    const QString box = waitForWindow([](const QString& w) { return isDialog(w); });
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(titleOf(box), "Sonthra");
    QProcess::execute("xdotool", {"key", "--window", box, "Return"});
}

}  // namespace
