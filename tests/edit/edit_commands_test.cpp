#include "edit/edit_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "engine_edit/edit_test_support.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

using testing::makeWav;
using testing::readBytes;
using testing::samplesOf;
using testing::TempDir;
using testing::Wav;
using testing::writeBytes;
using testing::writeWav;

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// A document's working copy of 1000 stereo frames with an older undo state, and a reserved
// result name, as the main window has them.
struct Document {
    TempDir dir;
    Wav wav = makeWav(2, 16, 1000);
    Wav older = makeWav(2, 16, 10, 7);
    EditFiles files{dir.file("work.tmp"), dir.file("undo.tmp"), dir.file("redo.tmp")};
    std::string result = dir.file("result.tmp");
    std::vector<std::string> captions;
    std::vector<int> shown;

    Document() {
        writeWav(files.workFile, wav);
        writeWav(files.undoFile, older);
        writeBytes(result, "");
    }
    std::string work() { return samplesOf(files.workFile, wav); }
    MessageSink sink() {
        return [this](int message) { shown.push_back(message); };
    }
    OperationRunner runner() {
        return [this](const std::string& caption, LongOperation& operation) {
            captions.push_back(caption);
            return WaitForOperation(operation);
        };
    }
};

EditRequest range(EditOperation op, std::uint32_t first, std::uint32_t last) {
    EditRequest r;
    r.operation = op;
    r.first = first;
    r.last = last;
    return r;
}

TEST(EditCommands, CutMovesTheWorkingCopyToUndoAndTheResultInItsPlace) {
    Document d;
    writeWav(d.files.redoFile, d.older);
    AudioEditor editor;
    // The display's anchor may be the larger end.
    const EditOutcome out = ApplyFileEdit(editor, d.files, range(EditOperation::Cut, 700, 200),
                                          d.result, d.runner(), d.sink());
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(out.undoSaved);
    EXPECT_EQ(d.work(), d.wav.bytes(0, 200) + d.wav.from(700));
    EXPECT_EQ(samplesOf(d.files.undoFile, d.wav), d.wav.samples);
    EXPECT_FALSE(exists(d.result)) << "the result name became the working copy";
    EXPECT_FALSE(exists(d.files.redoFile)) << "a new edit drops the redo file";
    EXPECT_NE(editor.AudioEditCanPaste(), 0);
    EXPECT_EQ(d.captions, (std::vector<std::string>{"Cut..."}));
    EXPECT_TRUE(d.shown.empty());
}

TEST(EditCommands, SelectionToFileLeavesTheClipboardAlone) {
    Document d;
    AudioEditor editor;
    const std::string cutFile = d.dir.file("cut.wav");
    EditRequest cut = range(EditOperation::Cut, 100, 300);
    cut.rangeFile = cutFile;
    ASSERT_EQ(ApplyFileEdit(editor, d.files, cut, d.result, d.runner(), d.sink()).result, 0);
    EXPECT_EQ(samplesOf(cutFile, d.wav), d.wav.bytes(100, 300));
    EXPECT_EQ(d.work(), d.wav.bytes(0, 100) + d.wav.from(300));
    EXPECT_EQ(editor.AudioEditCanPaste(), 0);

    // Copy fills the clipboard; Copy Selection To File afterwards does not replace it.
    const std::string before = d.work();
    ASSERT_EQ(
        CopyEdit(editor, d.files.workFile, range(EditOperation::Copy, 0, 10), d.runner(), d.sink()), 0);
    EditRequest copy = range(EditOperation::Copy, 10, 60);
    copy.rangeFile = d.dir.file("copy.wav");
    ASSERT_EQ(CopyEdit(editor, d.files.workFile, copy, d.runner(), d.sink()), 0);
    EXPECT_EQ(samplesOf(copy.rangeFile, d.wav), before.substr(10 * 4, 50 * 4));
    EXPECT_EQ(d.work(), before) << "copying changes no audio";

    writeBytes(d.result, "");
    EditRequest paste;
    paste.operation = EditOperation::Paste;
    paste.position = 0;
    ASSERT_EQ(ApplyFileEdit(editor, d.files, paste, d.result, d.runner(), d.sink()).result,
              0);
    EXPECT_EQ(d.work(), before.substr(0, 10 * 4) + before) << "the clipboard kept the first copy";
}

TEST(EditCommands, PasteReplacesASelectionOrInsertsAtThePosition) {
    Document d;
    AudioEditor editor;
    ASSERT_EQ(
        CopyEdit(editor, d.files.workFile, range(EditOperation::Copy, 0, 50), d.runner(), d.sink()), 0);
    const std::string clip = d.wav.bytes(0, 50);

    EditRequest paste;
    paste.operation = EditOperation::Paste;
    paste.position = PasteInsertionPoint(0, 0, 900);
    EXPECT_EQ(paste.position, 900u);
    ASSERT_EQ(ApplyFileEdit(editor, d.files, paste, d.result, d.runner(), d.sink()).result,
              0);
    const std::string inserted = d.wav.bytes(0, 900) + clip + d.wav.from(900);
    EXPECT_EQ(d.work(), inserted);

    // A selection dragged from right to left, 300..100: the clip takes its place.
    writeBytes(d.result, "");
    paste.first = 300;
    paste.last = 100;
    paste.position = PasteInsertionPoint(paste.first, paste.last, 5);
    EXPECT_EQ(paste.position, 300u);
    d.captions.clear();
    ASSERT_EQ(ApplyFileEdit(editor, d.files, paste, d.result, d.runner(), d.sink()).result,
              0);
    EXPECT_EQ(d.work(), inserted.substr(0, 100 * 4) + clip + inserted.substr(300 * 4));
    EXPECT_EQ(d.captions, (std::vector<std::string>{"Paste...", "Preparing..."}));
    EXPECT_EQ(samplesOf(d.files.undoFile, d.wav), inserted) << "one undo step for the whole paste";
}

