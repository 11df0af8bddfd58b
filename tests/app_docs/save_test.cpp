// Save, Save As and their failures through the real main window: names, states, the recent
// files, and a user's file that a full disk or a vanished folder leaves exactly as it was.
#include <sys/resource.h>

#include <csignal>

#include "docs_fixture.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;

class SaveTest : public DocumentWindowTest {
protected:
    // An unsaved document holding the audio of a generated file.
    void unsavedDocument(std::uint32_t frames = 44100) {
        source = makeWav("source.wav", frames);
        form.Files().OpenAsUnsaved(QString::fromStdString(source), {}, false);
        ASSERT_NE(form.CurrentDocument(), nullptr);
        dialogs.clearShown();
    }
    std::string source;
};

TEST_F(SaveTest, SaveAsAppendsWavAndMakesTheDocumentClean) {
    unsavedDocument();
    dialogs.queueFile(QString::fromStdString(user.file("typed")));
    trigger("FileSaveAsMenu");
    const std::string target = user.file("typed.wav");
    ASSERT_TRUE(fs::exists(target));
    EXPECT_EQ(test::readFile(target), test::readFile(source));
    const AudioDocument* document = form.CurrentDocument();
    EXPECT_EQ(document->fileName, target);
    EXPECT_EQ(document->state, DocumentState::Clean);
    EXPECT_EQ(document->sourceKind, SourceKind::Wav);
    EXPECT_EQ(form.windowTitle(), "Sonthra: typed.wav");
    EXPECT_EQ(panel(0), "typed.wav");
    EXPECT_FALSE(enabled("FileSaveMenu"));
    EXPECT_FALSE(enabled("FileRevertMenu"));
    EXPECT_TRUE(progressCaptions().contains("Saving wave file..."));
    // The dialog offered the name without its extension.
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::SaveFile);
    EXPECT_EQ(dialogs.shown()[0].text, "Untitled1");
    EXPECT_EQ(settings.readRecentFile(0).value, target);
    // Nothing but the file itself was left in its folder.
    for (const auto& entry : fs::directory_iterator(user.path())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
    }
    // Closing asks nothing now.
    dialogs.clearShown();
    trigger("FileCloseMenu");
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(SaveTest, NamesEndingInWavKeepThem) {
    unsavedDocument();
    dialogs.queueFile(QString::fromStdString(user.file("Loud.WAV")));
    trigger("FileSaveAsMenu");
    EXPECT_TRUE(fs::exists(user.file("Loud.WAV")));
    EXPECT_FALSE(fs::exists(user.file("Loud.WAV.wav")));
}

TEST_F(SaveTest, CancelledDialogLeavesANewDocumentUnsaved) {
    unsavedDocument();
    trigger("FileSaveMenu");  // a new document asks for its name
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::SaveFile);
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::New);
    EXPECT_TRUE(enabled("FileSaveMenu"));
    // The close prompt still comes, and Yes saves through the dialog.
    dialogs.clearShown();
    dialogs.queueAnswer(DialogAnswer::Yes);
    dialogs.queueFile(QString::fromStdString(user.file("kept.wav")));
    trigger("FileCloseMenu");
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_EQ(test::readFile(user.file("kept.wav")), test::readFile(source));
}

TEST_F(SaveTest, SaveOfACleanDocumentWritesNothing) {
    const std::string path = makeWav("clean.wav", 4410);
    openByMenu(path);
    ASSERT_TRUE(waitForWorkingCopy());
    const auto before = fs::last_write_time(path);
    dialogs.clearShown();
    trigger("FileSaveMenu");
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(fs::last_write_time(path), before);
    EXPECT_FALSE(enabled("FileSaveMenu"));
}

TEST_F(SaveTest, SaveAsMp3WithoutTheEncoderIsRefused) {
    unsavedDocument();
    form.Files().SetMp3Services({});  // as when the MP3 component is missing
    dialogs.queueFile(QString::fromStdString(user.file("tune.mp3")));
    dialogs.queueAnswer(DialogAnswer::No);
    trigger("FileSaveAsMenu");
    EXPECT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith("Warning: This machine does not have"));
    EXPECT_FALSE(fs::exists(user.file("tune.mp3")));
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::New);
}

