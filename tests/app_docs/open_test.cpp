// Opening in the window: a file opens as what it holds whatever its name says, other files are
// refused by what they are, and an open that is refused, fails or is cancelled leaves the open
// document as it was, its undo included.
#include <filesystem>

#include "app/ui/document_controller.h"
#include "app_docs/docs_fixture.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;

class OpenTest : public DocumentWindowTest {
protected:
    // An MP3 file made by lame from a tone, under any name.
    std::string makeMp3(const std::string& name, std::uint32_t frames) {
        const std::string wav = makeWav(name + ".source.wav", frames);
        const std::string mp3 = user.file(name);
        const std::string command = "lame --quiet '" + wav + "' '" + mp3 + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        fs::remove(wav);
        return mp3;
    }
    // A converter that answers result, and writes a short WAV of the tone when it succeeds.
    void converterAnswering(int result) {
        Mp3Services mp3;
        mp3.canConvert = [](const std::string&) { return true; };
        mp3.bitRate = [this](const std::string&) { return bitRate; };
        mp3.convertToWave = [this, result](const std::string& source, const std::string& to) {
            converted.push_back(source);
            if (result == 0)
                fs::copy_file(makeWav("decoded.wav", 2205), to,
                              fs::copy_options::overwrite_existing);
            return result;
        };
        form.Files().SetMp3Services(mp3);
    }
    // A document with an edit to undo.
    void openEditedDocument() {
        openByMenu(makeWav("keep.wav", 44100));
        ASSERT_TRUE(waitForWorkingCopy());
        trigger("EditSelectAllMenu");
        trigger("EditCutMenu");
        ASSERT_TRUE(enabled("EditUndoMenu"));
        ASSERT_EQ(form.CurrentDocument()->state, DocumentState::Modified);
    }
    // The edited document is still there, unchanged, and nothing was asked about it.
    void expectEditedDocumentKept() {
        const AudioDocument* document = form.CurrentDocument();
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->fileName, user.file("keep.wav"));
        EXPECT_EQ(document->state, DocumentState::Modified);
        EXPECT_EQ(document->frames, 0u) << "what the cut left";
        EXPECT_TRUE(enabled("EditUndoMenu"));
        EXPECT_EQ(form.Documents().count(), 1u);
        for (const QString& text : messages())
            EXPECT_FALSE(text.contains("Do you want to save")) << text.toStdString();
    }

    std::uint32_t bitRate = 128;
    std::vector<std::string> converted;
};

TEST_F(OpenTest, FilesOpenAsWhatTheyHoldWhateverTheirName) {
    converterAnswering(0);
    const std::string wavAsMp3 = user.file("speech.mp3");
    fs::rename(makeWav("speech.wav", 4410), wavAsMp3);
    openByMenu(wavAsMp3);
    ASSERT_TRUE(waitForWorkingCopy());
    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();
    EXPECT_TRUE(converted.empty()) << "a WAV file is not decoded as MP3";
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(form.CurrentDocument()->sourceKind, SourceKind::Wav);
    EXPECT_EQ(form.CurrentDocument()->frames, 4410u);

    const std::string mp3AsWav = makeMp3("song.wav", 22050);
    openByMenu(mp3AsWav);
    ASSERT_EQ(converted, std::vector<std::string>{mp3AsWav});
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(form.CurrentDocument()->fileName, mp3AsWav);
    EXPECT_EQ(form.CurrentDocument()->sourceKind, SourceKind::Mp3);
}

// Each open below would once have closed the edited document first (the queued No answering
// its save prompt); now nothing is asked and the document stays.
TEST_F(OpenTest, ARefusedFailedCancelledOrTooLargeOpenLeavesTheOpenDocumentWithItsUndo) {
    const std::string mp3 = makeMp3("song.mp3", 22050);
    const std::string m4a = user.file("tune.mp3"), deep = user.file("take.wav");
    ASSERT_EQ(
        std::system(("ffmpeg -v error -i '" + mp3 + "' -c:a aac -f mp4 '" + m4a + "'").c_str()), 0);
    ASSERT_EQ(std::system(("sox -n -b 24 '" + deep + "' synth 0.2 sine 440").c_str()), 0);
    const std::string big = user.file("long.mp3");
    fs::copy_file(mp3, big);
    fs::resize_file(big, std::uint64_t{4} << 30);  // sparse: nothing is written
    struct Case {
        std::string path;
        int converter;          // the converter's answer
        std::uint32_t bitRate;  // 8 kbit/s makes the decoded copy too large for the folder
        QString shown;
    } cases[] = {
        {m4a, 0, 128, "\"tune.mp3\" is an MP4/M4A file; Sonthra opens WAV and MP3 files."},
        {deep, 0, 128,
         "\"take.wav\" is a WAV file with 24-bit samples; Sonthra opens 8-bit and 16-bit PCM WAV "
         "files in mono or stereo."},
        {mp3, 431, 128, {}},  // cancelled
        {mp3, 429, 128, {}},  // corrupt
        {big, 0, 8,
         "Warning : There is not enough free space on your temporary drive. It is "
         "recommended to make more free space available, and try again.?"},
    };
    openEditedDocument();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + std::to_string(c.converter));
        converterAnswering(c.converter);
        bitRate = c.bitRate;
        converted.clear();
        const std::vector<std::string> before = workspaceFiles();
        dialogs.clearShown();
        dialogs.queueAnswer(DialogAnswer::No);
        openByMenu(c.path);
        if (!c.shown.isEmpty()) EXPECT_EQ(messages(), QStringList{c.shown});
        expectEditedDocumentKept();
        EXPECT_EQ(workspaceFiles(), before) << "no working copy of the failed open is left";
        EXPECT_EQ(converted.size(), c.path == mp3 ? 1u : 0u);
    }
}

}  // namespace
}  // namespace sonthra