TEST(EditCommands, ARefusedEditDeletesTheResultAndChangesNothing) {
    Document d;
    AudioEditor editor;
    // An empty range: the engine's 320 is the message 138.
    const EditOutcome out = ApplyFileEdit(editor, d.files, range(EditOperation::Clear, 5, 5),
                                          d.result, d.runner(), d.sink());
    EXPECT_EQ(out.result, 138);
    EXPECT_FALSE(out.undoSaved);
    EXPECT_EQ(d.work(), d.wav.samples);
    EXPECT_EQ(samplesOf(d.files.undoFile, d.older), d.older.samples);
    EXPECT_FALSE(exists(d.result));
    EXPECT_EQ(d.shown, (std::vector<int>{138})) << "a refusal is shown once, by the sequence";
    EXPECT_TRUE(d.captions.empty()) << "nothing ran under the progress dialog";
}

TEST(EditCommands, ACancelledEditLeavesWorkingCopyAndUndoFile) {
    Document d;
    EditOptions options = testing::smallBlocks();
    // Each job waits after its first block until it has been cancelled.
    options.afterBlock = [](const EditState& state) {
        while (!state.cancel.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    AudioEditor editor(options);
    // Cancel pressed at the first look, as in the progress dialog.
    const OperationRunner cancelling = [](const std::string&, LongOperation& operation) {
        operation.cancel();
        return WaitForOperation(operation);
    };
    const EditOutcome out = ApplyFileEdit(editor, d.files, range(EditOperation::Cut, 0, 900),
                                          d.result, cancelling, d.sink());
    EXPECT_EQ(out.result, kCancelled);
    EXPECT_EQ(d.work(), d.wav.samples);
    EXPECT_EQ(samplesOf(d.files.undoFile, d.older), d.older.samples);
    EXPECT_FALSE(exists(d.result));
    EXPECT_EQ(editor.AudioEditCanPaste(), 0);
    EXPECT_EQ(d.dir.names(), (std::vector<std::string>{"undo.tmp", "work.tmp"}));
}

TEST(EditCommands, AnUndoFileThatCannotBeMadeLetsTheEditGoOnWithoutUndo) {
    Document d;
    EditFiles files = d.files;
    files.undoFile = d.dir.file("vanished/undo.tmp");
    AudioEditor editor;
    const EditOutcome out = ApplyFileEdit(editor, files, range(EditOperation::Crop, 10, 20),
                                          d.result, d.runner(), d.sink());
    EXPECT_EQ(out.result, 0);
    EXPECT_FALSE(out.undoSaved);
    EXPECT_EQ(d.work(), d.wav.bytes(10, 20));
    EXPECT_EQ(d.shown, (std::vector<int>{177}));
}

TEST(EditCommands, AResultThatCannotReplaceTheWorkingCopyLeavesItAsItWas) {
    Document d;
    AudioEditor editor;
    // The result file is taken away between the engine's end and the move: the runner stands
    // in for whatever made the move fail.
    const OperationRunner runner = [&](const std::string& caption, LongOperation& operation) {
        const int result = d.runner()(caption, operation);
        std::filesystem::remove(d.result);
        std::filesystem::create_directory(d.result);
        return result;
    };
    const EditOutcome out = ApplyFileEdit(editor, d.files, range(EditOperation::Clear, 0, 500),
                                          d.result, runner, d.sink());
    EXPECT_EQ(out.result, 137);
    EXPECT_FALSE(out.undoSaved);
    EXPECT_EQ(d.work(), d.wav.samples);
    EXPECT_EQ(d.shown, (std::vector<int>{137}));
    std::filesystem::remove(d.result);
}

TEST(EditCommands, TheCaretGoesToTheEditsStartClampedToTheNewLength) {
    EditRequest cut = range(EditOperation::Cut, 700, 200);
    EXPECT_EQ(CaretAfterEdit(cut, 999, 500), 200u);
    EXPECT_EQ(CaretAfterEdit(range(EditOperation::Crop, 300, 600), 0, 300), 300u);
    EXPECT_EQ(CaretAfterEdit(range(EditOperation::Crop, 300, 600), 0, 250), 250u);
    EXPECT_EQ(CaretAfterEdit(range(EditOperation::Mute, 1, 2), 77, 100), 77u);
    EXPECT_EQ(CaretAfterEdit(range(EditOperation::TrimSilence, 1, 2), 77, 50), 50u);
    EditRequest paste;
    paste.operation = EditOperation::Paste;
    paste.position = 40;
    EXPECT_EQ(CaretAfterEdit(paste, 7, 100), 40u);
    EXPECT_EQ(EditCaption(EditOperation::Cut), "Cut...");
    EXPECT_EQ(EditCaption(EditOperation::TrimSilence), "Trim Silence...");
    EXPECT_EQ(EditCaption(EditOperation::InsertSilence), "Inserting Silence...");
}

}  // namespace
}  // namespace sonthra