TEST_F(SaveTest, Mp3SaveRestoresTheOldFileWhenTheEncoderRefuses) {
    unsavedDocument();
    const std::string target = user.file("song.mp3");
    test::writeFile(target, "the old mp3");
    int calls = 0;
    Mp3Services mp3;
    mp3.encode = [&](const std::string&, const std::string& to, bool saveAs, std::int32_t) {
        ++calls;
        EXPECT_FALSE(saveAs);
        // The old file waits in its backup while the encoder writes.
        EXPECT_EQ(test::readFile(to + ".safe"), "the old mp3");
        test::writeFile(to, "half an mp3");
        return 129;
    };
    form.Files().SetMp3Services(mp3);
    dialogs.queueFile(QString::fromStdString(target));
    trigger("FileSaveMenu");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(test::readFile(target), "the old mp3");
    EXPECT_FALSE(fs::exists(target + ".safe"));
    EXPECT_TRUE(messages().isEmpty());
}

// The safe copy fails half way through because the file may not grow any further: the old
// file is byte-identical afterwards and the document is as it was.
TEST_F(SaveTest, FullDiskLeavesTheOldFileByteIdentical) {
    unsavedDocument(441000);  // 1.7 MB of audio
    const std::string target = user.file("precious.wav");
    const std::string old = test::pcmWave(8000, 8, 1, test::makeTone(200, 8000, 1, 1000, 0.3));
    test::writeFile(target, old);
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit small { 500000, limit.rlim_max };
    ::setrlimit(RLIMIT_FSIZE, &small);
    dialogs.queueFile(QString::fromStdString(target));
    trigger("FileSaveAsMenu");
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].endsWith("Error code 146"));
    EXPECT_EQ(test::readFile(target), old);
    const AudioDocument* document = form.CurrentDocument();
    EXPECT_EQ(document->fileName, "Untitled1.wav");
    EXPECT_EQ(document->state, DocumentState::New);
    EXPECT_EQ(form.windowTitle(), "Sonthra: *Untitled1.wav");
    // No half-written file beside it.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(user.path())) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"precious.wav", "source.wav"}));
    // The working copy is whole: a later save succeeds.
    dialogs.queueFile(QString::fromStdString(target));
    trigger("FileSaveAsMenu");
    EXPECT_EQ(test::readFile(target), test::readFile(source));
}

TEST_F(SaveTest, VanishedFolderFailsTheSaveAndKeepsTheDocument) {
    unsavedDocument();
    const std::string folder = user.file("album");
    fs::create_directory(folder);
    test::writeFile(folder + "/old.wav", "old");
    fs::remove_all(folder);
    dialogs.queueFile(QString::fromStdString(folder + "/old.wav"));
    trigger("FileSaveAsMenu");
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].endsWith("Error code 146"));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::New);
    EXPECT_TRUE(enabled("FileSaveMenu"));
    EXPECT_TRUE(fs::exists(form.CurrentDocument()->workFile));
}

TEST_F(SaveTest, SaveAsUnderANewNameUpdatesTheRecentFiles) {
    const std::string path = makeWav("original.wav", 4410);
    openByMenu(path);
    ASSERT_TRUE(waitForWorkingCopy());
    dialogs.queueFile(QString::fromStdString(user.file("copy.wav")));
    trigger("FileSaveAsMenu");
    const RecentFiles recent = settings.readRecentFiles().value;
    EXPECT_EQ(recent[0], user.file("copy.wav"));
    EXPECT_EQ(recent[1], path);
    EXPECT_EQ(test::readFile(user.file("copy.wav")), test::readFile(path));
    EXPECT_EQ(form.CurrentDocument()->fileName, user.file("copy.wav"));
}

}  // namespace
}  // namespace sonthra
