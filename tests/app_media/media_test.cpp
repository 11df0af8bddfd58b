// MP3 and WMA documents, their song information and batch export, driven through the real main
// window: files made by lame and ffmpeg open, what the window saves is read back by mpg123,
// sox and ffprobe.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "app/ui/media_controller.h"
#include "app_docs/docs_fixture.h"
#include "convert/ui/batch_param_form.h"
#include "convert/ui/wave_to_mp3_form.h"
#include "convert/ui/wma_export_form.h"
#include "tags/ui/song_info_form.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The command's standard output without its last line break.
std::string outputOf(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
        ::pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string probe(const std::string& path, const std::string& entries) {
    return outputOf("ffprobe -v error -show_entries " + entries + " -of default=nw=1:nk=1 " +
                    quoted(path));
}

std::uint64_t soxFrames(const std::string& wav) {
    return std::stoull("0" + outputOf("soxi -s " + quoted(wav)));
}

// Acts on the first modal window of type W as soon as it shows; act returns false to be
// called again on the next tick.
template <typename W>
void whenModal(std::function<bool(W&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (window != nullptr && window->isVisible() && act(*window)) timer->deleteLater();
    });
    timer->start();
}

void pressMp3Start() {
    whenModal<TWaveToMP3ConversionForm>([](TWaveToMP3ConversionForm& window) {
        auto* start = window.findChild<QPushButton*>("StartButton");
        if (!start->isEnabled()) return false;
        start->click();
        return true;
    });
}

class MediaTest : public DocumentWindowTest {
protected:
    // Answers the song information window with a title and an artist, then OK.
    void editSongInfo(const QString& title, const QString& artist) {
        whenModal<TSongInfoForm>([title, artist](TSongInfoForm& window) {
            window.titleEdit->setText(title);
            window.artistEdit->setText(artist);
            window.Button1->click();
            return true;
        });
        trigger("songInfoMenu");
    }
    std::uint32_t frames() const {
        const AudioDocument* document = form.CurrentDocument();
        return document ? document->frames : 0;
    }
    // Answers the batch window: the folder, MP3 (0) or WMA (1), and whether to overwrite.
    static void answerBatch(const std::string& folder, int format, bool overwrite) {
        whenModal<TBatchProcessParamSelectionForm>([=](TBatchProcessParamSelectionForm& w) {
            w.findChild<QLineEdit*>("SaveLocationEditBox")->setText(QString::fromStdString(folder));
            w.findChild<QComboBox*>("FormatSelectionComboBox")->setCurrentIndex(format);
            w.findChild<QAbstractButton*>("Overwrightcheckbox")->setChecked(overwrite);
            w.findChild<QPushButton*>("Button1")->click();
            return true;
        });
    }
};

