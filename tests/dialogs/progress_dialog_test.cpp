#include "dialogs/ui/progress_dialog.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "dialogs/ui/scripted_dialogs.h"

namespace sonthra {
namespace {

// Runs the dialog with a poll that reports `percents` one after the other, then the end.
struct PollScript {
    explicit PollScript(std::vector<int> p) : percents(std::move(p)) {}
    std::vector<int> percents;
    int polls = 0;
    int cancels = 0;
    std::vector<int> shown;  // the bar's value seen at each poll
    ProgressDialog* dialog = nullptr;

    ProgressPollFunction function() {
        return [this](bool cancel) -> ProgressPoll {
            if (cancel) {
                ++cancels;
                return {0, false};
            }
            shown.push_back(dialog->bar()->value());
            const int i = polls++;
            if (i < static_cast<int>(percents.size())) return {percents[i], true};
            return {100, false};
        };
    }
};

TEST(ProgressDialog, ClampsPercentagesAndClosesWhenTheWorkEnds) {
    ProgressDialog dialog;
    PollScript script({150, -5, 42});
    script.dialog = &dialog;
    dialog.run("Building Peaks...", false, script.function());
    // Each poll sees the value the previous one set: 150 shows full, -5 shows empty.
    ASSERT_EQ(script.shown.size(), 4u);
    EXPECT_EQ(script.shown[1], 100);
    EXPECT_EQ(script.shown[2], 0);
    EXPECT_EQ(script.shown[3], 42);
    EXPECT_EQ(script.cancels, 0);
    EXPECT_FALSE(dialog.pollTimerActive());
    EXPECT_EQ(dialog.windowTitle(), "Building Peaks...");
}

TEST(ProgressDialog, CancelPollsOnceWithCancelAndStopsPolling) {
    ProgressDialog dialog;
    PollScript script(std::vector<int>(1000, 10));
    script.dialog = &dialog;
    QTimer::singleShot(350, &dialog,
                       [&] { QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton); });
    dialog.run("Cut...", true, script.function());
    EXPECT_EQ(script.cancels, 1);
    const int pollsAtCancel = script.polls;
    QTest::qWait(250);
    EXPECT_EQ(script.polls, pollsAtCancel);
    EXPECT_GE(pollsAtCancel, 2);
}

TEST(ProgressDialog, ClosingTheWindowCountsAsCancel) {
    ProgressDialog dialog;
    PollScript script(std::vector<int>(1000, 10));
    script.dialog = &dialog;
    QTimer::singleShot(250, &dialog, [&] { dialog.close(); });
    dialog.run("Saving wave file...", false, script.function());
    EXPECT_EQ(script.cancels, 1);
}

TEST(ProgressDialog, BarTakesTheButtonsPlaceWhileCancelIsHidden) {
    ProgressDialog dialog;
    PollScript done({});
    done.dialog = &dialog;
    dialog.run("Preparing file for editing...", true, done.function());
    const int narrow = dialog.bar()->width();
    EXPECT_FALSE(dialog.cancelButton()->isHidden());

    dialog.run("Saving wave file...", false, done.function());
    EXPECT_TRUE(dialog.cancelButton()->isHidden());
    EXPECT_GT(dialog.bar()->width(), narrow + dialog.cancelButton()->width() - 1);
    // Hidden twice in a row does not widen twice.
    const int wide = dialog.bar()->width();
    dialog.run("Reverting the changes...", false, done.function());
    EXPECT_EQ(dialog.bar()->width(), wide);

    dialog.run("Cut...", true, done.function());
    EXPECT_EQ(dialog.bar()->width(), narrow);
}

TEST(ScriptedDialogs, RecordsProgressAndPressesScriptedCancel) {
    ScriptedDialogs dialogs;
    dialogs.cancelNextProgressAfter(3);
    int polls = 0;
    bool cancelled = false;
    dialogs.runProgress(nullptr, "Cut...", true, [&](bool cancel) -> ProgressPoll {
        if (cancel)
            cancelled = true;
        else
            ++polls;
        return {polls, !cancel};
    });
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(polls, 3);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::Progress);
    EXPECT_EQ(dialogs.shown()[0].caption, "Cut...");
    EXPECT_TRUE(dialogs.shown()[0].cancelOffered);
}

TEST(ShowMessage, UsesTheCaptionTheErrorIconAndTheArguments) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(ShowMessage(dialogs, nullptr, 184, {"/tmp/gone.wav"}), 184);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].caption, "Sonthra");
    EXPECT_EQ(dialogs.shown()[0].text, "Error : The file /tmp/gone.wav does not exist.");
    EXPECT_EQ(dialogs.shown()[0].icon, DialogIcon::Error);
    // A number without text shows nothing; engine numbers go through the engine table.
    ShowMessage(dialogs, nullptr, 440);
    EXPECT_EQ(ShowEngineError(dialogs, nullptr, 360), 440);
    EXPECT_EQ(ShowEngineError(dialogs, nullptr, 0), 0);
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(ShowEngineError(dialogs, nullptr, 311), 129);
    EXPECT_EQ(dialogs.shown().back().text, "Warning: User has aborted the process.");
}

}  // namespace
}  // namespace sonthra
