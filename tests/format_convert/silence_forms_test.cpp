// The Mute, Trim Silence and Insert Silence windows offscreen: captions, the channel rule, the
// spin steps, Ok and Cancel, the settings they read and write, and their help topics.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dialogs/ui/scripted_dialogs.h"
#include "edit/ui/form_parts.h"
#include "edit/ui/mute_form.h"
#include "edit/ui/silence_forms.h"
#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

class SilenceFormsTest : public ::testing::Test {
protected:
    std::string storeFile() const { return dir.file("settings.reg"); }

    testing::TempDir dir;
    Settings settings{storeFile()};
    ScriptedDialogs dialogs;

    // The help page opened last, by its file name.
    QString openedHelpPage() const {
        for (auto it = dialogs.shown().rbegin(); it != dialogs.shown().rend(); ++it) {
            if (it->kind == ShownDialog::Kind::Url) return it->text.section('/', -1);
        }
        return {};
    }
};

TEST_F(SilenceFormsTest, MuteOffersChannelsOnlyForStereo) {
    TMuteForm stereo(2, dialogs);
    EXPECT_EQ(stereo.windowTitle(), "Wave Mute");
    EXPECT_EQ(stereo.StereoOptionsGroupBox->title(), "[ Stereo Options ]");
    EXPECT_EQ(stereo.BothChannelsRadioButton->text(), "Apply to &Both Channels");
    EXPECT_EQ(stereo.LeftChannelRadioButton->text(), "Apply to &Left Channel Only");
    EXPECT_EQ(stereo.RightChannelRadioButton->text(), "Apply to &Right Channel Only");
    EXPECT_EQ(stereo.OkButton->text(), "OK");
    EXPECT_EQ(stereo.HelpButton->text(), "&Help");
    EXPECT_TRUE(stereo.BothChannelsRadioButton->isChecked());
    EXPECT_EQ(stereo.Choice(), 3);

    stereo.show();
    EXPECT_TRUE(stereo.LeftChannelRadioButton->isEnabled());
    stereo.LeftChannelRadioButton->setChecked(true);
    stereo.OkButton->click();
    EXPECT_EQ(stereo.result(), QDialog::Accepted);
    EXPECT_EQ(stereo.Choice(), 1);

    // Cancel puts back the button of the choice confirmed before.
    stereo.show();
    stereo.RightChannelRadioButton->setChecked(true);
    stereo.CancelButton->click();
    EXPECT_EQ(stereo.result(), QDialog::Rejected);
    EXPECT_TRUE(stereo.LeftChannelRadioButton->isChecked());
    EXPECT_EQ(stereo.Choice(), 1);
    stereo.show();
    stereo.RightChannelRadioButton->setChecked(true);
    stereo.OkButton->click();
    EXPECT_EQ(stereo.Choice(), 2);

    TMuteForm mono(1, dialogs);
    mono.show();
    for (QRadioButton* b : {mono.BothChannelsRadioButton, mono.LeftChannelRadioButton,
                            mono.RightChannelRadioButton}) {
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    }
    mono.OkButton->click();
    EXPECT_EQ(mono.Choice(), 3);
    mono.HelpButton->click();
    EXPECT_EQ(openedHelpPage(), "topic-31.html");
}

