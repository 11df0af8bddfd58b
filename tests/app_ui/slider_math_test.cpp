// The volume and balance sliders' arithmetic, and a main window without an engine or mixer,
// whose mixer and settings commands then do nothing.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QLabel>

#include <gtest/gtest.h>

#include "app/ui/main_form.h"
#include "app/ui/mixer_levels.h"
#include "app/ui/preferences_controller.h"
#include "dialogs/ui/scripted_dialogs.h"

using namespace sonthra;

namespace {

TEST(SliderMathTest, BoundFallsBackTo65535) {
    EXPECT_EQ(VolumeBound(0, 65536), 65536u);
    EXPECT_EQ(VolumeBound(0, 0), 65535u);
    EXPECT_EQ(VolumeBound(115, 65536), 65535u);
}

TEST(SliderMathTest, VolumePositionZeroIsFullAndTheLevelIsLinear) {
    EXPECT_EQ(SliderLevel(0, 65536), 65536u);
    EXPECT_EQ(SliderLevel(100, 65536), 0u);
    EXPECT_EQ(SliderLevel(50, 65536), 32768u);
    EXPECT_EQ(SliderLevel(25, 1000), 750u);
    EXPECT_EQ(SliderLevel(33, 65535), 67u * 65535 / 100);  // whole-number division
    EXPECT_EQ(SliderLevel(-5, 1000), 1000u) << "positions outside the range are held to it";
    EXPECT_EQ(SliderLevel(120, 1000), 0u);
}

TEST(SliderMathTest, VolumeKeepsTheLevelOnTheLeanedSideAndLowersTheOther) {
    EXPECT_EQ(VolumeChannels(1000, 50), (ChannelPair{1000, 1000}));
    EXPECT_EQ(VolumeChannels(1000, 75), (ChannelPair{500, 1000}));
    EXPECT_EQ(VolumeChannels(1000, 25), (ChannelPair{1000, 500}));
    EXPECT_EQ(VolumeChannels(1000, 100), (ChannelPair{0, 1000}));
    EXPECT_EQ(VolumeChannels(1000, 0), (ChannelPair{1000, 0}));
    // c x x is rounded to the nearest whole number: 3 x 0.5 = 1.5 gives 2.
    EXPECT_EQ(VolumeChannels(3, 75), (ChannelPair{1, 3}));
    EXPECT_EQ(VolumeChannels(3, 25), (ChannelPair{3, 1}));
    EXPECT_EQ(VolumeChannels(0, 80), (ChannelPair{0, 0}));
}

TEST(SliderMathTest, BalanceLowersTheFarSideFromTheLouderValue) {
    EXPECT_EQ(BalanceChannels({1000, 400}, 50), (ChannelPair{1000, 1000}));
    EXPECT_EQ(BalanceChannels({400, 1000}, 75), (ChannelPair{500, 1000}));
    EXPECT_EQ(BalanceChannels({1000, 400}, 10), (ChannelPair{1000, 200}));
    EXPECT_EQ(BalanceChannels({1000, 1000}, 100), (ChannelPair{0, 1000}));
    EXPECT_EQ(BalanceChannels({1000, 1000}, 0), (ChannelPair{1000, 0}));
    EXPECT_EQ(BalanceChannels({65535, 65535}, 51), (ChannelPair{65535 - 65535 * 2 / 100, 65535}));
}

TEST(SliderMathTest, ReadBackShowsTheLouderChannelAndLeansToIt) {
    EXPECT_EQ(VolumeSliderPosition(65536, 65536), 0);
    EXPECT_EQ(VolumeSliderPosition(0, 65536), 100);
    EXPECT_EQ(VolumeSliderPosition(32768, 65536), 50);
    EXPECT_EQ(VolumeSliderPosition(90000, 65536), 0) << "louder than the bound";
    EXPECT_EQ(VolumeSliderPosition(100, 0), 100) << "a bound of 0 counts as 65535";
    EXPECT_EQ(BalanceSliderPosition({700, 700}), 50);
    EXPECT_EQ(BalanceSliderPosition({32768, 16384}), 25);
    EXPECT_EQ(BalanceSliderPosition({16384, 32768}), 75);
    EXPECT_EQ(BalanceSliderPosition({100, 0}), 0);
    EXPECT_EQ(BalanceSliderPosition({0, 100}), 100);
    // The right 25 % quieter: 25 % of the half range is 12.5 positions, rounded to 13.
    EXPECT_EQ(BalanceSliderPosition({1000, 750}), 37);
}

TEST(SliderMathTest, EveryPositionReadsBackAsWritten) {
    for (std::uint32_t bound : {65535u, 65536u, 100000u}) {
        for (int v = 0; v <= 100; ++v) {
            EXPECT_EQ(VolumeSliderPosition(SliderLevel(v, bound), bound), v) << bound << " " << v;
        }
    }
    for (int b = 0; b <= 100; ++b) {
        const ChannelPair pair = BalanceChannels({60000, 60000}, b);
        EXPECT_EQ(BalanceSliderPosition(pair), b) << b;
        const ChannelPair volume = VolumeChannels(60000, b);
        EXPECT_EQ(BalanceSliderPosition(volume), b) << b;
    }
}

TEST(MainFormWithoutAudioTest, MixerAndSettingsCommandsDoNothing) {
    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    form.PostCreate();
    EXPECT_EQ(form.Preferences().PreferencesForm(), nullptr);
    EXPECT_EQ(form.Preferences().RecSettingsForm(), nullptr);
    form.Preferences().FilePreferencesMenuClick();
    form.Preferences().RecSettingsButtonClick();
    form.findChild<QAbstractButton*>("RecSourceButton")->click();
    auto* volume = form.findChild<QAbstractSlider*>("PlaybackVolumeTrackBar");
    volume->setSliderPosition(10);
    EXPECT_EQ(volume->value(), 10);
    EXPECT_TRUE(form.findChild<QLabel*>("RecordingSourceLabel")->text().isEmpty());
    EXPECT_FALSE(form.Busy().isSet());
    EXPECT_TRUE(dialogs.shown().empty());
    const RecordFormat format = form.Preferences().RecordingFormat();
    EXPECT_EQ(format.sampleRate, 44100u);
    EXPECT_EQ(format.bitsPerSample, 16);
    EXPECT_EQ(format.channels, 2);
}

}  // namespace
