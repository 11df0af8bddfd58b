// The edit commands and undo through the real main window: each test checks the samples of
// the working copy afterwards.
#include "app_edit/edit_fixture.h"
#include "edit/undo_files.h"
#include "messages/message_table.h"
#include "view/peak_file.h"
#include "wave/wave_probe.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;

TEST_F(EditWindowTest, CutWithoutASelectionDoesNothingAndShowsNothing) {
    const std::string audio = openRamp(44100);
    EXPECT_FALSE(enabled("EditCutMenu"));
    form.Edit().EditCutMenuClick();
    form.Edit().EditClearMenuClick();
    form.Edit().EditCropMenuClick();
    form.Edit().EditCopyMenuClick();
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(work(), audio);
    EXPECT_FALSE(enabled("EditUndoMenu"));
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Clean);
    EXPECT_FALSE(form.Busy().isSet());
}

// The window keeps the working copy from before every edit as its undo file, so its engine
// only makes sure that file is on the disk before writing, and the edit's result is not waited
// for; undo then brings back exactly what was there.
TEST_F(EditWindowTest, EditsFlushTheirSourceFirstAndUndoStillRestoresIt) {
    EXPECT_EQ(engine.editFlush(), EditFlush::SourceFirst);
    const std::string audio = openRamp(44100);
    select(2000, 3000);
    trigger("EditClearMenu");
    EXPECT_EQ(work(), frames(audio, 0, 2000) + from(audio, 3000));
    EXPECT_EQ(progressCaptions(), QStringList({"Clear..."}));
    EXPECT_EQ(form.CurrentOverview()->TotalSamples(), 43100u);
    trigger("EditUndoMenu");
    EXPECT_EQ(work(), audio);
}

TEST_F(EditWindowTest, CutUndoRedoUndoAlternatesBetweenTheSameTwoStates) {
    const std::string audio = openRamp(44100);
    const std::string cut = frames(audio, 0, 1000) + from(audio, 5000);
    // Dragged from right to left: the anchor is the larger end.
    select(5000, 1000);
    ASSERT_TRUE(enabled("EditCutMenu"));
    trigger("EditCutMenu");
    EXPECT_EQ(work(), cut);
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
    // Cut patches the peaks and the overview loads the peak file: nothing is scanned again.
    EXPECT_EQ(progressCaptions(), QStringList({"Cut..."}));
    EXPECT_EQ(view().TotalSamples(), 40100u);
    EXPECT_EQ(form.CurrentOverview()->TotalSamples(), 40100u);
    EXPECT_EQ(view().CaretPositionBySamples(), 1000u);
    EXPECT_EQ(view().SelectionStartPos(), view().SelectionEndPos());
    EXPECT_EQ(readout("PositionBox"), "000:00:022");
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Modified);
    EXPECT_EQ(form.CurrentDocument()->frames, 40100u);
    EXPECT_TRUE(enabled("EditUndoMenu"));
    EXPECT_FALSE(enabled("EditRedoMenu"));
    EXPECT_TRUE(enabled("EditPasteMenu"));
    EXPECT_TRUE(enabled("FileSaveMenu"));
    EXPECT_TRUE(enabled("FileRevertMenu"));
    EXPECT_FALSE(enabled("EditCutMenu"));

    trigger("EditUndoMenu");
    EXPECT_EQ(work(), audio);
    EXPECT_EQ(view().TotalSamples(), 44100u);
    EXPECT_FALSE(enabled("EditUndoMenu"));
    EXPECT_TRUE(enabled("EditRedoMenu"));
    trigger("EditRedoMenu");
    EXPECT_EQ(work(), cut);
    EXPECT_EQ(view().TotalSamples(), 40100u);
    EXPECT_TRUE(enabled("EditUndoMenu"));
    EXPECT_FALSE(enabled("EditRedoMenu"));
    trigger("EditUndoMenu");
    EXPECT_EQ(work(), audio);
    EXPECT_TRUE(enabled("EditRedoMenu"));
    EXPECT_FALSE(enabled("EditUndoMenu"));
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Modified);
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
    EXPECT_FALSE(form.Busy().isSet());
}

