// The helpers every window uses to show numbered messages, notices and help, and a long
// operation run under the real progress dialog.
#include "dialogs/ui/user_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "dialogs/ui/help.h"
#include "dialogs/ui/scripted_dialogs.h"
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

}  // namespace
}  // namespace sonthra
