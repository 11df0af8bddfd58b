// The recording format window over a scripted device that accepts only some formats, and over
// the real default recording device of the test sound server.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "app/ui/main_form.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/nx_wave_player.h"
#include "settings/ui/rec_settings_form.h"
#include "settings_ui/private_config_home.h"

using namespace sonthra;

namespace {

using Format = std::tuple<std::uint32_t, int, int>;

// A device that accepts exactly the listed formats, and counts what it was asked.
struct ScriptedDevice {
    std::set<Format> accepted;
    std::vector<Format> asked;

    FormatQuery query() {
        return [this](std::uint32_t rate, int bits, int channels) {
            asked.emplace_back(rate, bits, channels);
            return accepted.count({rate, bits, channels}) != 0 ? 0 : 201;
        };
    }
};

std::set<Format> every(std::initializer_list<std::uint32_t> rates, std::initializer_list<int> bits,
                       std::initializer_list<int> channels) {
    std::set<Format> formats;
    for (auto r : rates)
        for (auto b : bits)
            for (auto c : channels) formats.insert({r, b, c});
    return formats;
}

QStringList items(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
    return texts;
}

class RecSettingsFormTest : public ::testing::Test {
protected:
    std::unique_ptr<TRecSettingsForm> make() {
        auto form = std::make_unique<TRecSettingsForm>(device.query(), dialogs);
        rate = form->RecordingSamplingRateComboBox;
        bits = form->RecordingBitRateComboBox;
        channels = form->RecordingChannelComboBox;
        return form;
    }