TEST_F(EditWindowTest, ANewEditAfterUndoDropsTheRedoFile) {
    const std::string audio = openRamp(44100);
    select(100, 200);
    trigger("EditCutMenu");
    trigger("EditUndoMenu");
    const AudioDocument& document = *form.CurrentDocument();
    ASSERT_TRUE(hasData(document.redoFile));
    select(300, 400);
    trigger("EditClearMenu");
    EXPECT_EQ(work(), frames(audio, 0, 300) + from(audio, 400));
    EXPECT_FALSE(hasData(document.redoFile));
    EXPECT_FALSE(enabled("EditRedoMenu"));
    EXPECT_TRUE(enabled("EditUndoMenu"));
    // Undo now brings back the audio from before the clear, not the cut.
    trigger("EditUndoMenu");
    EXPECT_EQ(work(), audio);
}

TEST_F(EditWindowTest, PasteReplacesASelectionOrInsertsAtTheCaretReadout) {
    const std::string audio = openRamp(88200);
    select(0, 100);
    trigger("EditCopyMenu");
    ASSERT_TRUE(enabled("EditPasteMenu"));
    EXPECT_EQ(work(), audio) << "copying changes nothing";
    EXPECT_FALSE(enabled("EditUndoMenu"));
    const std::string clip = frames(audio, 0, 100);

    select(300, 200);
    dialogs.clearShown();
    trigger("EditPasteMenu");
    const std::string replaced = frames(audio, 0, 200) + clip + from(audio, 300);
    EXPECT_EQ(work(), replaced);
    EXPECT_EQ(progressCaptions(), QStringList({"Paste...", "Preparing...", "Building Peaks..."}));
    EXPECT_EQ(view().TotalSamples(), 88200u);

    // Without a selection the clip goes in at the caret read-out, which in time mode is the
    // caret rounded down to its millisecond: frame 44150 reads 000:01:001, which is 44144.
    form.View().PlaceCaret(44150);
    form.View().ShowCaretPosition(44150, PositionMode::Samples);
    ASSERT_EQ(readout("PositionBox"), "000:01:001");
    trigger("EditPasteMenu");
    EXPECT_EQ(work(), frames(replaced, 0, 44144) + clip + from(replaced, 44144));
    EXPECT_EQ(view().CaretPositionBySamples(), 44144u);
    EXPECT_EQ(view().TotalSamples(), 88300u);

    // One undo step back to before the last paste.
    trigger("EditUndoMenu");
    EXPECT_EQ(work(), replaced);
}

TEST_F(EditWindowTest, SelectionToFileLeavesTheClipboardAlone) {
    const std::string audio = openRamp(44100);
    select(0, 50);
    trigger("EditCopyMenu");
    const std::string clip = frames(audio, 0, 50);

    const std::string copyFile = user.file("copied.wav");
    select(1000, 3000);
    dialogs.clearShown();
    dialogs.queueFile(QString::fromStdString(copyFile));
    trigger("EditCopySelectionToFileMenu");
    EXPECT_EQ(samplesOf(copyFile), frames(audio, 1000, 3000));
    EXPECT_EQ(work(), audio);
    EXPECT_FALSE(enabled("EditUndoMenu"));
    ASSERT_EQ(dialogs.shown().front().kind, ShownDialog::Kind::SaveFile);

    const std::string cutFile = user.file("cut.wav");
    dialogs.queueFile(QString::fromStdString(cutFile));
    trigger("EditCutSelectionToFileMenu");
    const std::string cut = frames(audio, 0, 1000) + from(audio, 3000);
    EXPECT_EQ(samplesOf(cutFile), frames(audio, 1000, 3000));
    EXPECT_EQ(work(), cut);
    EXPECT_TRUE(enabled("EditPasteMenu"));

    // The clipboard still holds the first copy.
    form.View().PlaceCaret(0);
    form.View().ShowCaretPosition(0, PositionMode::Samples);
    trigger("EditPasteMenu");
    EXPECT_EQ(work(), clip + cut);

    // A save dialog that is cancelled ends the command.
    dialogs.clearShown();
    select(10, 20);
    trigger("EditCutSelectionToFileMenu");
    EXPECT_EQ(work(), clip + cut);
    EXPECT_EQ(progressCaptions(), QStringList());
}

