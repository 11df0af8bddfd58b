// The edit controller without a window: a recorded surface stands in for the main window, a
// real engine edits real files, scripted dialogs answer. Checks the sequence every change of
// the audio follows: guards, busy flag, the working copy made ready, the transform, the undo
// file, the refresh and the commands.
#include "app/ui/edit_controller.h"

#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include "dialogs/ui/scripted_dialogs.h"
#include "engine/audio_edit.h"
#include "engine/wav_maker.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

using test::pcmWave;
using test::readFile;
using test::TempFolder;
using test::writeFile;

constexpr std::uint32_t kFrames = 1000;

std::vector<std::int16_t> ramp(std::uint32_t frames) {
    std::vector<std::int16_t> samples(std::size_t{frames} * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(i);
    return samples;
}

// The main window as the controller sees it, recording what it was asked.
class RecordedSurface : public EditSurface {
public:
    ShownRange shown{true, 0, 0, 0, kFrames, true};
    std::uint32_t caretReadout = 0;
    bool transportBusy = false;
    bool workingCopyReady = true;
    bool refreshSucceeds = true;
    std::string temp;
    int busyHolds = 0;
    int maxBusyHolds = 0;
    std::vector<RefreshRequest> refreshes;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> prepared;
    int documentsShown = 0;
    int commandsFromDocument = 0;
    std::map<EditCommand, bool> commands;

    ShownRange CurrentSelection() const override { return shown; }
    std::uint32_t CaretReadout() const override { return caretReadout; }
    bool TransportBusy() const override { return transportBusy; }
    bool WorkingCopyReady() override { return workingCopyReady; }
    void HoldBusy() override { maxBusyHolds = std::max(maxBusyHolds, ++busyHolds); }
    void ReleaseBusy() override { --busyHolds; }
    std::string TempPreference() const override { return temp; }
    bool RefreshAudio(const RefreshRequest& request) override {
        refreshes.push_back(request);
        return refreshSucceeds;
    }
    void PreparePeakRemoval(std::uint32_t first, std::uint32_t last) override {
        prepared.push_back({first, last});
    }
    void ShowDocument() override { ++documentsShown; }
    void CommandsFromDocument() override { ++commandsFromDocument; }
    void EnableCommand(EditCommand command, bool on) override { commands[command] = on; }
    QWidget* DialogParent() override { return nullptr; }
};

class EditControllerTest : public ::testing::Test {
protected:
    EditControllerTest() {
        surface.temp = folder.path();
        auto document = std::make_unique<AudioDocument>();
        document->fileName = folder.file("take.wav");
        document->workFile = folder.file("work.tmp");
        document->undoFile = folder.file("undo.tmp");
        document->redoFile = folder.file("redo.tmp");
        document->state = DocumentState::Clean;
        writeFile(document->workFile, pcmWave(44100, 16, 2, ramp(kFrames)));
        documents.append(std::move(document));
        documents.setCurrent(0);
        controller.SetEngine(&editor);
    }
    AudioDocument& document() { return *documents.current(); }
    // The working copy's frames, from its data chunk (the engine may write a longer header).
    std::uint32_t workFrames() {
        const std::string bytes = readFile(document().workFile);
        const std::size_t data = bytes.find("data");
        if (data == std::string::npos || data + 8 > bytes.size()) return 0;
        std::uint32_t size = 0;
        for (int i = 3; i >= 0; --i)
            size = size << 8 | static_cast<unsigned char>(bytes[data + 4 + i]);
        return size / 4;
    }

    TempFolder folder;
    RecordedSurface surface;
    ScriptedDialogs dialogs;
    DocumentList documents;
    AudioEditor editor;
    EditController controller{surface, dialogs, documents};
};

TEST_F(EditControllerTest, CutKeepsUndoRefreshesByDroppingTheRangeAndSwitchesCommands) {
    const std::string before = readFile(document().workFile);
    surface.shown.first = 600;  // dragged from right to left
    surface.shown.last = 100;
    surface.shown.caret = 600;
    controller.EditCutMenuClick();

    EXPECT_EQ(workFrames(), kFrames - 500);
    EXPECT_EQ(readFile(document().undoFile), before);
    EXPECT_EQ(document().state, DocumentState::Modified);
    ASSERT_EQ(surface.refreshes.size(), 1u);
    EXPECT_EQ(surface.refreshes[0].kind, RefreshKind::DropRange);
    EXPECT_EQ(surface.refreshes[0].caret, 100u) << "the caret goes to the removed range's start";
    EXPECT_EQ(surface.refreshes[0].first, 600u);
    EXPECT_EQ(surface.refreshes[0].last, 100u);
    EXPECT_TRUE(surface.refreshes[0].wasWhole);
    // Told before the cut, so that the peaks can be worked out while it is made.
    EXPECT_EQ(surface.prepared, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{600, 100}}));
    EXPECT_EQ(surface.documentsShown, 1);
    EXPECT_TRUE(surface.commands[EditCommand::Undo]);
    EXPECT_FALSE(surface.commands[EditCommand::Redo]);
    EXPECT_TRUE(surface.commands[EditCommand::Save]);
    EXPECT_TRUE(surface.commands[EditCommand::Revert]);
    EXPECT_TRUE(surface.commands[EditCommand::Paste]) << "the cut audio is on the clipboard";
    EXPECT_EQ(surface.maxBusyHolds, 1);
    EXPECT_EQ(surface.busyHolds, 0) << "the busy flag is given back";
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::Progress);
    EXPECT_EQ(dialogs.shown()[0].caption, "Cut...");
    EXPECT_TRUE(dialogs.shown()[0].cancelOffered);

    // Undo brings the audio back and refreshes by rebuilding from the file it attaches again.
    surface.caretReadout = 42;
    controller.EditUndoMenuClick();
    EXPECT_EQ(readFile(document().workFile), before);
    ASSERT_EQ(surface.refreshes.size(), 2u);
    EXPECT_EQ(surface.refreshes[1].kind, RefreshKind::Rebuild);
    EXPECT_TRUE(surface.refreshes[1].attach);
    EXPECT_EQ(surface.refreshes[1].caret, 42u);
    EXPECT_EQ(surface.commandsFromDocument, 1);
    EXPECT_TRUE(std::filesystem::exists(document().redoFile));
}

