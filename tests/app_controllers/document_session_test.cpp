// The document session without a window: busy holds, the background workspace copy with its
// news on the GUI thread, waiting for it before an edit (and cancelling that wait), and the
// recent files in a settings store of the test's own.
#include "app/ui/document_session.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "dialogs/ui/scripted_dialogs.h"
#include "engine/wav_maker.h"
#include "settings/settings.h"

namespace sonthra {
namespace {

using test::pcmWave;
using test::readFile;
using test::TempFolder;
using test::writeFile;

// Presses Cancel as the progress window opens, before its first 100 ms poll: a person who
// cancels at once.
class CancellingDialogs : public ScriptedDialogs {
public:
    bool cancelAtOnce = false;
    void runProgress(QWidget* parent, const QString& caption, bool cancelOffered,
                     const ProgressPollFunction& poll) override {
        if (!cancelAtOnce)
            return ScriptedDialogs::runProgress(parent, caption, cancelOffered, poll);
        poll(true);
        ScriptedDialogs::runProgress(parent, caption, cancelOffered, [](bool) {
            return ProgressPoll{0, false};
        });
    }
};

class DocumentSessionTest : public ::testing::Test {
protected:
    DocumentSessionTest() {
        settings.writeTempPath(folder.path());
        session.SetSettings(&settings);
        session.OnWorkingCopyReady = [this](AudioDocument& document, bool onlyIfUsersFile) {
            ready.push_back({document.id, onlyIfUsersFile});
        };
        session.OnTitleChanged = [this] { ++titles; };
    }

    // A document whose user's file is large enough that its copy takes a moment.
    AudioDocument& open(std::uint32_t frames) {
        std::vector<std::int16_t> samples(std::size_t{frames} * 2, 1000);
        writeFile(folder.file("take.wav"), pcmWave(44100, 16, 2, samples));
        auto document = std::make_unique<AudioDocument>();
        document->id = session.Documents().nextId();
        document->fileName = folder.file("take.wav");
        document->workFile = folder.file("work.tmp");
        document->workspace = WorkspaceState::BeingCreated;
        document->state = DocumentState::Clean;
        const std::size_t index = session.Documents().append(std::move(document));
        session.Documents().setCurrent(static_cast<int>(index));
        return *session.Current();
    }

    TempFolder folder;
    Settings settings{folder.file("settings.ini")};
    CancellingDialogs dialogs;
    DocumentSession session{dialogs, nullptr};
    std::vector<std::pair<std::uint32_t, bool>> ready;
    int titles = 0;
};

TEST_F(DocumentSessionTest, NestedBusyHoldsClearTheFlagOnlyWhenTheOutermostEnds) {
    {
        BusyHold outer(session);
        {
            BusyHold inner(session);
            EXPECT_TRUE(session.Busy().isSet());
        }
        EXPECT_TRUE(session.Busy().isSet()) << "the inner hold must not clear it early";
    }
    EXPECT_FALSE(session.Busy().isSet());
    // A flag set by someone else before the first hold stays set.
    session.Busy().set();
    session.HoldBusy();
    session.ReleaseBusy();
    EXPECT_TRUE(session.Busy().isSet());
    session.ReleaseBusy();  // one release too many changes nothing
    EXPECT_TRUE(session.Busy().isSet());
}

TEST_F(DocumentSessionTest, TheCopysNewsArrivesOnTheGuiThreadAndMakesTheDocumentReady) {
    AudioDocument& document = open(20000);
    ASSERT_EQ(session.StartWorkspaceJob(document), 0);
    EXPECT_TRUE(session.CopyRunning(document.id));
    EXPECT_FALSE(session.EnsureWorkingCopy(false)) << "without waiting, not yet usable";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session.CopyRunning(document.id); }, 10000));
    EXPECT_EQ(document.workspace, WorkspaceState::Ready);
    EXPECT_EQ(readFile(document.workFile), readFile(document.fileName));
    ASSERT_EQ(ready.size(), 1u);
    EXPECT_FALSE(ready[0].second) << "the copy's own news switches the display unconditionally";
    EXPECT_TRUE(session.EnsureWorkingCopy(true));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(DocumentSessionTest, WaitingForTheCopyShowsProgressAndTakesItsNewsAtOnce) {
    AudioDocument& document = open(400000);
    ASSERT_EQ(session.StartWorkspaceJob(document), 0);
    EXPECT_TRUE(session.EnsureWorkingCopy(true));
    EXPECT_EQ(document.workspace, WorkspaceState::Ready);
    EXPECT_FALSE(session.CopyRunning(document.id));
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown()[0].caption, "Preparing file for editing...");
    EXPECT_FALSE(session.Busy().isSet());
    // The posted news that arrives later finds nothing.
    QCoreApplication::processEvents();
    EXPECT_GE(ready.size(), 1u);
}

TEST_F(DocumentSessionTest, CancellingTheWaitLeavesTheDocumentReadOnly) {
    AudioDocument& document = open(4000000);
    ASSERT_EQ(session.StartWorkspaceJob(document), 0);
    dialogs.cancelAtOnce = true;
    EXPECT_FALSE(session.EnsureWorkingCopy(true));
    EXPECT_EQ(document.workspace, WorkspaceState::ReadOnly);
    EXPECT_FALSE(session.CopyRunning(document.id));
    EXPECT_EQ(titles, 1) << "the title says the document is read-only";
    QCoreApplication::processEvents();
    EXPECT_TRUE(ready.empty());
}

TEST_F(DocumentSessionTest, RecentFilesComeBackMostRecentFirst) {
    int changes = 0;
    session.OnRecentFilesChanged = [&changes] { ++changes; };
    session.AddRecentFile("/music/a.wav");
    session.AddRecentFile("/music/b.wav");
    const std::vector<std::string> recent = session.ReadRecentFiles();
    ASSERT_GE(recent.size(), 2u);
    EXPECT_EQ(recent[0], "/music/b.wav");
    EXPECT_EQ(recent[1], "/music/a.wav");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(session.TempFolder(), folder.path());
}

}  // namespace
}  // namespace sonthra