TEST_F(EditWindowTest, CancellingCutLeavesWorkingCopyUndoFileAndViewUnchanged) {
    const std::string audio = openRamp(kRate * 30);
    select(0, 10);
    trigger("EditClearMenu");
    const AudioDocument& document = *form.CurrentDocument();
    const std::string undoBefore = samplesOf(document.undoFile);
    const std::string workBefore = work();
    select(kRate * 2, kRate * 25);
    const std::uint32_t zoom = view().ZoomLevel();
    const std::uint32_t left = view().LeftSamplePos();
    dialogs.clearShown();
    dialogs.cancelProgress("Cut...");
    trigger("EditCutMenu");
    if (!progressCaptions().contains("Cut...")) GTEST_SKIP() << "the cut ended before a look";
    EXPECT_EQ(messages(), QStringList({"Warning: User has aborted the process."}));
    EXPECT_EQ(work(), workBefore);
    EXPECT_EQ(samplesOf(document.undoFile), undoBefore);
    EXPECT_FALSE(hasData(document.redoFile));
    EXPECT_EQ(view().TotalSamples(), kRate * 30 - 10);
    EXPECT_EQ(view().ZoomLevel(), zoom);
    EXPECT_EQ(view().LeftSamplePos(), left);
    EXPECT_EQ(view().SelectionStartPos(), kRate * 2);
    EXPECT_EQ(view().SelectionEndPos(), kRate * 25);
    // Only the document's own files are left in the workspace: no half-made result.
    for (const auto& entry : fs::directory_iterator(workspace.path())) {
        const std::string name = entry.path().string();
        const bool own = name == document.workFile || name == document.undoFile ||
                         name == document.redoFile || entry.path().extension() == ".cvp";
        EXPECT_TRUE(own) << name;
    }
    EXPECT_FALSE(form.Busy().isSet());
}

TEST_F(EditWindowTest, AnEditMadeFullyZoomedOutEndsFullyZoomedOutAtTheNewLength) {
    const std::string audio = openRamp(kRate * 4);
    ASSERT_EQ(view().ZoomLevel(), view().MaxZoomLevel());
    const std::uint32_t before = view().MaxZoomLevel();
    select(kRate, kRate * 3);
    trigger("EditCutMenu");
    EXPECT_EQ(view().ZoomLevel(), view().MaxZoomLevel());
    EXPECT_LT(view().MaxZoomLevel(), before);
    EXPECT_EQ(form.StatusPanelText(4), QString("1:%1").arg(view().MaxZoomLevel()));

    // Crop rescans the file: the same rule holds on that path.
    select(100, kRate);
    trigger("EditCropMenu");
    EXPECT_EQ(work(), frames(frames(audio, 0, kRate) + from(audio, kRate * 3), 100, kRate));
    EXPECT_EQ(view().TotalSamples(), kRate - 100);
    EXPECT_EQ(view().ZoomLevel(), view().MaxZoomLevel());
    EXPECT_EQ(view().CaretPositionBySamples(), 100u);

    // A view zoomed in keeps its zoom.
    view().setZoomLevel(8);
    select(0, 10);
    trigger("EditClearMenu");
    EXPECT_EQ(view().ZoomLevel(), 8u);
}

TEST_F(EditWindowTest, ClearingEverythingLeavesAnEmptyDocumentWithoutExport) {
    openRamp(4410);
    form.View().EditSelectAllMenuClick();
    ASSERT_TRUE(enabled("EditClearMenu"));
    trigger("EditClearMenu");
    std::uint32_t left = 1;
    EXPECT_EQ(probeWave(form.CurrentDocument()->workFile, &left, nullptr), 164) << "no frame left";
    EXPECT_EQ(view().TotalSamples(), 0u);
    EXPECT_EQ(form.CurrentDocument()->lengthMs, 0u);
    EXPECT_EQ(form.CurrentDocument()->frames, 0u);
    EXPECT_FALSE(enabled("FileExportMenu"));
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
    trigger("EditUndoMenu");
    EXPECT_EQ(view().TotalSamples(), 4410u);
    EXPECT_EQ(form.CurrentDocument()->frames, 4410u);
    EXPECT_EQ(form.CurrentDocument()->lengthMs, 100u);
}