TEST_F(EditControllerTest, NothingHappensWhileTheTransportRunsOrWithoutASelectionToCut) {
    const std::string before = readFile(document().workFile);
    surface.transportBusy = true;
    surface.shown.first = 0;
    surface.shown.last = 10;
    controller.EditCutMenuClick();
    surface.transportBusy = false;
    surface.shown.last = 0;
    EXPECT_EQ(controller.EditWorkingCopy(EditOperation::Crop), 0);
    EXPECT_EQ(readFile(document().workFile), before);
    EXPECT_TRUE(surface.refreshes.empty());
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(surface.maxBusyHolds, 1) << "the crop took the busy flag before looking";
    EXPECT_EQ(surface.busyHolds, 0);
}

TEST_F(EditControllerTest, AWorkingCopyThatIsNotReadyCancelsTheCommand) {
    surface.workingCopyReady = false;
    surface.shown.last = 10;
    EXPECT_EQ(controller.EditWorkingCopy(EditOperation::Clear), kCancelled);
    EXPECT_FALSE(std::filesystem::exists(document().undoFile));
    EXPECT_EQ(surface.busyHolds, 0);
}

TEST_F(EditControllerTest, ATransformOfAnyKindTakesTheSamePathWithItsCaption) {
    const std::string before = readFile(document().workFile);
    surface.shown.caret = 250;
    // A tool that halves the file: whatever it writes becomes the working copy.
    WorkerTransform halve("Halve...", [](const std::string& source, const std::string& result,
                                         std::atomic<int>& progress, const std::atomic<bool>&) {
        std::vector<std::int16_t> samples = ramp(kFrames / 2);
        (void)source;
        writeFile(result, pcmWave(44100, 16, 2, samples));
        progress = 100;
        return 0;
    });
    EXPECT_EQ(controller.RunTransform(halve), 0);
    EXPECT_EQ(readFile(document().undoFile), before);
    EXPECT_EQ(readFile(document().workFile), pcmWave(44100, 16, 2, ramp(kFrames / 2)));
    ASSERT_EQ(surface.refreshes.size(), 1u);
    EXPECT_EQ(surface.refreshes[0].kind, RefreshKind::Rebuild);
    EXPECT_EQ(surface.refreshes[0].caret, 250u);
    EXPECT_EQ(dialogs.shown().back().caption, "Halve...");
}

