// The conversion windows on the offscreen platform with scripted dialogs: the two modes of the
// MP3 export window, cancel, the stored choice, and the MP3 to WAV window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <fstream>

#include "convert/lame_library.h"
#include "convert/mp3_import.h"
#include "convert/ui/mp3_document_services.h"
#include "convert/ui/mp3_to_wave_form.h"
#include "convert/ui/wave_to_mp3_form.h"
#include "convert_test_support.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "settings/settings.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

// Runs check on the window's event loop once it is showing, every 10 ms until it returns true.
void whenShown(QWidget* window, std::function<bool()> check) {
    auto* timer = new QTimer(window);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, window, [timer, check] {
        if (check()) timer->deleteLater();
    });
    timer->start();
}

class ConvertUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        wav = dir.file("song.wav");
        ASSERT_TRUE(makeToneWav(wav, 44100, 16, 2, 1.5));
    }
    std::string readText(const std::string& path) {
        std::ifstream in(path);
        std::string text;
        std::getline(in, text);
        return text;
    }

    TempDir dir;
    std::string wav;
    ScriptedDialogs dialogs;
    Settings settings{dir.file("settings.reg")};
};

TEST_F(ConvertUiTest, SaveModeStartsByItselfWithAUsablePresetAndRemembersTheChoice) {
    TWaveToMP3ConversionForm form(dialogs, &settings);
    EXPECT_EQ(form.windowTitle(), "Corvanta Sonthra MP3 Conversion");
    const std::string target = dir.file("song.mp3");
    ASSERT_EQ(form.PrepareMP3Conversion(wav, target), 0);
    auto* codecs = form.findChild<QComboBox*>("CodecNamesComboBox");
    ASSERT_EQ(codecs->count(), 2);
    EXPECT_EQ(codecs->itemText(0), "Lame Encoder");
    EXPECT_FALSE(form.ShowMP3ConversionDialog("Save", 96));
    EXPECT_EQ(form.lastResult(), 0);
    EXPECT_EQ(form.lastBitrate(), 96u);
    EXPECT_EQ(outputOf("ffprobe -v error -show_entries stream=bit_rate -of csv=p=0 " +
                       shellQuoted(target)),
              "96000\n");
    EXPECT_EQ(settings.readMp3ExportCodec().value, "Lame Encoder");
    EXPECT_EQ(settings.readMp3ExportBitRate().value, 96);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ConvertUiTest, SaveAsWaitsForStartAndAnUnusablePresetWaitsToo) {
    TWaveToMP3ConversionForm form(dialogs, &settings);
    const std::string target = dir.file("other.mp3");
    ASSERT_EQ(form.PrepareMP3Conversion(wav, target), 0);
    auto* start = form.findChild<QPushButton*>("StartButton");
    auto* bitrates = form.findChild<QComboBox*>("BitRateComboBox");
    bool sawWaiting = false;
    whenShown(&form, [&] {
        if (!form.isVisible()) return false;
        sawWaiting =
            start->isEnabled() && bitrates->isEnabled() && bitrates->currentText() == "320";
        bitrates->setCurrentText("160");
        start->click();
        return true;
    });
    EXPECT_FALSE(form.ShowMP3ConversionDialog("SaveAs", 128));
    EXPECT_TRUE(sawWaiting);
    EXPECT_EQ(form.lastBitrate(), 160u);
    EXPECT_TRUE(fileExists(target));

    // A 22,050 Hz source cannot take 192 kbit/s: the boxes open for the user's choice.
    const std::string low = dir.file("low.wav");
    ASSERT_TRUE(makeToneWav(low, 22050, 16, 1, 0.5));
    ASSERT_EQ(form.PrepareMP3Conversion(low, dir.file("low.mp3")), 0);
    bool boxesOpen = false;
    whenShown(&form, [&] {
        if (!form.isVisible()) return false;
        boxesOpen = bitrates->isEnabled() && bitrates->currentText() == "160";
        form.findChild<QPushButton*>("CancelBtn")->click();
        return true;
    });
    EXPECT_TRUE(form.ShowMP3ConversionDialog("Save", 192));
    EXPECT_TRUE(boxesOpen);
    EXPECT_FALSE(fileExists(dir.file("low.mp3")));
}

TEST_F(ConvertUiTest, CancelDuringEncodingKeepsTheOldFileAndSaysSo) {
    const std::string longWav = dir.file("long.wav");
    ASSERT_TRUE(makeToneWav(longWav, 44100, 16, 2, 120));
    const std::string target = dir.file("keep.mp3");
    std::ofstream(target) << "old song";
    TWaveToMP3ConversionForm form(dialogs, &settings);
    ASSERT_EQ(form.PrepareMP3Conversion(longWav, target), 0);
    auto* start = form.findChild<QPushButton*>("StartButton");
    bool started = false;
    whenShown(&form, [&] {
        if (!form.isVisible()) return false;
        if (!started) {
            start->click();
            started = true;
            return false;
        }
        form.findChild<QPushButton*>("CancelBtn")->click();
        return true;
    });
    EXPECT_TRUE(form.ShowMP3ConversionDialog("SaveAs", 128));
    EXPECT_EQ(readText(target), "old song");
    EXPECT_EQ(dialogs.shownTexts(), QStringList{"Warning: User has aborted the process."});
}

