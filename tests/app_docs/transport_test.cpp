// The transport through the real main window and the test sound server: playback moving the
// caret, the end of playback, Stop, recording into a new document and into the open one at the
// caret, Revert, the level test and the clipping lights.
#include <QKeyEvent>

#include "app/ui/command_states.h"
#include "docs_fixture.h"
#include "view/peak_file.h"
#include "wave/wave_probe.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;

constexpr int kLongWait = 20000;

class TransportTest : public DocumentWindowTest {
protected:
    void openAndWait(const std::string& path) {
        openByMenu(path);
        ASSERT_NE(form.CurrentDocument(), nullptr);
        ASSERT_TRUE(waitForWorkingCopy());
        dialogs.clearShown();
    }
    std::uint32_t recordedFrames(const std::string& file) {
        std::uint32_t frames = 0;
        probeWave(file, &frames, nullptr);
        return frames;
    }
};

TEST_F(TransportTest, PlaybackMovesTheCaretAndEndsOnTheLastFrame) {
    openAndWait(makeWav("tone.wav", 44100));
    click("PlayButton");
    ASSERT_TRUE(form.Transport().IsPlaying());
    EXPECT_TRUE(form.Busy().isSet());
    EXPECT_FALSE(enabled("PlayButton"));
    EXPECT_TRUE(enabled("StopButton"));
    EXPECT_TRUE(form.findChild<QWidget*>("PauseButton")->isVisible());
    EXPECT_FALSE(form.findChild<QWidget*>("PlayButton")->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return caret() > 0; }, kLongWait));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Transport().IsPlaying(); }, kLongWait));
    EXPECT_EQ(caret(), 44099u);
    EXPECT_FALSE(form.Busy().isSet());
    EXPECT_TRUE(enabled("PlayButton"));
    EXPECT_FALSE(enabled("StopButton"));
    EXPECT_TRUE(form.findChild<QWidget*>("PlayButton")->isVisible());
    EXPECT_FALSE(form.findChild<QWidget*>("PauseButton")->isVisible());
    EXPECT_EQ(form.Transport().MeterPosition(0), 0.0);
    EXPECT_TRUE(messages().isEmpty());
    // From the last frame, Play starts again at the beginning.
    click("PlayButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return caret() < 44099u && caret() > 0; }, kLongWait));
    click("StopButton");
}

// The transport does not move under the mouse: the "Recording" label appearing, a long source
// name and the label's flashing leave every button where it was.
TEST_F(TransportTest, ButtonsStayPutWhenRecordingStartsAndTheSourceChanges) {
    openAndWait(makeWav("base.wav", 4410));
    const char* names[] = {"StopButton", "StartStopRecordingButton", "RecSourceButton"};
    auto places = [&] {
        std::vector<QRect> rects;
        for (const char* name : names) {
            QWidget* w = form.findChild<QWidget*>(name);
            rects.emplace_back(w->mapTo(&form, QPoint(0, 0)), w->size());
        }
        return rects;
    };
    const std::vector<QRect> before = places();
    form.findChild<QLabel*>("RecordingSourceLabel")
        ->setText("Monitor of a null output with a name far longer than its room");
    QApplication::processEvents();
    EXPECT_EQ(places(), before);
    engine.setRecordFrameLimit(44100);
    dialogs.queueAnswer(DialogAnswer::Yes);
    click("StartStopRecordingButton");
    ASSERT_TRUE(form.Transport().IsRecording());
    QTest::qWait(400);  // the label flashes meanwhile
    EXPECT_TRUE(form.findChild<QWidget*>("RecordingLabel")->isVisible());
    EXPECT_EQ(places(), before);
    click("StopButton");
    EXPECT_FALSE(form.Transport().IsRecording());
    EXPECT_EQ(places(), before);
}

TEST_F(TransportTest, StopLeavesTheCaretWherePlaybackWas) {
    openAndWait(makeWav("long.wav", 441000));
    click("PlayFromStartButton");
    ASSERT_TRUE(form.Transport().IsPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return caret() > 4410; }, kLongWait));
    click("StopButton");
    EXPECT_FALSE(form.Transport().IsPlaying());
    const std::uint32_t stopped = caret();
    EXPECT_GT(stopped, 4410u);
    EXPECT_LT(stopped, 441000u - 1);
    // The engine's late notice of the end changes nothing after a Stop.
    QTest::qWait(100);
    EXPECT_EQ(caret(), stopped);
    EXPECT_FALSE(form.Busy().isSet());
}