TEST_F(EditControllerTest, AFailingTransformIsShownOnceAndLeavesEverything) {
    const std::string before = readFile(document().workFile);
    WorkerTransform failing("Effect...",
                            [](const std::string&, const std::string&, std::atomic<int>&,
                               const std::atomic<bool>&) { return 160; });
    EXPECT_EQ(controller.RunTransform(failing), 160);
    EXPECT_EQ(readFile(document().workFile), before);
    EXPECT_EQ(document().state, DocumentState::Clean);
    EXPECT_TRUE(surface.refreshes.empty());
    int messages = 0;
    for (const ShownDialog& shown : dialogs.shown()) {
        if (shown.kind == ShownDialog::Kind::Message) {
            ++messages;
            EXPECT_EQ(shown.text, QString::fromStdString(FormatMessage(160, {})));
        }
    }
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(folder.path(), surface.temp);
    // Only the working copy is left: the reserved result was deleted.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(EditControllerTest, CancelInTheProgressDialogKeepsTheAudioAndReadsAsCancelled) {
    const std::string before = readFile(document().workFile);
    std::atomic<bool> running{false};
    WorkerTransform slow("Slow...",
                         [&running](const std::string&, const std::string&, std::atomic<int>&,
                                    const std::atomic<bool>& cancelled) {
                             running = true;
                             while (!cancelled)
                                 std::this_thread::sleep_for(std::chrono::milliseconds(1));
                             return 0;
                         });
    dialogs.cancelNextProgressAfter(1);
    EXPECT_EQ(controller.RunTransform(slow), kCancelled);
    EXPECT_TRUE(running);
    EXPECT_EQ(readFile(document().workFile), before);
    EXPECT_FALSE(std::filesystem::exists(document().undoFile));
    EXPECT_TRUE(surface.refreshes.empty());
}

TEST_F(EditControllerTest, PasteWithoutASelectionGoesToTheCaretReadout) {
    surface.shown.first = 0;
    surface.shown.last = 100;
    controller.EditCopyMenuClick();
    EXPECT_TRUE(surface.commands[EditCommand::Paste]);
    EXPECT_FALSE(std::filesystem::exists(document().undoFile)) << "Copy changes no audio";

    surface.shown.last = 0;
    surface.caretReadout = 700;
    controller.EditPasteMenuClick();
    EXPECT_EQ(workFrames(), kFrames + 100);
    ASSERT_EQ(surface.refreshes.size(), 1u);
    EXPECT_EQ(surface.refreshes[0].caret, 700u);
    EXPECT_EQ(surface.commandsFromDocument, 1) << "Paste sets every command from the document";
}

TEST_F(EditControllerTest, UndoFileThatCannotBeMadeIsShownAndTheEditGoesOn) {
    document().undoFile = folder.file("vanished/undo.tmp");
    surface.shown.first = 0;
    surface.shown.last = 10;
    controller.EditClearMenuClick();
    EXPECT_EQ(workFrames(), kFrames - 10);
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shownTexts().filter("undo/redo").size(), 1);
    EXPECT_FALSE(surface.commands[EditCommand::Undo]);
}

}  // namespace
}  // namespace sonthra
