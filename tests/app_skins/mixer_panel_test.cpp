// The mixer panel on its own, against a scripted mixer: what it reads back, what a move of each
// slider writes, what it leaves alone, and the recording source round.
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/ui/mixer_levels.h"
#include "app/ui/mixer_panel.h"
#include "controls/ui/cool_slider.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/mixer.h"
#include "engine/mixer_start.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

// Volumes held in memory; each Set call is logged. `inputChannels` 1 makes a mono input.
class ScriptedMixer : public MixerApi {
public:
    std::array<std::uint32_t, 2> output{40000, 40000};
    std::array<std::uint32_t, 2> input{30000, 30000};
    unsigned inputChannels = 2;
    std::vector<std::array<std::uint32_t, 2>> outputWrites;
    std::vector<std::vector<std::uint32_t>> inputWrites;
    std::vector<int> selectedSources;
    int selectResult = 0;
    int setOutputResult = 0;
    int deselected = 0;

    int SetCVMixCallbackWindow(MixerCallbackWindow) override { return 0; }
    int CreateCVMixCallbackThread() override { return 0; }
    int GetNumberOfInputDevices() override { return 1; }
    int GetNumberOfOutputDevices() override { return 1; }
    int GetInputDeviceDescription(int, std::string* text) override {
        *text = "Mic";
        return 0;
    }
    int GetOutputDeviceDescription(int, std::string* text) override {
        *text = "Speakers";
        return 0;
    }
    int GetPreferredInputDeviceIndex(int* index) override {
        *index = 0;
        return 0;
    }
    int GetPreferredOutputDeviceIndex(int* index) override {
        *index = 0;
        return 0;
    }
    int SelectInputDevice(int) override { return 0; }
    int SelectOutputDevice(int) override { return 0; }
    int DeselectInputDevice() override { return ++deselected, 0; }
    int DeselectOutputDevice() override { return ++deselected, 0; }
    int GetNumberOfInputSources(int* count) override {
        *count = 3;
        return 0;
    }
    int GetInputSourceDescription(int, char (&text)[kSourceDescriptionSize]) override {
        text[0] = 0;
        return 0;
    }
    int GetMicrophoneSourceIndex(int* index) override {
        *index = 0;
        return 0;
    }
    int SelectInputSource(int index) override {
        if (selectResult == 0) selectedSources.push_back(index);
        return selectResult;
    }
    bool IsCurrentInputSourceSelected(int) override { return true; }
    int GetOutputVolumeBounds(std::uint32_t* lower, std::uint32_t* upper) override {
        if (lower) *lower = 0;
        *upper = 65535;
        return 0;
    }
    int GetInputVolumeBounds(std::uint32_t* lower, std::uint32_t* upper) override {
        if (lower) *lower = 0;
        *upper = 65535;
        return 0;
    }
    int GetCurrentOutputVolSetting(unsigned channels, std::uint32_t* values) override {
        if (channels != 2) return kMixerNoSuchControl;
        values[0] = output[0];
        values[1] = output[1];
        return 0;
    }
    int SetCurrentOutputVolSetting(unsigned channels, const std::uint32_t* values) override {
        if (setOutputResult != 0) return setOutputResult;
        if (channels != 2) return kMixerNoSuchControl;
        output = {values[0], values[1]};
        outputWrites.push_back(output);
        return 0;
    }
    int GetCurrentInputVolSetting(unsigned channels, std::uint32_t* values) override {
        if (channels != inputChannels) return kMixerNoSuchControl;
        for (unsigned c = 0; c < channels; ++c) values[c] = input[c];
        return 0;
    }
    int SetCurrentInputVolSetting(unsigned channels, const std::uint32_t* values) override {
        if (channels != inputChannels) return kMixerNoSuchControl;
        inputWrites.emplace_back(values, values + channels);
        for (unsigned c = 0; c < channels; ++c) input[c] = values[c];
        return 0;
    }
};

class MixerPanelTest : public ::testing::Test {
protected:
    MixerPanelTest() {
        panel.SetMixer(&mixer);
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }

    // The middle of the thumb of a slider, in its own coordinates.
    static QPoint thumbCentre(TCoolSlider& slider) {
        const QSize thumb = slider.thumbSize();
        const int offset = slider.thumbOffset();
        return slider.orientation() == Qt::Vertical
                   ? QPoint(slider.width() / 2, offset + thumb.height() / 2)
                   : QPoint(offset + thumb.width() / 2, slider.height() / 2);
    }

    ScriptedDialogs dialogs;
    ScriptedMixer mixer;
    MixerPanel panel{dialogs};
};