TEST_F(EditWindowTest, EditsHoldTheBusyFlagForTheirLength) {
    openRamp(44100);
    QStringList busy;
    dialogs.onProgress = [&](const QString& caption) {
        if (form.Busy().isSet()) busy << caption;
    };
    select(0, 100);
    trigger("EditCutMenu");
    trigger("EditUndoMenu");
    EXPECT_EQ(busy, QStringList({"Cut...", "Building Peaks..."}));
    EXPECT_FALSE(form.Busy().isSet());
    // A flag someone else set stays set.
    form.Busy().set();
    select(0, 100);
    trigger("EditCutMenu");
    EXPECT_TRUE(form.Busy().isSet());
    form.Busy().clear();
}

TEST_F(EditWindowTest, AnUndoFileThatCannotBeMadeLetsTheEditGoOnWithoutUndo) {
    const std::string audio = openRamp(44100);
    const AudioDocument& document = *form.CurrentDocument();
    // A folder where the undo file should go: the working copy cannot be moved there.
    fs::remove(document.undoFile);
    fs::create_directory(document.undoFile);
    select(0, 4410);
    trigger("EditClearMenu");
    EXPECT_EQ(messages(), QStringList({MessageText(177)}));
    EXPECT_EQ(work(), from(audio, 4410));
    EXPECT_FALSE(enabled("EditUndoMenu"));
    EXPECT_EQ(document.state, DocumentState::Modified);
    EXPECT_EQ(view().TotalSamples(), 44100u - 4410);
    fs::remove(document.undoFile);
}

TEST_F(EditWindowTest, AWorkingCopyThatCannotBeMovedAsideStopsUndoAndKeepsTheAudio) {
    const std::string audio = openRamp(44100);
    select(0, 4410);
    trigger("EditCutMenu");
    const AudioDocument& document = *form.CurrentDocument();
    fs::remove(document.redoFile);
    fs::create_directory(document.redoFile);
    dialogs.clearShown();
    trigger("EditUndoMenu");
    EXPECT_EQ(messages(), QStringList({MessageText(133)}));
    EXPECT_EQ(work(), from(audio, 4410));
    EXPECT_EQ(samplesOf(document.undoFile), audio);
    EXPECT_TRUE(enabled("EditUndoMenu"));
    EXPECT_EQ(view().TotalSamples(), 44100u - 4410);
    fs::remove(document.redoFile);
    trigger("EditUndoMenu");
    EXPECT_EQ(work(), audio);
}

TEST_F(EditWindowTest, PasteIntoANewDocumentGivesItAudio) {
    // Nothing cut or copied yet: a new document offers nothing to paste.
    ASSERT_EQ(form.Files().NewDocument(RecordFormat{kRate, 16, 2}), 0);
    EXPECT_FALSE(enabled("EditPasteMenu"));
    EXPECT_TRUE(enabled("songInfoMenu")) << "song information before the first save";
    EXPECT_FALSE(form.windowTitle().contains('*')) << "nothing to lose yet";
    const std::string audio = openRamp(8820);
    form.View().EditSelectAllMenuClick();
    trigger("EditCopyMenu");
    ASSERT_EQ(form.Files().NewDocument(RecordFormat{kRate, 16, 2}), 0);
    ASSERT_EQ(view().TotalSamples(), 0u);
    // The clipboard holds audio, so the new document takes it through the menu.
    ASSERT_TRUE(enabled("EditPasteMenu"));
    EXPECT_FALSE(enabled("EditCutMenu"));
    trigger("EditPasteMenu");
    EXPECT_EQ(work(), audio);
    EXPECT_EQ(view().TotalSamples(), 8820u);
    EXPECT_EQ(form.CurrentOverview()->TotalSamples(), 8820u);
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::New);
    EXPECT_TRUE(enabled("FileSaveMenu"));
    EXPECT_TRUE(form.windowTitle().contains(": *")) << form.windowTitle().toStdString();
    EXPECT_FALSE(enabled("FileRevertMenu"));
    EXPECT_TRUE(enabled("EditUndoMenu"));
    EXPECT_EQ(view().CaretPositionBySamples(), 0u);
}

}  // namespace
}  // namespace sonthra