TEST_F(SilenceFormsTest, TrimSilenceSpinsReadsAndWritesItsSetting) {
    TTrimSilenceForm form(settings, dialogs);
    EXPECT_EQ(form.windowTitle(), "Trim Silence");
    EXPECT_EQ(form.findChild<QGroupBox*>("SettingsGroupBox")->title(), "[ Settings ]");
    auto* label = qobject_cast<QLabel*>(
        form.SilencePercentageEdit->parentWidget()->findChildren<QLabel*>().value(0));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "&Silence (% of Maximum)");
    EXPECT_EQ(label->buddy(), form.SilencePercentageEdit);
    EXPECT_EQ(form.SilencePercentageEdit->text(), "0.03");  // nothing stored yet

    form.SpinButton1->upButton()->click();
    EXPECT_EQ(form.SilencePercentageEdit->text(), "1.03");
    EXPECT_EQ(form.Value(), 1.03);
    form.SpinButton1->downButton()->click();
    EXPECT_EQ(form.SilencePercentageEdit->text(), "0.03");
    form.SpinButton1->downButton()->click();  // would go below 0
    EXPECT_EQ(form.SilencePercentageEdit->text(), "0.03");
    form.SilencePercentageEdit->setText("99");
    form.SpinButton1->upButton()->click();
    EXPECT_EQ(form.SilencePercentageEdit->text(), "99");
    form.SilencePercentageEdit->setText("loud");
    form.SpinButton1->upButton()->click();
    EXPECT_EQ(form.SilencePercentageEdit->text(), "loud");
    EXPECT_EQ(form.Value(), 0.03);

    // Cancel shows the stored value again and writes nothing.
    form.CancelButton->click();
    EXPECT_EQ(form.SilencePercentageEdit->text(), "0.03");
    EXPECT_EQ(settings.readTrimSilence().result, 186);

    form.SilencePercentageEdit->setText("12.345");
    form.OkButton->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Threshold(), 1235);
    EXPECT_EQ(settings.readTrimSilence().value, 12.345);

    TTrimSilenceForm again(settings, dialogs);
    EXPECT_EQ(again.SilencePercentageEdit->text(), "12.345");
    again.SilencePercentageEdit->setText("quiet");
    again.OkButton->click();
    EXPECT_EQ(again.SilencePercentageEdit->text(), "0.0");
    EXPECT_EQ(again.Threshold(), 0);
    EXPECT_EQ(settings.readTrimSilence().value, 0.0);
    again.HelpButton->click();
    EXPECT_EQ(openedHelpPage(), "topic-19.html");
    EXPECT_TRUE(dialogs.shownTexts().filter("Error").isEmpty());
}

TEST_F(SilenceFormsTest, InsertSilenceKeepsItsWindowOpenUntilTheTimeIsUsable) {
    TInsertSilenceForm form(settings, dialogs);
    EXPECT_EQ(form.windowTitle(), "Insert Silence");
    EXPECT_EQ(form.findChild<QLabel*>("UnitLabel")->text(), "seconds");
    EXPECT_EQ(form.SilenceTimeEdit->text(), "2");
    form.SpinButton1->upButton()->click();
    EXPECT_EQ(form.SilenceTimeEdit->text(), "3");
    form.SilenceTimeEdit->setText("1.0005");
    form.SpinButton1->downButton()->click();  // 0.0005 is not above a millisecond
    EXPECT_EQ(form.SilenceTimeEdit->text(), "1.0005");
    EXPECT_EQ(form.Value(), 3.0);

    form.show();
    for (const char* bad : {"0", "none", "0.0009", "4294967295", ""}) {
        form.SilenceTimeEdit->setText(bad);
        form.OkButton->click();
        EXPECT_TRUE(form.isVisible()) << bad;
        EXPECT_EQ(form.SilenceTimeEdit->text(), "3") << bad;
    }
    EXPECT_EQ(settings.readInsertSilenceTime().result, 186) << "nothing written yet";

    form.SilenceTimeEdit->setText("1.0005");
    form.OkButton->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.Milliseconds(), 1001u);
    EXPECT_EQ(settings.readInsertSilenceTime().value, 1.0005);

    TInsertSilenceForm again(settings, dialogs);
    EXPECT_EQ(again.SilenceTimeEdit->text(), "1.0005");
    again.HelpButton->click();
    EXPECT_EQ(openedHelpPage(), "topic-25.html");
}

TEST_F(SilenceFormsTest, AStoreThatCannotBeOpenedIsShownAndTheDefaultsStand) {
    // The store's folder would have to be made below a plain file.
    testing::writeBytes(dir.file("plain"), "x");
    Settings broken(dir.file("plain") + "/settings.reg");
    TInsertSilenceForm insert(broken, dialogs);
    EXPECT_EQ(insert.SilenceTimeEdit->text(), "2");
    TTrimSilenceForm trim(broken, dialogs);
    EXPECT_EQ(trim.SilencePercentageEdit->text(), "0.03");
    const QStringList texts = dialogs.shownTexts();
    ASSERT_EQ(texts.size(), 2) << texts.join("|").toStdString();
    EXPECT_TRUE(texts[0].startsWith("Error : Cannot open registry")) << texts[0].toStdString();
}

}  // namespace
}  // namespace sonthra