TEST_F(ConvertUiTest, WithoutTheEncoderLibraryTheLameEntryIsMissing) {
    TWaveToMP3ConversionForm form(dialogs, &settings, nullptr, dir.file("lame_enc.so"));
    ASSERT_EQ(form.PrepareMP3Conversion(wav, dir.file("x.mp3")), 0);
    auto* codecs = form.findChild<QComboBox*>("CodecNamesComboBox");
    ASSERT_EQ(codecs->count(), 1);
    EXPECT_EQ(codecs->itemText(0).toStdString(), kSystemEncoderName);

    const std::string text = dir.file("text.wav");
    std::ofstream(text) << std::string(100, 't');
    EXPECT_EQ(form.PrepareMP3Conversion(text, dir.file("x.mp3")), -1);
    ASSERT_EQ(dialogs.shownTexts().size(), 1);
    EXPECT_TRUE(dialogs.shownTexts()[0].startsWith(
        "Error : The selected codec cannot produce MP3 files with given source format."));
}

TEST_F(ConvertUiTest, Mp3ToWaveWindowConvertsAndCancels) {
    const std::string mp3 = dir.file("song.mp3");
    ASSERT_EQ(runQuiet("lame --quiet -b 128 " + shellQuoted(wav) + " " + shellQuoted(mp3)), 0);
    Tmp3towaveForm form(dialogs);
    const std::string out = dir.file("work.wav");
    EXPECT_EQ(form.ConvertMP3ToWave(mp3, out, kMp3ToWaveCaption), 0);
    EXPECT_EQ(form.windowTitle(), "Corvanta Sonthra MP3 To Wave Conversion");
    EXPECT_EQ(readPcm(out).frames(), 66150u);
    EXPECT_TRUE(dialogs.shown().empty());

    // Cancel before the worker is done: 431 and no new file.
    whenShown(&form, [&] {
        form.findChild<QPushButton*>("CancelButton")->click();
        return true;
    });
    const std::string big = dir.file("big.mp3");
    ASSERT_TRUE(makeToneWav(dir.file("big.wav"), 44100, 16, 2, 120));
    ASSERT_EQ(runQuiet("lame --quiet -f -b 128 " + shellQuoted(dir.file("big.wav")) + " " +
                       shellQuoted(big)),
              0);
    const int result = form.ConvertMP3ToWave(big, dir.file("big-out.wav"), kMp3ToWaveCaption);
    EXPECT_EQ(result, 431);
    EXPECT_FALSE(fileExists(dir.file("big-out.wav")));
    EXPECT_EQ(dialogs.shownTexts(), QStringList{"Warning: User has aborted the process."});

    // A file cut short opens with what it holds, after a warning.
    dialogs.clearShown();
    std::filesystem::resize_file(mp3, fileSize(mp3) / 2);
    EXPECT_EQ(form.ConvertMP3ToWave(mp3, out, kMp3ToWaveCaption), 0);
    EXPECT_TRUE(form.damaged());
    ASSERT_EQ(dialogs.shownTexts().size(), 1);
    EXPECT_TRUE(dialogs.shownTexts()[0].startsWith("Error processing input file."));
}

TEST_F(ConvertUiTest, DocumentServicesSaveOpenAndRefuse) {
    Mp3DocumentServices services(dialogs, &settings, nullptr);
    const std::string mp3 = dir.file("saved.mp3");
    // Save on a file of 64 kbit/s keeps that bitrate and starts by itself.
    EXPECT_EQ(services.encode(wav, mp3, false, 64), 0);
    EXPECT_EQ(services.bitRate(mp3), 64u);
    EXPECT_TRUE(services.canConvert(mp3));
    const std::string work = dir.file("work.wav");
    EXPECT_EQ(services.convertToWave(mp3, work), 0);
    // At 64 kbit/s the encoder takes stereo down to 24,000 Hz; the length stays 1.5 s.
    const Pcm reopened = readPcm(work);
    EXPECT_EQ(reopened.format.sampleRate, 24000u);
    EXPECT_EQ(reopened.frames(), 36000u);

    // A source no encoder takes: message 230, refused, the old file as it was.
    const std::string text = dir.file("text.wav");
    std::ofstream(text) << std::string(100, 't');
    const std::uint64_t size = fileSize(mp3);
    EXPECT_EQ(services.encode(text, mp3, true, 128), 129);
    EXPECT_EQ(fileSize(mp3), size);
    ASSERT_EQ(dialogs.shownTexts().size(), 1);
    EXPECT_TRUE(dialogs.shownTexts()[0].startsWith("Error : The selected codec cannot produce"));
}

}  // namespace
}  // namespace sonthra
