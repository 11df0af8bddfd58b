// The document controller without a window: a recorded surface stands in for the main window,
// the real engine reads the files, scripted dialogs answer, and MP3 is a converter and encoder
// of the test's own that count their calls. Checks the open, close, save and MP3 sequences and
// what they leave on the disk.
#include "app/ui/document_controller.h"

#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "app/transport_controller.h"
#include "app/ui/command_states.h"
#include "app/ui/document_session.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/nx_wave_player.h"
#include "engine/wav_maker.h"
#include "messages/message_table.h"
#include "support/mpeg_frames.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;
using test::pcmWave;
using test::readFile;
using test::TempFolder;
using test::writeFile;

std::string wave(std::uint32_t frames, std::int16_t level = 1000) {
    return pcmWave(44100, 16, 2, std::vector<std::int16_t>(std::size_t{frames} * 2, level));
}

// The main window as the controller sees it, recording what it was asked.
class RecordedSurface : public DocumentSurface {
public:
    std::vector<std::uint32_t> parts;                 // ids of the documents with parts
    std::vector<std::pair<std::string, bool>> peaks;  // file, tryPeakFile
    std::vector<std::string> renamed;
    std::vector<int> states;
    std::map<EditCommand, bool> commands;
    int noDocument = 0;
    int stops = 0;

    int CreateParts(AudioDocument& document) override {
        parts.push_back(document.id);
        return 0;
    }
    void DestroyParts(std::uint32_t id) override { std::erase(parts, id); }
    void OpenEmptyAudio(const AudioDocument&) override {}
    int BuildPeaks(const std::string& file, bool tryPeakFile) override {
        peaks.emplace_back(file, tryPeakFile);
        return 0;
    }
    int BuildOverview(const std::string&, bool) override { return 0; }
    void ShowParts(const AudioDocument*) override {}
    void PlaceDocumentButtons() override {}
    void ShowDocument() override {}
    void ShowNoDocument() override { ++noDocument; }
    void ShowRenamed(const AudioDocument& document) override {
        renamed.push_back(document.fileName);
    }
    void SwitchCommands(int state) override { states.push_back(state); }
    void EnableCommand(EditCommand command, bool on) override { commands[command] = on; }
    void PodcastCommands(const AudioDocument&) override {}
    void SongInfoCommands() override {}
    void CommandsFromDocument() override {}
    void StopPlayback() override { ++stops; }
    void StopRecording() override { ++stops; }
    bool AskRecordingFormat(RecordFormat& format) override {
        format = RecordingFormat();
        return true;
    }
    RecordFormat RecordingFormat() const override { return {44100, 16, 2}; }
    int ExportToWma(const std::string&, const std::string&) override { return kCancelled; }
    QWidget* DialogParent() override { return nullptr; }
};

class DocumentControllerTest : public ::testing::Test {
protected:
    DocumentControllerTest() {
        session.TempPreferenceSource = [this] { return temp.path(); };
        controller.Attach(&engine, nullptr);
    }
    AudioDocument* current() { return session.Current(); }
    bool waitForWorkingCopy() {
        return QTest::qWaitFor([&] {
            return current() != nullptr && current()->workspace != WorkspaceState::BeingCreated;
        });
    }
    std::size_t tempFiles() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()));
    }
    // MP3 services whose "MP3 files" hold a few silent frames behind whatever tag was written;
    // the converter yields a fixed number of frames so that a reopened document is
    // recognisable.
    void fakeMp3(std::uint32_t decodedFrames) {
        Mp3Services mp3;
        mp3.canConvert = [](const std::string&) { return true; };
        mp3.bitRate = [](const std::string&) { return 128u; };
        mp3.convertToWave = [this, decodedFrames](const std::string& source,
                                                  const std::string& target) {
            converted.push_back(source);
            writeFile(target, wave(decodedFrames, 7));
            return 0;
        };
        mp3.encode = [this](const std::string& source, const std::string& target, bool,
                            std::int32_t) {
            encoded.push_back(source);
            writeFile(target, testing::mpegFrames(3));
            return 0;
        };
        controller.SetMp3Services(mp3);
    }

    TempFolder user;
    TempFolder temp;
    RecordedSurface surface;
    ScriptedDialogs dialogs;
    DocumentSession session{dialogs, nullptr};
    TransportController transport;
    NXWavePlayer engine;
    DocumentController controller{surface, session, dialogs, transport};
    std::vector<std::string> converted;
    std::vector<std::string> encoded;
};

TEST_F(DocumentControllerTest, OpensAWavFromItsOwnFileAndRefusesAnUnreadableOneBeforeClosing) {
    const std::string take = user.file("take.wav");
    writeFile(take, wave(4410));
    ASSERT_EQ(controller.OpenFileByPath(QString::fromStdString(take)), 0);
    AudioDocument* document = current();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->state, DocumentState::Clean);
    EXPECT_EQ(document->frames, 4410u);
    // Shown from the user's file (its peak file tried first) while the working copy is made.
    ASSERT_EQ(surface.peaks.size(), 1u);
    EXPECT_EQ(surface.peaks[0], std::make_pair(take, true));
    EXPECT_EQ(surface.states, (std::vector<int>{kStateFileOpened, kStateNoSelection}));
    ASSERT_TRUE(waitForWorkingCopy());
    EXPECT_EQ(readFile(document->workFile), readFile(take));

    const std::string broken = user.file("broken.wav");
    writeFile(broken, "RIFF....WAVEjunk");
    EXPECT_NE(controller.OpenFileByPath(QString::fromStdString(broken)), 0);
    ASSERT_EQ(current(), document) << "the open document stays";
    EXPECT_EQ(surface.parts.size(), 1u);
    EXPECT_EQ(controller.OpenFileByPath(QString::fromStdString(user.file("gone.wav"))), 184);
    EXPECT_EQ(current(), document);
}

