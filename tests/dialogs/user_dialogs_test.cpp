// The helpers every window uses to show numbered messages, notices and help, and a long
// operation run under the real progress dialog.
#include "dialogs/ui/user_dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "dialogs/ui/help.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "dialogs/ui/wave_messages.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

constexpr int kNoMemory = 104;

QString text(int number) {
    return QString::fromStdString(FormatMessage(number, {}));
}

TEST(UserDialogs, NumbersWithoutTextShowNothingAndOthersShowOnceWithTheirIcon) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(ShowMessage(dialogs, nullptr, 0), 0);
    ShowInformation(dialogs, nullptr, 0);
    EXPECT_EQ(ShowEngineError(dialogs, nullptr, 0), 0);
    EXPECT_TRUE(dialogs.shown().empty());

    EXPECT_EQ(ShowMessage(dialogs, nullptr, kNoMemory), kNoMemory);
    ShowInformation(dialogs, nullptr, kNoMemory);
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].icon, DialogIcon::Error);
    EXPECT_EQ(dialogs.shown()[1].icon, DialogIcon::Information);
    EXPECT_EQ(dialogs.shown()[1].buttons, DialogButtons::Ok);
    for (const ShownDialog& shown : dialogs.shown()) {
        EXPECT_EQ(shown.caption, QString::fromUtf8(kProductCaption));
        EXPECT_EQ(shown.text, text(kNoMemory));
    }
}

// An operation whose worker thread fills a process record until asked to stop.
struct Worker {
    ProcessRecord record{ProcessKind::FileCopy};
    std::thread thread;
    explicit Worker(bool endsByItself) {
        thread = std::thread([this, endsByItself] {
            for (int i = 0; i <= 100 && record.running(); ++i) {
                record.progress = i;
                std::this_thread::sleep_for(std::chrono::milliseconds(endsByItself ? 2 : 20));
            }
            RunState expected = RunState::Running;
            if (!record.runState.compare_exchange_strong(expected, RunState::Finished)) {
                record.programError = kCancelled;
                record.runState = RunState::Cancelled;
            }
        });
    }
    ~Worker() { thread.join(); }
};

TEST(UserDialogs, RunOperationShowsTheProgressDialogUntilTheWorkerEnds) {
    ScriptedDialogs dialogs;
    Worker worker(true);
    RecordOperation operation(worker.record, {});
    EXPECT_EQ(dialogs.runOperation(nullptr, "Copying", false, operation), 0);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::Progress);
    EXPECT_FALSE(dialogs.shown()[0].cancelOffered);
    EXPECT_EQ(worker.record.progress.load(), 100);
}

TEST(UserDialogs, CancelledOperationReadsAsCancelledOnceTheWorkerStopped) {
    ScriptedDialogs dialogs;
    Worker worker(false);
    RecordOperation operation(worker.record, {});
    dialogs.cancelNextProgressAfter(2);
    dialogs.runOperation(nullptr, "Copying", true, operation);
    ASSERT_TRUE(WaitForWork([&] { return !operation.active(); }));
    EXPECT_EQ(operation.runState(), RunState::Cancelled);
    EXPECT_EQ(operation.result(), kCancelled);
    EXPECT_LT(worker.record.progress.load(), 100);
}

TEST(UserDialogs, SaveDialogReportsTheChosenFilter) {
    const QString filter = "Wave Files (*.wav);;MP3 Files (*.mp3);;Both (*.mp3;*.wav)";
    EXPECT_EQ(FilterMatching(filter, "/a/b.wav"), 1);
    EXPECT_EQ(FilterMatching(filter, "song.MP3"), 2);
    EXPECT_EQ(FilterMatching(filter, "song.mp3x"), 0);
    EXPECT_EQ(FilterMatching(filter, "bare"), 0);
    // Scripted answers: an explicit filter wins, else the name's, else the first.
    ScriptedDialogs dialogs;
    dialogs.queueFile("bare", 2);
    dialogs.queueFile("x.mp3");
    dialogs.queueFile("bare");
    FileDialogRequest request;
    request.filter = filter;
    int chosen = -1;
    request.chosenFilter = &chosen;
    EXPECT_EQ(dialogs.saveFileName(nullptr, request), "bare");
    EXPECT_EQ(chosen, 2);
    dialogs.saveFileName(nullptr, request);
    EXPECT_EQ(chosen, 2);
    dialogs.saveFileName(nullptr, request);
    EXPECT_EQ(chosen, 1);
}

TEST(HelpPages, EveryTopicHasItsPage) {
    const QString folder = qEnvironmentVariable("SONTHRA_SOURCE_DIR") + "/resources/help";
    ASSERT_TRUE(QFileInfo(folder + "/index.html").isFile());
    QFile index(folder + "/index.html");
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    const QString contents = QString::fromUtf8(index.readAll());
    for (int topic : HelpTopics()) {
        SCOPED_TRACE(topic);
        const QString page = QString("topic-%1.html").arg(topic);
        EXPECT_EQ(HelpTopicUrl(folder, topic), QUrl::fromLocalFile(folder + "/" + page).toString());
        EXPECT_TRUE(contents.contains("href=\"" + page + "\""));
        QFile file(folder + "/" + page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().contains("<title>"));
    }
    // A topic without a page of its own falls back to the contents.
    EXPECT_TRUE(HelpTopicUrl(folder, 4711).endsWith("/index.html"));
    EXPECT_TRUE(HelpTopicUrl({}, 16).isEmpty());
}