TEST_F(MediaTest, Mp3OpensWithItsTagAndSavesAsWavAndMp3WithTheEditedTag) {
    const std::string wav = makeWav("tone.wav", 88200);
    const std::string mp3 = user.file("song.mp3");
    ASSERT_TRUE(run("lame --quiet -b 128 --add-id3v2 --tt 'Lame Title' --ta 'Lame Artist' " +
                    quoted(wav) + " " + quoted(mp3)));
    ASSERT_TRUE(run("mpg123 -q -w " + quoted(user.file("peer.wav")) + " " + quoted(mp3)));

    openByMenu(mp3);
    const AudioDocument* document = form.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->sourceKind, SourceKind::Mp3);
    EXPECT_EQ(document->mp3BitRate, 128);
    EXPECT_EQ(document->state, DocumentState::Clean);
    EXPECT_EQ(frames(), soxFrames(user.file("peer.wav")));
    EXPECT_EQ(frames(), 88200u);  // the encoder delay and padding are honoured
    ASSERT_NE(document->tag.v2(), nullptr);
    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();

    // A changed title makes the document Modified and Save available.
    editSongInfo(QString::fromUtf8("Ωmega Song"), "Band");
    EXPECT_EQ(document->state, DocumentState::Modified);
    EXPECT_TRUE(enabled("FileSaveMenu"));

    // Save As with the WAV filter: the id3 chunk carries the tag, in Greek too.
    dialogs.queueFile(QString::fromStdString(user.file("edited")), 1);
    trigger("FileSaveAsMenu");
    const std::string savedWav = user.file("edited.wav");
    ASSERT_TRUE(fs::exists(savedWav));
    EXPECT_EQ(probe(savedWav, "format_tags=title"), "Ωmega Song");
    EXPECT_EQ(probe(savedWav, "format_tags=artist"), "Band");
    EXPECT_EQ(soxFrames(savedWav), 88200u);
    EXPECT_EQ(document->sourceKind, SourceKind::Wav);
    EXPECT_EQ(document->state, DocumentState::Clean);

    // Save As with the MP3 filter and a bare name: name.mp3, encoded after Start, tagged, and
    // the document goes on from what was saved: the old working copy goes.
    const std::string wavWork = document->workFile;
    pressMp3Start();
    dialogs.queueFile(QString::fromStdString(user.file("again")), 2);
    trigger("FileSaveAsMenu");
    const std::string savedMp3 = user.file("again.mp3");
    ASSERT_TRUE(fs::exists(savedMp3));
    EXPECT_FALSE(fs::exists(user.file("again.wav")));
    EXPECT_EQ(probe(savedMp3, "stream=codec_name"), "mp3");
    EXPECT_EQ(probe(savedMp3, "format_tags=title"), "Ωmega Song");
    document = form.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->fileName, savedMp3);
    EXPECT_EQ(document->sourceKind, SourceKind::Mp3);
    EXPECT_EQ(document->state, DocumentState::Clean);
    EXPECT_GT(document->mp3BitRate, 0);
    EXPECT_FALSE(fs::exists(wavWork));
    ASSERT_TRUE(
        run("mpg123 -q -w " + quoted(user.file("again-peer.wav")) + " " + quoted(savedMp3)));
    EXPECT_EQ(frames(), soxFrames(user.file("again-peer.wav")));
    EXPECT_EQ(form.windowTitle(), "Sonthra: again.mp3");

    // Reopened, the MP3 has the frames the WAV had.
    trigger("FileCloseMenu");
    openByMenu(savedMp3);
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(frames(), 88200u);
    ASSERT_NE(form.CurrentDocument()->tag.v2(), nullptr);

    // A changed tag alone is written into the file: the audio frames stay the very same bytes
    // (no second encoding, no generation loss).
    const std::int32_t kbps = form.CurrentDocument()->mp3BitRate;
    ASSERT_TRUE(run("mpg123 -q -w " + quoted(user.file("before.wav")) + " " + quoted(savedMp3)));
    editSongInfo("Second", "Band");
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Modified);
    dialogs.clearShown();
    trigger("FileSaveMenu");
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Clean);
    EXPECT_FALSE(enabled("FileSaveMenu"));
    EXPECT_FALSE(fs::exists(savedMp3 + ".safe"));
    EXPECT_EQ(outputOf("/usr/bin/python3 -c \"import mutagen.mp3,sys; "
                       "print(mutagen.mp3.MP3(sys.argv[1]).tags['TIT2'].text[0])\" " +
                       quoted(savedMp3)),
              "Second");
    ASSERT_TRUE(run("mpg123 -q -w " + quoted(user.file("after.wav")) + " " + quoted(savedMp3)));
    EXPECT_EQ(test::readFile(user.file("after.wav")), test::readFile(user.file("before.wav")));
    EXPECT_EQ(std::stoi(probe(savedMp3, "stream=bit_rate")) / 1000, kbps);
    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();

    // After an edit of the audio as well, Save encodes it again: the muted audio is heard.
    editSongInfo("Third", "Band");
    ASSERT_EQ(form.Edit().EditWorkingCopy(EditOperation::Mute, 3), 0);
    ASSERT_FALSE(form.CurrentDocument()->tagOnly);
    trigger("FileSaveMenu");
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Clean);
    EXPECT_EQ(probe(savedMp3, "format_tags=title"), "Third");
    EXPECT_EQ(frames(), 88200u);
    ASSERT_TRUE(run("mpg123 -q -w " + quoted(user.file("muted.wav")) + " " + quoted(savedMp3)));
    EXPECT_EQ(outputOf("sox " + quoted(user.file("muted.wav")) +
                       " -n stat 2>&1 | grep 'Maximum amplitude'"),
              "Maximum amplitude:     0.000000");
}

TEST_F(MediaTest, SongInfoOfACleanWavIsWrittenAloneAndAWavSavedAsMp3KeepsItsFrames) {
    const std::string wav = makeWav("plain.wav", 50000, 48000, 1);
    openByMenu(wav);
    ASSERT_TRUE(waitForWorkingCopy());
    EXPECT_TRUE(form.CurrentDocument()->tag.empty());
    // OK without a change: the document stays Clean, Save stays off.
    whenModal<TSongInfoForm>([](TSongInfoForm& window) {
        window.Button1->click();
        return true;
    });
    click("songInfoButton");
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Clean);
    EXPECT_FALSE(enabled("FileSaveMenu"));

    // A name typed with ".mp3" under the WAV filter still means MP3.
    pressMp3Start();
    dialogs.queueFile(QString::fromStdString(user.file("mono.MP3")), 1);
    trigger("FileSaveAsMenu");
    ASSERT_TRUE(fs::exists(user.file("mono.MP3")));
    EXPECT_EQ(probe(user.file("mono.MP3"), "stream=sample_rate"), "48000");
    trigger("FileCloseMenu");
    openByMenu(user.file("mono.MP3"));
    ASSERT_NE(form.CurrentDocument(), nullptr);
    EXPECT_EQ(frames(), 50000u);
    EXPECT_EQ(form.CurrentDocument()->channels, 1u);
}