TEST_F(TransportTest, PauseResumesAndSpacePlaysAndStops) {
    openAndWait(makeWav("space.wav", 441000));
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_Space);
    ASSERT_TRUE(form.Transport().IsPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return caret() > 0; }, kLongWait));
    click("PauseButton");
    EXPECT_TRUE(form.Transport().IsPaused());
    const std::uint32_t paused = caret();
    QTest::qWait(300);
    EXPECT_EQ(caret(), paused);
    click("PauseButton");
    EXPECT_FALSE(form.Transport().IsPaused());
    ASSERT_TRUE(QTest::qWaitFor([&] { return caret() > paused; }, kLongWait));
    QTest::keyClick(&form, Qt::Key_Space);
    EXPECT_FALSE(form.Transport().IsPlaying());
}

TEST_F(TransportTest, MovesWhilePlaying) {
    openAndWait(makeWav("moves.wav", 441000));  // 10 s
    click("PlayButton");
    ASSERT_TRUE(form.Transport().IsPlaying());
    click("SkipToEndButton");  // no selection: the end stops playback
    EXPECT_FALSE(form.Transport().IsPlaying());
    EXPECT_EQ(caret(), 441000u);
    click("SkipToStartButton");
    EXPECT_EQ(caret(), 0u);
    click("PlayButton");
    ASSERT_TRUE(form.Transport().IsPlaying());
    click("FastForwardButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return caret() >= 22050; }, kLongWait));
    click("RewindButton");
    EXPECT_LT(caret(), 22050u);
    click("StopButton");
}

TEST_F(TransportTest, RecordingIntoTheOpenDocumentAtTheCaretSelectsTheInsertedRange) {
    const std::string path = makeWav("take.wav", 132300);  // 3 s
    openAndWait(path);
    form.CurrentView()->setCaretPositionBySamples(44100);
    ASSERT_EQ(caret(), 44100u);
    engine.setRecordFrameLimit(88200);  // exactly 2 s at 44.1 kHz
    dialogs.queueAnswer(DialogAnswer::Yes);
    click("StartStopRecordingButton");
    ASSERT_TRUE(form.Transport().IsRecording());
    EXPECT_EQ(messages(), QStringList{"Do you wish to record in the currently open file?"});
    EXPECT_TRUE(form.findChild<QWidget*>("RecordingLabel")->isVisible());
    EXPECT_TRUE(form.findChild<QAbstractButton*>("StartStopRecordingButton")->isChecked());
    EXPECT_FALSE(enabled("FileOpenMenu"));
    EXPECT_TRUE(enabled("StopButton"));
    EXPECT_TRUE(form.Busy().isSet());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return engine.AudioGetRecordPosition(1) >= 88200; }, kLongWait));
    click("StopButton");
    EXPECT_FALSE(form.Transport().IsRecording());
    EXPECT_FALSE(form.Busy().isSet());
    const RIZI32DaziVereruz* view = form.CurrentView();
    EXPECT_EQ(view->SelectionStartPos(), 44100u);
    EXPECT_EQ(view->SelectionEndPos(), 132300u);
    EXPECT_EQ(form.findChild<QLabel*>("StartSelectionBox")->text(), "000:01:000");
    EXPECT_EQ(form.findChild<QLabel*>("EndSelectionBox")->text(), "000:03:000");
    const AudioDocument* document = form.CurrentDocument();
    EXPECT_EQ(document->state, DocumentState::Modified);
    EXPECT_EQ(document->frames, 220500u);
    EXPECT_EQ(recordedFrames(document->workFile), 220500u);
    EXPECT_EQ(view->TotalSamples(), 220500u);
    EXPECT_EQ(panel(5), "000:05:000");
    EXPECT_TRUE(enabled("FileSaveMenu"));
    EXPECT_TRUE(enabled("FileRevertMenu"));
    EXPECT_TRUE(enabled("EditCutMenu"));
    EXPECT_FALSE(form.findChild<QWidget*>("RecordingLabel")->isVisible());
    EXPECT_TRUE(progressCaptions().contains("Preparing..."));
    // The user's file is untouched, and the temporary recording is gone.
    EXPECT_EQ(recordedFrames(path), 132300u);
    FinishAllPeakFileWrites();               // the peak file is written in the background
    EXPECT_EQ(workspaceFiles().size(), 4u);  // working copy, its peaks, undo and redo

    // Revert brings the file back; closing then asks nothing.
    dialogs.clearShown();
    trigger("FileRevertMenu");
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Clean);
    EXPECT_EQ(form.CurrentDocument()->frames, 132300u);
    EXPECT_EQ(test::readFile(form.CurrentDocument()->workFile), test::readFile(path));
    EXPECT_FALSE(enabled("FileRevertMenu"));
    EXPECT_FALSE(enabled("FileSaveMenu"));
    EXPECT_TRUE(progressCaptions().contains("Reverting the changes..."));
    trigger("FileCloseMenu");
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(form.CurrentDocument(), nullptr);
}