    ScriptedDialogs dialogs;
    ScriptedDevice device;
    QComboBox* rate = nullptr;
    QComboBox* bits = nullptr;
    QComboBox* channels = nullptr;
};

TEST(RecordFormatsTest, ProbeAsksEveryCandidateRateFirstAndKeepsTheAcceptedInOrder) {
    ScriptedDevice device;
    device.accepted = {{96000, 8, 1}, {8000, 16, 2}, {44100, 16, 1}, {44100, 8, 2}};
    std::vector<RecordFormat> formats{{1, 1, 1}};
    ASSERT_EQ(ProbeFormats(device.query(), formats), 0);

    ASSERT_EQ(device.asked.size(), 12u * 2 * 2);
    EXPECT_EQ(device.asked.front(), Format(8000, 8, 1));
    EXPECT_EQ(device.asked[1], Format(8000, 8, 2));
    EXPECT_EQ(device.asked[2], Format(8000, 16, 1));
    EXPECT_EQ(device.asked[4], Format(11025, 8, 1));
    EXPECT_EQ(device.asked.back(), Format(96000, 16, 2));
    const std::vector<RecordFormat> expected = {
        {8000, 16, 2}, {44100, 8, 2}, {44100, 16, 1}, {96000, 8, 1}};
    EXPECT_EQ(formats, expected);

    EXPECT_EQ(FormatRates(formats), (std::vector<std::uint32_t>{8000, 44100, 96000}));
    EXPECT_EQ(FormatBits(formats, 44100), (std::vector<int>{8, 16}));
    EXPECT_EQ(FormatChannels(formats, 44100, 16), (std::vector<int>{1}));
    EXPECT_TRUE(FormatChannels(formats, 22050, 16).empty());
}

TEST_F(RecSettingsFormTest, DeviceOfferingOnlyUpTo48kHzAt16BitsShowsNineRatesAndOneDepth) {
    device.accepted =
        every({8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000}, {16}, {1, 2});
    auto form = make();
    EXPECT_EQ(form->windowTitle(), "Choose Format");
    EXPECT_EQ(items(rate), QStringList({"8000 Hz", "11025 Hz", "12000 Hz", "16000 Hz", "22050 Hz",
                                        "24000 Hz", "32000 Hz", "44100 Hz", "48000 Hz"}));
    EXPECT_EQ(items(bits), QStringList({"16 Bit"}));
    EXPECT_EQ(items(channels), QStringList({"Mono", "Stereo"}));
    EXPECT_EQ(rate->currentText(), "44100 Hz");
    EXPECT_EQ(bits->currentText(), "16 Bit");
    EXPECT_EQ(channels->currentText(), "Stereo");
    EXPECT_EQ(form->SampleRate(), 44100u);
    EXPECT_EQ(form->BitsPerSample(), 16);
    EXPECT_EQ(form->Channels(), 2);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(RecSettingsFormTest, RateChangeKeepsTheDepthAndChannelPositionsWhileTheyExist) {
    // 8 and 16 bits everywhere, except 8000 Hz with 16 bits only and 22050 Hz in stereo only.
    device.accepted = every({11025, 44100}, {8, 16}, {1, 2});
    device.accepted.merge(every({8000}, {16}, {1, 2}));
    device.accepted.merge(every({22050}, {8, 16}, {2}));
    auto form = make();
    ASSERT_EQ(rate->currentText(), "44100 Hz");
    ASSERT_EQ(items(bits), QStringList({"8 Bit", "16 Bit"}));
    ASSERT_EQ(bits->currentText(), "16 Bit");
    ASSERT_EQ(channels->currentText(), "Stereo");

    rate->setCurrentIndex(rate->findText("11025 Hz"));
    EXPECT_EQ(bits->currentText(), "16 Bit") << "position 1 exists at 11025 Hz as well";
    EXPECT_EQ(channels->currentText(), "Stereo");

    rate->setCurrentIndex(rate->findText("8000 Hz"));
    EXPECT_EQ(items(bits), QStringList({"16 Bit"}));
    EXPECT_EQ(bits->currentText(), "16 Bit") << "position 1 is gone: the first entry";
    EXPECT_EQ(channels->currentText(), "Stereo");

    rate->setCurrentIndex(rate->findText("22050 Hz"));
    EXPECT_EQ(items(bits), QStringList({"8 Bit", "16 Bit"}));
    EXPECT_EQ(bits->currentText(), "8 Bit") << "position 0 is kept";
    EXPECT_EQ(items(channels), QStringList({"Stereo"}));

    // A depth change rebuilds the channels the same way.
    rate->setCurrentIndex(rate->findText("44100 Hz"));
    channels->setCurrentIndex(0);
    bits->setCurrentIndex(1);
    EXPECT_EQ(channels->currentText(), "Mono");
    EXPECT_EQ(form->SampleRate(), 44100u) << "the format changes only on Ok";
    EXPECT_EQ(form->Channels(), 2);
}

TEST_F(RecSettingsFormTest, DeviceWithStereoOnlyAtOtherRatesStartsAt44100Mono) {
    device.accepted = every({22050, 48000}, {8, 16}, {2});
    device.accepted.merge(every({44100}, {8, 16}, {1}));
    auto form = make();
    EXPECT_EQ(rate->currentText(), "44100 Hz");
    EXPECT_EQ(bits->currentText(), "16 Bit");
    EXPECT_EQ(items(channels), QStringList({"Mono"}));
    EXPECT_EQ(form->Channels(), 1);
}

TEST_F(RecSettingsFormTest, DeviceWithout44100Or16BitsStartsAtTheFirstOfEach) {
    device.accepted = every({22050, 96000}, {8}, {1, 2});
    auto form = make();
    EXPECT_EQ(rate->currentText(), "22050 Hz");
    EXPECT_EQ(bits->currentText(), "8 Bit");
    EXPECT_EQ(form->SampleRate(), 22050u);
    EXPECT_EQ(form->BitsPerSample(), 8);
    EXPECT_EQ(form->Channels(), 2);
}

TEST_F(RecSettingsFormTest, OkTakesTheFormatOverAndCancelKeepsOnlyTheListSelection) {
    device.accepted = every({8000, 44100}, {8, 16}, {1, 2});
    auto form = make();
    form->show();
    rate->setCurrentIndex(rate->findText("8000 Hz"));
    bits->setCurrentIndex(bits->findText("8 Bit"));
    channels->setCurrentIndex(channels->findText("Mono"));
    QTest::mouseClick(form->OkButton, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(form->SampleRate(), 8000u);
    EXPECT_EQ(form->BitsPerSample(), 8);
    EXPECT_EQ(form->Channels(), 1);

    form->show();
    rate->setCurrentIndex(rate->findText("44100 Hz"));
    channels->setCurrentIndex(channels->findText("Stereo"));
    QTest::mouseClick(form->CancelButton, Qt::LeftButton);
    EXPECT_EQ(form->result(), QDialog::Rejected);
    EXPECT_EQ(form->SampleRate(), 8000u);
    EXPECT_EQ(form->Channels(), 1);
    EXPECT_EQ(rate->currentText(), "44100 Hz") << "the user's choice stays in the lists";
    EXPECT_EQ(channels->currentText(), "Stereo");
}

TEST_F(RecSettingsFormTest, DeviceThatAcceptsNothingLeavesTheListsEmptyAndConfirms44100Stereo) {
    auto form = make();
    EXPECT_EQ(rate->count(), 0);
    EXPECT_EQ(bits->count(), 0);
    EXPECT_EQ(channels->count(), 0);
    form->show();
    QTest::mouseClick(form->OkButton, Qt::LeftButton);
    EXPECT_EQ(form->SampleRate(), 44100u);
    EXPECT_EQ(form->BitsPerSample(), 16);
    EXPECT_EQ(form->Channels(), 2);
}

TEST_F(RecSettingsFormTest, RebuildAsksTheDeviceAgainAndReplacesTheLists) {
    device.accepted = every({8000, 11025, 44100}, {8, 16}, {1, 2});
    auto form = make();
    rate->setCurrentIndex(0);
    device.accepted = every({16000}, {8}, {1});
    device.asked.clear();
    form->BuildFormatLists();
    EXPECT_EQ(device.asked.size(), 48u);
    EXPECT_EQ(items(rate), QStringList({"16000 Hz"}));
    EXPECT_EQ(items(bits), QStringList({"8 Bit"}));
    EXPECT_EQ(items(channels), QStringList({"Mono"}));
    EXPECT_EQ(form->SampleRate(), 16000u);
    EXPECT_EQ(form->BitsPerSample(), 8);
    EXPECT_EQ(form->Channels(), 1);
}

TEST_F(RecSettingsFormTest, LabelsAndHelpTopic) {
    auto form = make();
    QStringList labels;
    for (QWidget* buddy : {static_cast<QWidget*>(rate), static_cast<QWidget*>(bits),
                           static_cast<QWidget*>(channels)}) {
        for (auto* label : form->findChildren<QLabel*>()) {
            if (label->buddy() == buddy) labels << label->text();
        }
    }
    EXPECT_EQ(labels, QStringList({"&Sampling Rate", "&Bit Depth", "&Channels"}));
    EXPECT_EQ(form->OkButton->text(), "OK");
    EXPECT_TRUE(form->OkButton->isDefault());
    EXPECT_EQ(form->CancelButton->text(), "Cancel");
    QTest::mouseClick(form->HelpButton, Qt::LeftButton);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].kind, ShownDialog::Kind::Url);
    EXPECT_TRUE(dialogs.shown()[0].text.endsWith("/topic-37.html"))
        << dialogs.shown()[0].text.toStdString();
}

TEST(RecSettingsOnTheRealDevice, OffersTheStartFormatAndEveryListedFormatMetersOnTheDevice) {
    sonthra::testing::PrivateConfigHome home;
    NXWavePlayer engine;
    ScriptedDialogs dialogs;
    TRecSettingsForm form(
        [&engine](std::uint32_t rate, int bits, int channels) {
            return engine.IsInputFormatSupported(-1, rate, bits, channels);
        },
        dialogs);
    ASSERT_FALSE(form.SupportedFormats().empty());
    EXPECT_EQ(form.RecordingSamplingRateComboBox->currentText(), "44100 Hz");
    EXPECT_EQ(form.RecordingBitRateComboBox->currentText(), "16 Bit");
    EXPECT_EQ(form.RecordingChannelComboBox->currentText(), "Stereo");
    // What the window offers, the device really records: a level test runs on the start
    // format and on both ends of the list.
    const std::vector<RecordFormat>& offered = form.SupportedFormats();
    for (const RecordFormat& f :
         {RecordFormat{form.SampleRate(), form.BitsPerSample(), form.Channels()}, offered.front(),
          offered.back()}) {
        ASSERT_EQ(engine.AudioStartRecordLevelTest(f.sampleRate, f.bitsPerSample, f.channels), 0)
            << f.sampleRate << " Hz " << int(f.bitsPerSample) << " bits " << int(f.channels);
        ASSERT_EQ(engine.AudioStopRecordLevelTest(), 0);
    }
}

}  // namespace