TEST_F(MediaTest, WmaOpensAsAnUnsavedDocumentAndSavesBackToWma) {
    const std::string wav = makeWav("src.wav", 88200);
    const std::string wma = user.file("music.wma");
    ASSERT_TRUE(
        run("ffmpeg -v error -y -i " + quoted(wav) + " -c:a wmav2 -b:a 128k " + quoted(wma)));
    ASSERT_EQ(form.Files().LoadWmaFile(QString::fromStdString(wma)), 0);
    const AudioDocument* document = form.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->fileName, wma);
    EXPECT_EQ(document->state, DocumentState::New);
    EXPECT_NEAR(static_cast<double>(frames()), 88200.0, 4096.0);
    EXPECT_TRUE(enabled("FileSaveMenu"));

    // Save goes through the WMA export window.
    const std::string out = user.file("back.wma");
    whenModal<TWMAExportForm>([out](TWMAExportForm& window) {
        window.findChild<QLineEdit*>("exportFileNameEdit")->setText(QString::fromStdString(out));
        window.findChild<QPushButton*>("ExportButton")->click();
        return true;
    });
    trigger("FileSaveMenu");
    ASSERT_TRUE(fs::exists(out));
    EXPECT_EQ(probe(out, "stream=codec_name"), "wmav2");
    EXPECT_EQ(form.CurrentDocument()->state, DocumentState::Clean);
    EXPECT_FALSE(enabled("FileSaveMenu"));

    // A file that is no WMA gets the product's message and opens nothing.
    trigger("FileCloseMenu");
    dialogs.clearShown();
    test::writeFile(user.file("fake.wma"), test::readFile(wav));
    EXPECT_EQ(form.Files().LoadWmaFile(QString::fromStdString(user.file("fake.wma"))), 489);
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_EQ(messages(), QStringList{"WMA File format is not proper!!"});
}

TEST_F(MediaTest, BatchExportWritesMp3AndWmaAndSkipsExistingNames) {
    const std::string wav = makeWav("take.wav", 44100);
    openByMenu(wav);
    ASSERT_TRUE(waitForWorkingCopy());
    const std::string folder = user.file("out");
    fs::create_directory(folder);
    auto answerBatch = [folder](int format, bool overwrite) {
        MediaTest::answerBatch(folder, format, overwrite);
    };

    // WMA: the document keeps its name.
    answerBatch(1, false);
    form.Media().BatchExportMenuClick();
    EXPECT_EQ(probe(folder + "/take.wma", "stream=codec_name"), "wmav2");
    EXPECT_EQ(form.CurrentDocument()->fileName, wav);

    // MP3: the first export waits for Start; the document now names its MP3.
    answerBatch(0, false);
    pressMp3Start();
    form.Media().BatchExportMenuClick();
    EXPECT_EQ(probe(folder + "/take.mp3", "stream=codec_name"), "mp3");
    EXPECT_EQ(form.CurrentDocument()->fileName, folder + "/take.mp3");
    EXPECT_EQ(form.CurrentDocument()->sourceKind, SourceKind::Mp3);
    EXPECT_EQ(form.windowTitle(), "Sonthra: take.mp3");

    // Again with overwrite off: nothing is written and the skip is reported once.
    const auto before = fs::last_write_time(folder + "/take.mp3");
    dialogs.clearShown();
    answerBatch(0, false);
    form.Media().BatchExportMenuClick();
    EXPECT_EQ(fs::last_write_time(folder + "/take.mp3"), before);
    EXPECT_EQ(messages(), QStringList{kBatchSkippedText});
}

TEST_F(MediaTest, BatchExportToMp3LeavesTheDocumentAsASaveAsWould) {
    const std::string wav = makeWav("take.wav", 44100);
    openByMenu(wav);
    ASSERT_TRUE(waitForWorkingCopy());
    editSongInfo("Batch Title", "Band");
    ASSERT_EQ(form.CurrentDocument()->state, DocumentState::Modified);
    const std::string folder = user.file("out");
    fs::create_directory(folder);

    answerBatch(folder, 0, false);
    pressMp3Start();
    form.Media().BatchExportMenuClick();
    const std::string mp3 = folder + "/take.mp3";
    EXPECT_EQ(probe(mp3, "format_tags=title"), "Batch Title");
    const AudioDocument* document = form.CurrentDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->fileName, mp3);
    EXPECT_EQ(document->state, DocumentState::Clean);
    EXPECT_FALSE(enabled("FileSaveMenu"));
    // The MP3 holds what the document holds: closing asks nothing.
    dialogs.clearShown();
    trigger("FileCloseMenu");
    EXPECT_EQ(form.CurrentDocument(), nullptr);
    EXPECT_TRUE(messages().isEmpty()) << messages().join("|").toStdString();
}

}  // namespace
}  // namespace sonthra