TEST(HelpPages, FolderIsFoundBesideAnInstalledProgram) {
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir(prefix.path()).mkpath("bin"));
    ASSERT_TRUE(QDir(prefix.path()).mkpath("share/sonthra/help"));
    const QString bin = prefix.filePath("bin");
    // No pages installed yet: the folder is not taken, only the source tree may stand in.
    EXPECT_FALSE(FindHelpFolder(bin).startsWith(prefix.path()));
    QFile index(prefix.filePath("share/sonthra/help/index.html"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.close();
    EXPECT_EQ(FindHelpFolder(bin), QDir::cleanPath(prefix.filePath("share/sonthra/help")));
}

TEST(HelpPages, WithoutABrowserThePageOpensInTheProgramsHelpWindow) {
    const QString folder = qEnvironmentVariable("SONTHRA_SOURCE_DIR") + "/resources/help";
    const QString url = HelpTopicUrl(folder, kHelpMute);
    ScriptedDialogs dialogs;
    dialogs.setBrowserAvailable(false);
    ASSERT_TRUE(ShowHelpPage(dialogs, url));
    QWidget* window = HelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    auto* browser = window->findChild<QTextBrowser*>("HelpBrowser");
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source().toString(), url);
    EXPECT_FALSE(browser->toPlainText().trimmed().isEmpty());
    // A second page reuses the one window.
    ASSERT_TRUE(ShowHelpPage(dialogs, HelpTopicUrl(folder, kHelpContents)));
    EXPECT_EQ(HelpWindow(), window);
    EXPECT_TRUE(browser->source().toString().endsWith("/index.html"));
    window->close();

    // With a browser, the browser has it and no window opens.
    ScriptedDialogs withBrowser;
    QCoreApplication::processEvents();
    ASSERT_TRUE(ShowHelpPage(withBrowser, url));
    EXPECT_TRUE(HelpWindow() == nullptr || !HelpWindow()->isVisible());
    ASSERT_EQ(withBrowser.shown().size(), 1u);
    EXPECT_EQ(withBrowser.shown()[0].kind, ShownDialog::Kind::Url);
}

TEST(HelpPages, MissingPagesAreToldNotIgnored) {
    ScriptedDialogs dialogs;
    EXPECT_FALSE(ShowHelpPage(dialogs, {}));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].icon, DialogIcon::Information);
    EXPECT_TRUE(dialogs.shown()[0].text.contains("help pages are not installed"));
}

TEST(HelpPages, ABrowserIsOnlyFoundWhenTheDesktopNamesOne) {
    const QByteArray path = qgetenv("PATH"), browser = qgetenv("BROWSER");
    QTemporaryDir bin;
    qunsetenv("BROWSER");
    // A desktop with no handler for web pages.
    QFile tool(bin.filePath("xdg-mime"));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\nexit 0\n");
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    qputenv("PATH", bin.path().toUtf8());
    EXPECT_FALSE(BrowserAvailableFor("file:///tmp/index.html"));
    QtUserDialogs real;
    EXPECT_FALSE(real.openUrl("file:///tmp/index.html")) << "nothing can open it";
    // One that names a program.
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.write("#!/bin/sh\n[ \"$3\" = text/html ] && echo reader.desktop\nexit 0\n");
    tool.close();
    EXPECT_TRUE(BrowserAvailableFor("file:///tmp/index.html"));
    EXPECT_FALSE(BrowserAvailableFor("https://example.org/"));
    qputenv("BROWSER", "reader");
    EXPECT_TRUE(BrowserAvailableFor("https://example.org/"));
    qputenv("PATH", path);
    if (browser.isNull())
        qunsetenv("BROWSER");
    else
        qputenv("BROWSER", browser);
}

TEST(WaveMessages, TheReadersFailuresAreShownFromAnyThread) {
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const std::string missing = dir.filePath("missing.wav").toStdString();
    QFile text(dir.filePath("text.wav"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a wave file at all");
    text.close();
    {
        WaveMessagesShown shown(dialogs, QCoreApplication::instance());
        WaveReader reader;
        const int code = reader.open(missing);
        ASSERT_NE(code, kWaveReadOk);
        int workerCode = 0;
        std::thread worker([&] {
            WaveReader other;
            workerCode = other.open(text.fileName().toStdString());
        });
        // The worker's box comes through the event loop, and the worker waits for it.
        while (dialogs.shown().size() < 2) QCoreApplication::processEvents();
        worker.join();
        ASSERT_EQ(dialogs.shown().size(), 2u);
        EXPECT_EQ(dialogs.shown()[0].caption, kProductCaption);
        EXPECT_EQ(dialogs.shown()[0].text, QString::fromUtf8(waveReaderMessage(code)));
        EXPECT_EQ(dialogs.shown()[0].icon, DialogIcon::Error);
        EXPECT_EQ(dialogs.shown()[1].text, QString::fromUtf8(waveReaderMessage(workerCode)));
    }
    // Once the program ends its run, nothing is shown any more.
    WaveReader reader;
    reader.open(missing);
    EXPECT_EQ(dialogs.shown().size(), 2u);
}

}  // namespace
}  // namespace sonthra
