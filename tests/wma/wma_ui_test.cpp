// The WMA windows and the batch choices window, offscreen through scripted dialogs: the
// "Codec Not Found" question, copy protection only for protected files, an import under its
// progress window, the export window's name rules, its remembered format and the success text,
// and the batch window's folder check and ID3 box.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "convert/ui/batch_param_form.h"
#include "convert/ui/wma_export_form.h"
#include "convert/ui/wma_to_wave_form.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "settings/settings.h"
#include "wma/wma_test_support.h"

namespace sonthra {
namespace {

using testing::TempDir;

template <typename F>
void later(F f) {
    QTimer::singleShot(50, f);
}

TEST(WmaUi, ImportAsksForTheCodecAndRefusesWithTheRightText) {
    TempDir dir;
    ScriptedDialogs dialogs;
    dialogs.queueAnswer(DialogAnswer::Yes);
    EXPECT_EQ(importWmaFile(dialogs, nullptr, dir.file("a.wma"), dir.file("a.wav"), dir.path(),
                            nullptr, dir.file("missing.so")),
              489);
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].caption, "Codec Not Found");
    EXPECT_EQ(dialogs.shown()[1].kind, ShownDialog::Kind::Url);

    const std::string wav = dir.file("in.wav"), wma = dir.file("ff.wma");
    ASSERT_TRUE(testing::makeToneWav(wav, 44100, 16, 2, 1.0));
    ASSERT_TRUE(testing::ffmpegWma(wav, wma));
    testing::writeAll(dir.file("fake.wma"), testing::readAll(wav));
    dialogs.clearShown();
    EXPECT_EQ(importWmaFile(dialogs, nullptr, dir.file("fake.wma"), dir.file("o.wav"), dir.path(),
                            nullptr, testing::playbackLibraryPath()),
              489);
    EXPECT_EQ(dialogs.shownTexts(), QStringList{"WMA File format is not proper!!"});

    // The import command's own file dialog, then the conversion under its window.
    dialogs.clearShown();
    dialogs.queueFile(QString::fromStdString(wma));
    std::string chosen;
    EXPECT_EQ(importWmaFile(dialogs, nullptr, "", dir.file("o.wav"), dir.path(), &chosen,
                            testing::playbackLibraryPath()),
              0);
    EXPECT_EQ(chosen, wma);
    EXPECT_NEAR(static_cast<double>(testing::readPcm(dir.file("o.wav")).frames()), 44100, 4096);
}

TEST(WmaUi, ExportWindowRulesAndRememberedFormat) {
    TempDir dir;
    const std::string wav = dir.file("take.wav");
    ASSERT_TRUE(testing::makeToneWav(wav, 44100, 16, 2, 1.0));
    Settings settings(dir.file("settings.reg"));
    ASSERT_EQ(settings.writeLastWmaFormat({22050, 2}), 0);
    ScriptedDialogs dialogs;
    TWMAExportForm form(dialogs, &settings, nullptr, testing::encoderLibraryPath());
    auto* name = form.findChild<QLineEdit*>("exportFileNameEdit");
    auto* formats = form.findChild<QComboBox*>("outputFormatCombo");
    auto* exportButton = form.findChild<QPushButton*>("ExportButton");
    int selected = -1;
    QString proposed;
    later([&] {
        proposed = name->text();
        // Stored for another rate: the last format is selected.
        selected = formats->currentIndex();
        EXPECT_EQ(selected, formats->count() - 1);
        name->setText(QString::fromStdString(dir.file("out.mp3")));
        exportButton->click();  // refused: not ".wma"
        formats->setCurrentIndex(3);
        name->setText(QString::fromStdString(dir.file("out.WMA")));
        exportButton->click();
    });
    EXPECT_EQ(form.FileExportToWma("/music/take.wav", wav), 0);
    EXPECT_EQ(proposed, "/music/take.wma");
    const QStringList texts = dialogs.shownTexts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], "Invalid FileName..Select other file to export!");
    EXPECT_EQ(texts[1],
              "Exported to file " + QString::fromStdString(dir.file("out.WMA")) + " Successfully!");
    EXPECT_EQ(testing::probeField(dir.file("out.WMA"), "codec_name"), "wmav2");
    // On close the source's rate and the chosen index are stored.
    const auto stored = settings.readLastWmaFormat();
    EXPECT_EQ(stored.value.samplingRate, 44100);
    EXPECT_EQ(stored.value.formatIndex, 3);

    // Next time the stored index is selected for a source of that rate; an existing name asks.
    dialogs.clearShown();
    dialogs.queueAnswer(DialogAnswer::No);  // do not replace: Browse opens, cancelled
    later([&] {
        selected = formats->currentIndex();
        name->setText(QString::fromStdString(dir.file("out.WMA")));
        exportButton->click();
        form.findChild<QPushButton*>("cancelBtn")->click();
    });
    EXPECT_EQ(form.FileExportToWma("/music/take.wav", wav), 129);
    EXPECT_EQ(selected, 3);
    ASSERT_GE(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].text, QString::fromStdString(dir.file("out.WMA")) +
                                           " already exists.\nDo you want to replace it?");
    EXPECT_EQ(dialogs.shown()[1].caption, "Choose an Output Filename");
}

TEST(WmaUi, BatchWindowChecksTheFolderAndTheId3Box) {
    TempDir dir;
    ScriptedDialogs dialogs;
    TBatchProcessParamSelectionForm form(dialogs);
    auto* folder = form.findChild<QLineEdit*>("SaveLocationEditBox");
    auto* format = form.findChild<QComboBox*>("FormatSelectionComboBox");
    auto* tags = form.findChild<QCheckBox*>("EditMp3TagInfoCheckBox");
    bool tagsEnabledForWma = true;
    QString shownFolder;
    later([&] {
        shownFolder = folder->text();
        format->setCurrentIndex(1);
        tagsEnabledForWma = tags->isEnabled();
        folder->setText(QString::fromStdString(dir.file("missing")));
        form.findChild<QPushButton*>("Button1")->click();  // refused, stays open
        folder->setText(QString::fromStdString(dir.path()));
        form.findChild<QPushButton*>("Button1")->click();
    });
    ASSERT_TRUE(form.ask(dir.path()));
    EXPECT_EQ(form.windowTitle(), "Sonthra Batch Processing");
    EXPECT_EQ(shownFolder, QString::fromStdString(dir.path()));
    EXPECT_FALSE(tagsEnabledForWma);
    EXPECT_EQ(
        dialogs.shownTexts(),
        QStringList{"Error: Output file path does not exist, please choose another location."});
    EXPECT_EQ(form.choices().format, BatchFormat::Wma);
    EXPECT_EQ(form.choices().folder, dir.path());
}

}  // namespace
}  // namespace sonthra