TEST_F(MixerPanelTest, SlidersStartCentredOnTheMixersRangeAndAreNamed) {
    for (TCoolSlider* slider :
         std::initializer_list<TCoolSlider*>{panel.RecordVolume(), panel.RecordBalance(),
                                             panel.PlaybackVolume(), panel.PlaybackBalance()}) {
        EXPECT_EQ(slider->Min(), 0);
        EXPECT_EQ(slider->Max(), 100);
        EXPECT_EQ(slider->Position(), 50);
        EXPECT_EQ(slider->focusPolicy(), Qt::StrongFocus);
    }
    EXPECT_EQ(panel.PlaybackVolume()->objectName(), "PlaybackVolumeTrackBar");
    EXPECT_EQ(panel.RecordBalance()->accessibleName(), "Record Balance");
    EXPECT_EQ(panel.PlaybackVolume()->accessibleName(), "Playback Volume");
}

TEST_F(MixerPanelTest, ReadBackShowsTheLouderChannelAndTheLean) {
    mixer.output = {32768, 16384};
    mixer.input = {65535, 65535};
    panel.ReadBackPlayback();
    panel.ReadBackRecord();
    EXPECT_EQ(panel.PlaybackVolume()->Position(), VolumeSliderPosition(32768, 65535));
    EXPECT_EQ(panel.PlaybackBalance()->Position(), 25);
    EXPECT_EQ(panel.RecordVolume()->Position(), 0);  // the top is full volume
    EXPECT_EQ(panel.RecordBalance()->Position(), 50);
    // A mono input has no balance: the slider stands in the middle.
    mixer.inputChannels = 1;
    mixer.input = {0, 0};
    panel.RecordBalance()->setPosition(80);
    panel.ReadBackRecord();
    EXPECT_EQ(panel.RecordVolume()->Position(), 100);
    EXPECT_EQ(panel.RecordBalance()->Position(), 50);
    // Reading back never writes.
    EXPECT_TRUE(mixer.outputWrites.empty());
    EXPECT_TRUE(mixer.inputWrites.empty());
}