TEST_F(DocumentControllerTest, ClosingUnsavedAudioAsksAndLeavesNothingBehindOnNo) {
    const std::string take = user.file("take.wav");
    writeFile(take, wave(2000));
    controller.OpenAsUnsaved(QString::fromStdString(take), {}, false);
    ASSERT_NE(current(), nullptr);
    EXPECT_EQ(current()->state, DocumentState::New);
    EXPECT_TRUE(surface.commands[EditCommand::Save]);

    dialogs.queueAnswer(DialogAnswer::Cancel);
    EXPECT_EQ(controller.CloseDocument(0, true), kCancelled);
    ASSERT_NE(current(), nullptr);

    dialogs.queueAnswer(DialogAnswer::No);
    EXPECT_EQ(controller.CloseDocument(0, true), 0);
    EXPECT_EQ(current(), nullptr);
    EXPECT_TRUE(surface.parts.empty());
    EXPECT_EQ(surface.noDocument, 1);
    EXPECT_EQ(tempFiles(), 0u) << "working copy, undo and redo files go with the document";
    EXPECT_TRUE(fs::exists(take)) << "the user's own file stays";
}

TEST_F(DocumentControllerTest, SaveAsWavNamesTheDocumentCleanWithUndoEmptied) {
    const std::string take = user.file("take.wav");
    writeFile(take, wave(3000));
    controller.OpenAsUnsaved(QString::fromStdString(take), {}, false);
    writeFile(current()->undoFile, "old audio");
    dialogs.queueFile(QString::fromStdString(user.file("kept")));
    controller.FileSaveMenuClick(2);

    const std::string target = user.file("kept.wav");
    EXPECT_EQ(readFile(target), readFile(take));
    EXPECT_EQ(current()->fileName, target);
    EXPECT_EQ(current()->state, DocumentState::Clean);
    EXPECT_EQ(surface.renamed, std::vector<std::string>{target});
    EXPECT_FALSE(surface.commands[EditCommand::Save]);
    EXPECT_FALSE(surface.commands[EditCommand::Revert]);
    EXPECT_FALSE(surface.commands[EditCommand::Undo]);
    EXPECT_EQ(fs::file_size(current()->undoFile), 0u);

    // A cancelled dialog changes nothing.
    writeFile(current()->workFile, wave(10));
    current()->state = DocumentState::Modified;
    dialogs.queueFile({});
    controller.FileSaveMenuClick(2);
    EXPECT_EQ(current()->state, DocumentState::Modified);
    EXPECT_EQ(readFile(target), readFile(take));
}

TEST_F(DocumentControllerTest, AChangedTagAloneIsSavedIntoTheMp3WithoutEncoding) {
    fakeMp3(1234);
    const std::string song = user.file("song.mp3");
    writeFile(song, testing::mpegFrames(3));
    ASSERT_EQ(controller.OpenFileByPath(QString::fromStdString(song)), 0);
    const std::string audio = readFile(song);
    current()->tag.attachV2().setTitle("New title");
    controller.SongInfoConfirmed(true);
    EXPECT_EQ(current()->state, DocumentState::Modified);
    EXPECT_TRUE(surface.commands[EditCommand::Save]);

    controller.FileSaveMenuClick(1);
    EXPECT_TRUE(encoded.empty()) << "the audio is not encoded again";
    EXPECT_EQ(current()->state, DocumentState::Clean);
    const std::string saved = readFile(song);
    EXPECT_TRUE(saved.starts_with("ID3"));
    EXPECT_TRUE(saved.ends_with(audio)) << "the audio behind the tag is the file's own";
    EXPECT_NE(saved.find("New title"), std::string::npos);
    EXPECT_EQ(converted.size(), 1u) << "nothing to reopen after a tag alone";

    // Once the audio changed too, Save encodes it.
    current()->tag.v2()->setTitle("Third");
    controller.SongInfoConfirmed(true);
    current()->tagOnly = false;  // as an edit of the audio leaves it
    controller.FileSaveMenuClick(1);
    EXPECT_EQ(encoded.size(), 1u);
}

TEST_F(DocumentControllerTest, AnEncodedMp3IsReopenedFromTheSavedFile) {
    fakeMp3(1234);
    const std::string take = user.file("take.wav");
    writeFile(take, wave(3000));
    ASSERT_EQ(controller.OpenFileByPath(QString::fromStdString(take)), 0);
    ASSERT_TRUE(waitForWorkingCopy());
    const std::string oldWork = current()->workFile;

    dialogs.queueFile(QString::fromStdString(user.file("out")), 2);
    controller.FileSaveMenuClick(2);
    const std::string target = user.file("out.mp3");
    ASSERT_EQ(encoded.size(), 1u);
    ASSERT_EQ(converted, std::vector<std::string>{target}) << "opened again from the saved file";
    AudioDocument* document = current();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(session.Documents().count(), 1u);
    EXPECT_EQ(document->fileName, target);
    EXPECT_EQ(document->sourceKind, SourceKind::Mp3);
    EXPECT_EQ(document->state, DocumentState::Clean);
    EXPECT_EQ(document->frames, 1234u) << "the document holds what the MP3 decodes to";
    EXPECT_FALSE(fs::exists(oldWork)) << "the old working copy does not linger";
    EXPECT_TRUE(fs::exists(take));
}

}  // namespace
}  // namespace sonthra