TEST_F(TransportTest, ModifiedDocumentPromptsBeforeTheNextOpens) {
    const std::string path = makeWav("first.wav", 44100);
    openAndWait(path);
    engine.setRecordFrameLimit(4410);
    dialogs.queueAnswer(DialogAnswer::Yes);
    click("StartStopRecordingButton");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return engine.AudioGetRecordPosition(1) >= 4410; }, kLongWait));
    click("StartStopRecordingButton");
    ASSERT_EQ(form.CurrentDocument()->state, DocumentState::Modified);
    // Save writes the user's file whole, and it becomes clean.
    dialogs.clearShown();
    trigger("FileSaveMenu");
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Clean);
    EXPECT_EQ(recordedFrames(path), 48510u);
    EXPECT_TRUE(dialogs.shown().size() == 1u &&
                dialogs.shown()[0].kind == ShownDialog::Kind::Progress);

    // Modified again; opening the next file asks, No drops the change.
    dialogs.queueAnswer(DialogAnswer::Yes);
    click("StartStopRecordingButton");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return engine.AudioGetRecordPosition(1) >= 4410; }, kLongWait));
    click("StartStopRecordingButton");
    const std::string second = makeWav("second.wav", 4410);
    dialogs.clearShown();
    dialogs.queueAnswer(DialogAnswer::No);
    openByMenu(second);
    EXPECT_EQ(messages(),
              QStringList{"Warning: The file first.wav has changed. Do you want to save it?"});
    EXPECT_EQ(form.Documents().count(), 1u);
    EXPECT_EQ(form.CurrentDocument()->fileName, second);
    EXPECT_EQ(recordedFrames(path), 48510u);
}

TEST_F(TransportTest, RecordingWithoutADocumentMakesANewOne) {
    engine.setRecordFrameLimit(22050);
    click("StartStopRecordingButton");
    ASSERT_TRUE(form.Transport().IsRecording());
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(form.CurrentDocument()->fileName, "Untitled1.wav");
    EXPECT_TRUE(messages().isEmpty());  // an empty document is recorded into without asking
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return engine.AudioGetRecordPosition(1) >= 22050; }, kLongWait));
    click("StartStopRecordingButton");
    const AudioDocument* document = form.CurrentDocument();
    EXPECT_EQ(document->state, DocumentState::New);
    EXPECT_EQ(document->frames, 22050u);
    EXPECT_EQ(form.CurrentView()->ZoomLevel(), form.CurrentView()->MaxZoomLevel());
    EXPECT_TRUE(enabled("FileSaveMenu"));
    EXPECT_FALSE(enabled("FileRevertMenu"));
    EXPECT_TRUE(enabled("PlayButton"));
    // A new document with audio asks before it closes; No throws the recording away.
    dialogs.queueAnswer(DialogAnswer::No);
    trigger("FileCloseMenu");
    EXPECT_EQ(messages(),
              QStringList{"Warning: The file Untitled1.wav has changed. Do you want to save it?"});
    EXPECT_TRUE(workspaceFiles().empty());
}

TEST_F(TransportTest, LevelTestRunsWhileIdleAndClippingLightsFollowTheLevels) {
    settings.writeAlwaysTestLevels(true);
    openAndWait(makeWav("loud.wav", 88200, 44100, 2, 1.0));
    form.Transport().StartLevelTest();
    ASSERT_TRUE(form.Transport().IsLevelTesting());
    click("PlayButton");
    ASSERT_TRUE(form.Transport().IsPlaying());
    EXPECT_FALSE(form.Transport().IsLevelTesting());  // playback stops it first
    // A full-scale tone lights both indicators; they stay on while the clipping timer runs.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return form.Transport().ClippingShown(0) && form.Transport().ClippingShown(1); },
        kLongWait));
    EXPECT_GT(form.Transport().MeterPosition(0), 0.95);
    click("StopButton");
    EXPECT_FALSE(form.Transport().ClippingShown(0));
    EXPECT_EQ(form.Transport().MeterPosition(0), 0.0);
    // Becoming idle starts the level test again.
    EXPECT_TRUE(form.Transport().IsLevelTesting());
    form.Transport().StopLevelTest();
    EXPECT_FALSE(form.Transport().IsLevelTesting());
}

}  // namespace
}  // namespace sonthra