TEST_F(MixerPanelTest, DraggingTheVolumeWritesTheMixerAndHandsTheFocusOn) {
    QSignalSpy handOver(&panel, &MixerPanel::SliderScrolled);
    TCoolSliderV& volume = *panel.PlaybackVolume();
    const QPoint grab = thumbCentre(volume);
    QTest::mousePress(&volume, Qt::LeftButton, {}, grab);
    QTest::mouseMove(&volume, QPoint(grab.x(), volume.height() - 1));
    QTest::mouseRelease(&volume, Qt::LeftButton, {}, QPoint(grab.x(), volume.height() - 1));
    EXPECT_EQ(volume.Position(), 100);
    ASSERT_FALSE(mixer.outputWrites.empty());
    EXPECT_EQ(mixer.outputWrites.back(), (std::array<std::uint32_t, 2>{0, 0}));  // silent
    EXPECT_GE(handOver.count(), 1);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(MixerPanelTest, HoveringOverAVolumeSliderWritesNothing) {
    // The vertical slider reports every mouse move over it; the mixer hears only changes.
    QSignalSpy handOver(&panel, &MixerPanel::SliderScrolled);
    TCoolSliderV& volume = *panel.RecordVolume();
    QSignalSpy reports(&volume, &TCoolSlider::scrolled);
    for (int y = 0; y < volume.height(); y += 10) QTest::mouseMove(&volume, QPoint(5, y));
    EXPECT_GT(reports.count(), 0);
    EXPECT_TRUE(mixer.inputWrites.empty());
    EXPECT_EQ(handOver.count(), 0);
}

TEST_F(MixerPanelTest, KeysMoveTheSliderAndKeepTheFocusOnIt) {
    QSignalSpy handOver(&panel, &MixerPanel::SliderScrolled);
    TCoolSliderH& balance = *panel.PlaybackBalance();
    balance.setFocus();
    QTest::keyClick(&balance, Qt::Key_End);
    EXPECT_EQ(balance.Position(), 100);
    ASSERT_EQ(mixer.outputWrites.size(), 1u);
    // Leaning fully right silences the left channel and keeps the right one.
    EXPECT_EQ(mixer.outputWrites.back(), (std::array<std::uint32_t, 2>{0, 40000}));
    // At the end already: nothing more is written.
    QTest::keyClick(&balance, Qt::Key_End);
    EXPECT_EQ(mixer.outputWrites.size(), 1u);
    EXPECT_EQ(handOver.count(), 0);

    TCoolSliderV& record = *panel.RecordVolume();
    record.setFocus();
    QTest::keyClick(&record, Qt::Key_Home);
    ASSERT_EQ(mixer.inputWrites.size(), 1u);
    EXPECT_EQ(mixer.inputWrites.back(), (std::vector<std::uint32_t>{65535, 65535}));
}

TEST_F(MixerPanelTest, AMonoInputTakesItsVolumeAsOneValue) {
    mixer.inputChannels = 1;
    panel.RecordVolume()->setSliderPosition(100);
    ASSERT_EQ(mixer.inputWrites.size(), 1u);
    EXPECT_EQ(mixer.inputWrites.back(), (std::vector<std::uint32_t>{0}));
    // Its balance has nothing to set and says nothing.
    panel.RecordBalance()->setSliderPosition(10);
    EXPECT_EQ(mixer.inputWrites.size(), 1u);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(MixerPanelTest, AMixerRefusalIsShownAsItsMessage) {
    mixer.setOutputResult = kMixerOutputDeviceGone;
    panel.PlaybackVolume()->setSliderPosition(30);
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(mixer.outputWrites.empty());
}

TEST_F(MixerPanelTest, ChoosingASourceSelectsItAndANoticeMovesIt) {
    QSignalSpy shown(&panel, &MixerPanel::SourceShown);
    panel.SetSources({{"Microphone", "Line In", "Monitor of Speakers"}, 1});
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown.last().at(0).toString(), "Line In");
    panel.SelectRecordSource(2);
    panel.SelectRecordSource(0);
    EXPECT_EQ(mixer.selectedSources, (std::vector<int>{2, 0}));
    EXPECT_EQ(panel.CurrentSourceName(), "Microphone");
    EXPECT_EQ(shown.last().at(0).toString(), "Microphone");
    // An index off the list is not passed on.
    panel.SelectRecordSource(3);
    panel.SelectRecordSource(-1);
    EXPECT_EQ(mixer.selectedSources.size(), 2u);

    // A refused selection keeps the current source and says why.
    mixer.selectResult = kMixerInvalidInputIndex;
    panel.SelectRecordSource(1);
    EXPECT_EQ(panel.Sources().current, 0);
    EXPECT_EQ(dialogs.shown().size(), 1u);

    // A notice from the mixer: taken when it names a listed source, ignored otherwise.
    panel.MixerMessage(kMixerSourceChanged, 0, 2);
    EXPECT_EQ(panel.CurrentSourceName(), "Monitor of Speakers");
    panel.MixerMessage(kMixerSourceChanged, 0, 3);
    panel.MixerMessage(kMixerSourceChanged, 0, -1);
    EXPECT_EQ(panel.Sources().current, 2);
}

TEST_F(MixerPanelTest, AVolumeNoticeReadsTheSlidersBack) {
    mixer.output = {0, 65535};
    panel.MixerMessage(kMixerOutputVolumeChanged, 0, 0);
    EXPECT_EQ(panel.PlaybackVolume()->Position(), 0);
    EXPECT_EQ(panel.PlaybackBalance()->Position(), 100);
    // The read-back value is what the mixer was last told: pressing End there writes nothing.
    panel.PlaybackBalance()->setFocus();
    QTest::keyClick(panel.PlaybackBalance(), Qt::Key_End);
    EXPECT_TRUE(mixer.outputWrites.empty());
}

TEST_F(MixerPanelTest, ShutdownStoresNothingWithoutSourcesAndReleasesTheDevices) {
    panel.ReleaseMixer();
    EXPECT_EQ(mixer.deselected, 2);
    EXPECT_TRUE(panel.Sources().names.empty());
    EXPECT_TRUE(panel.CurrentSourceName().isEmpty());
}

TEST_F(MixerPanelTest, RecSourceWithoutSourcesSaysSo) {
    ASSERT_TRUE(panel.Sources().names.empty());
    panel.RecSourceButtonClick();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text,
              QString::fromStdString(FormatMessage(kNoRecordingSourceMessage)));
}

TEST(MixerPanelWithoutMixer, SlidersMoveAndWriteNothing) {
    ScriptedDialogs dialogs;
    MixerPanel panel(dialogs);
    QSignalSpy handOver(&panel, &MixerPanel::SliderScrolled);
    panel.PlaybackVolume()->setSliderPosition(10);
    EXPECT_EQ(panel.PlaybackVolume()->Position(), 10);
    EXPECT_EQ(handOver.count(), 1);
    panel.RecSourceButtonClick();
    panel.ReadBackPlayback();
    EXPECT_TRUE(dialogs.shown().empty());
}

}  // namespace
}  // namespace sonthra
