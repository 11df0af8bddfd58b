// The position read-outs with their entry fields, the display modes, zoom, scrolling and the
// selection commands through the real main window.
#include <QAbstractButton>

#include "app/ui/command_states.h"
#include "app/ui/mixer_panel.h"
#include "app_edit/edit_fixture.h"
#include "view/ui/scale_widget.h"

namespace sonthra {
namespace {

constexpr std::uint32_t kTenSeconds = 441000;

class ReadoutTest : public EditWindowTest {
protected:
    TLUM32Scale& scale() { return *form.findChild<TLUM32Scale*>("Scale"); }
    void click(const char* button) { form.findChild<QAbstractButton*>(button)->click(); }
    bool caretFieldOpen() { return field("PositionMaskEdit")->isVisible(); }
};

TEST_F(ReadoutTest, TypingPastTheEndPutsTheCaretOnTheLastFrame) {
    openRamp(kTenSeconds);
    select(1000, 2000);
    typeInto("PositionBox", "PositionMaskEdit", "99959999");
    EXPECT_EQ(view().CaretPositionBySamples(), kTenSeconds);
    EXPECT_EQ(readout("PositionBox"), "000:10:000");
    EXPECT_FALSE(caretFieldOpen());
    EXPECT_TRUE(form.findChild<QLabel*>("PositionBox")->isVisible());
    // Placing the caret removed the selection, and the commands that need one.
    EXPECT_EQ(view().SelectionStartPos(), view().SelectionEndPos());
    EXPECT_EQ(readout("StartSelectionBox"), "000:00:000");
    EXPECT_EQ(readout("EndSelectionBox"), "000:00:000");
    EXPECT_FALSE(enabled("EditCutMenu"));
    EXPECT_TRUE(view().hasFocus());

    typeInto("PositionBox", "PositionMaskEdit", "2.5");
    EXPECT_EQ(view().CaretPositionBySamples(), 110250u);
    EXPECT_EQ(readout("PositionBox"), "000:02:500");
    EXPECT_EQ(form.View().ReadCaretBox(PositionMode::Samples), 110250u);
    EXPECT_EQ(form.View().ReadCaretBox(PositionMode::Time), 2500u);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ReadoutTest, EscapeAbandonsAnEntryAndLeavingTheFieldAppliesIt) {
    openRamp(kTenSeconds);
    typeInto("PositionBox", "PositionMaskEdit", "5", Qt::Key_Escape);
    EXPECT_EQ(view().CaretPositionBySamples(), 0u);
    EXPECT_EQ(readout("PositionBox"), "000:00:000");
    EXPECT_FALSE(caretFieldOpen());

    // Leaving the field for another control applies what was typed.
    QTest::mouseClick(form.findChild<QLabel*>("PositionBox"), Qt::LeftButton);
    QLineEdit* entry = field("PositionMaskEdit");
    ASSERT_TRUE(entry->hasFocus());
    QTest::keyClicks(entry, "1");
    view().setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(view().CaretPositionBySamples(), 44100u);
    EXPECT_EQ(readout("PositionBox"), "000:01:000");
    EXPECT_FALSE(caretFieldOpen());

    // An entry that cannot be read is refused and changes nothing; Escape then closes it.
    QTest::mouseClick(form.findChild<QLabel*>("PositionBox"), Qt::LeftButton);
    entry->setText("12:x");
    QTest::keyClick(entry, Qt::Key_Return);
    EXPECT_TRUE(caretFieldOpen());
    QTest::keyClick(entry, Qt::Key_Escape);
    EXPECT_EQ(view().CaretPositionBySamples(), 44100u);
    EXPECT_EQ(readout("PositionBox"), "000:01:000");
    EXPECT_FALSE(caretFieldOpen());
}

TEST_F(ReadoutTest, TypedSelectionBoundsTakeTheOtherAlongAndNeverSwap) {
    openRamp(kTenSeconds);
    select(44100, 88200);
    typeInto("StartSelectionBox", "StartSelectionMaskEdit", "5");
    EXPECT_EQ(view().SelectionStartPos(), 220500u);
    EXPECT_EQ(view().SelectionEndPos(), 220500u);
    EXPECT_EQ(readout("EndSelectionBox"), "000:05:000");
    typeInto("EndSelectionBox", "EndSelectionMaskEdit", "8");
    EXPECT_EQ(view().SelectionStartPos(), 220500u);
    EXPECT_EQ(view().SelectionEndPos(), 352800u);
    EXPECT_TRUE(enabled("EditCutMenu"));

    form.View().EditSelectNoneMenuClick();
    EXPECT_FALSE(enabled("EditCutMenu"));
    typeInto("StartSelectionBox", "StartSelectionMaskEdit", "1");
    typeInto("EndSelectionBox", "EndSelectionMaskEdit", "0:02.000");
    EXPECT_EQ(view().SelectionStartPos(), 44100u);
    EXPECT_EQ(view().SelectionEndPos(), 88200u);
    EXPECT_TRUE(enabled("EditCutMenu"));

    // The same value in both fields: the selection commands go off.
    typeInto("EndSelectionBox", "EndSelectionMaskEdit", "000:01:000");
    EXPECT_FALSE(enabled("EditCutMenu"));
    EXPECT_FALSE(enabled("EditCropMenu"));

    // A bound past the end is the end, and its read-out says so.
    typeInto("EndSelectionBox", "EndSelectionMaskEdit", "99959999");
    EXPECT_EQ(readout("EndSelectionBox"), "000:10:000");
    EXPECT_EQ(view().SelectionEndPos(), kTenSeconds);
    EXPECT_EQ(view().SelectionStartPos(), 44100u);
    EXPECT_TRUE(enabled("EditCutMenu"));
    select(kTenSeconds, 44100);
    trigger("EditCutMenu");
    EXPECT_EQ(view().TotalSamples(), 44100u);
}

TEST_F(ReadoutTest, SampleNumbersModeShowsFramesAndTheRulerFollows) {
    openRamp(kTenSeconds);
    select(100, 44100);
    trigger("ViewPositionDisplaySamplesMenu");
    EXPECT_EQ(readout("StartSelectionBox"), "00000100");
    EXPECT_EQ(readout("EndSelectionBox"), "00044100");
    EXPECT_EQ(scale().Format(), TFormat::Samples);

    typeInto("PositionBox", "PositionMaskEdit", "00012345");
    EXPECT_EQ(view().CaretPositionBySamples(), 12345u);
    EXPECT_EQ(readout("PositionBox"), "00012345");
    form.View().PlaceCaret(0);
    form.View().ShowCaretPosition(0, PositionMode::Samples);
    EXPECT_EQ(readout("PositionBox"), "00000000");

    trigger("ViewPositionDisplayMinSecMenu");
    EXPECT_EQ(scale().Format(), TFormat::Time);
    EXPECT_EQ(readout("PositionBox"), "000:00:000");
    form.View().ShowSelectionBound(2125120, PositionMode::Time, 2);
    EXPECT_EQ(readout("EndSelectionBox"), "035:25:120");
    EXPECT_EQ(form.View().ReadSelectionBox(PositionMode::Time, 2), 2125120u);
}

TEST_F(ReadoutTest, ReadoutsTakeNoEntryWithoutADocument) {
    QTest::mouseClick(form.findChild<QLabel*>("PositionBox"), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QLabel*>("EndSelectionBox"), Qt::LeftButton);
    EXPECT_FALSE(caretFieldOpen());
    EXPECT_FALSE(field("EndSelectionMaskEdit")->isVisible());
    form.View().ZoomInButtonClick();
    form.View().WaveformRightScrollButtonClick();
    form.View().EditSelectAllMenuClick();
    form.Edit().EditUndoMenuClick();
    form.Edit().EditPasteMenuClick();
    EXPECT_TRUE(dialogs.shown().empty());
    // Without a document the ruler has nothing to show.
    form.FormResize();
    EXPECT_EQ(scale().ZoomLevel(), 1u);
    EXPECT_FALSE(scale().IsDataAvailable());
}

TEST_F(ReadoutTest, ZoomInHalvesZoomOutDoublesAndTheRulerFollows) {
    openRamp(kTenSeconds);
    view().setZoomLevel(3);
    click("ZoomInButton");
    EXPECT_EQ(view().ZoomLevel(), 1u);
    view().setZoomLevel(5);
    trigger("ViewZoomInMenu");
    EXPECT_EQ(view().ZoomLevel(), 2u);
    EXPECT_EQ(form.StatusPanelText(4), "1:2");
    EXPECT_EQ(scale().ZoomLevel(), 2u);

    click("ZoomOutButton");
    EXPECT_EQ(view().ZoomLevel(), 4u);
    const std::uint32_t max = view().MaxZoomLevel();
    view().setZoomLevel(max / 2 + 1);
    trigger("ViewZoomOutMenu");
    EXPECT_EQ(view().ZoomLevel(), max);
    trigger("ViewZoomOutMenu");
    EXPECT_EQ(view().ZoomLevel(), max);
    EXPECT_EQ(form.StatusPanelText(4), QString("1:%1").arg(max));

    view().setZoomLevel(1);
    click("ZoomToExtentsButton");
    EXPECT_EQ(view().ZoomLevel(), max);
    EXPECT_EQ(view().LeftSamplePos(), 0u);

    select(200000, 100000);
    click("ZoomToSelectionButton");
    EXPECT_EQ(view().LeftSamplePos(), 100000u);
    EXPECT_EQ(view().ZoomLevel(), 100000u / view().clientWidth() + 1);
    EXPECT_EQ(scale().LeftSamplePos(), 100000u);
    EXPECT_EQ(scale().ZoomLevel(), view().ZoomLevel());
}

TEST_F(ReadoutTest, ScrollingMovesHalfAScreenAndStopsAtTheEnds) {
    openRamp(kTenSeconds);
    view().setZoomLevel(32);
    ASSERT_EQ(view().LeftSamplePos(), 0u);
    const std::uint32_t step = 32u * view().clientWidth() / 2;
    click("WaveformRightScrollButton");
    EXPECT_EQ(view().LeftSamplePos(), step);
    EXPECT_EQ(scale().LeftSamplePos(), step);
    click("WaveformRightScrollButton");
    click("WaveformLeftScrollButton");
    EXPECT_EQ(view().LeftSamplePos(), step);
    click("WaveformLeftScrollButton");
    click("WaveformLeftScrollButton");
    EXPECT_EQ(view().LeftSamplePos(), 0u);

    // Never past the last screen; at the end nothing moves.
    for (int i = 0; i < 100; ++i) click("WaveformRightScrollButton");
    EXPECT_EQ(view().LeftSamplePos(), view().MaxPosition());
    EXPECT_EQ(view().RightSamplePos(), kTenSeconds);
    // A file that fits the view does not scroll.
    click("ZoomToExtentsButton");
    click("WaveformRightScrollButton");
    EXPECT_EQ(view().LeftSamplePos(), 0u);
}

TEST_F(ReadoutTest, SelectAllAndNoneAndTheCaretMovingTheView) {
    openRamp(kTenSeconds);
    trigger("EditSelectAllMenu");
    EXPECT_EQ(readout("StartSelectionBox"), "000:00:000");
    EXPECT_EQ(readout("EndSelectionBox"), "000:10:000");
    EXPECT_EQ(readout("PositionBox"), "000:10:000");
    EXPECT_TRUE(enabled("EditCropMenu"));
    trigger("EditSelectNoneMenu");
    EXPECT_EQ(readout("EndSelectionBox"), "000:00:000");
    EXPECT_FALSE(enabled("EditCropMenu"));

    // The keyboard moves the caret past the view: the view scrolls and the ruler follows.
    view().setZoomLevel(4);
    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_Home);
    QTest::keyClick(&view(), Qt::Key_End);
    EXPECT_EQ(readout("PositionBox"), "000:10:000");
    EXPECT_GT(view().LeftSamplePos(), 0u);
    EXPECT_EQ(scale().LeftSamplePos(), view().LeftSamplePos());
    QTest::keyClick(&view(), Qt::Key_Home);
    EXPECT_EQ(readout("PositionBox"), "000:00:000");
    EXPECT_EQ(scale().LeftSamplePos(), 0u);
}

TEST_F(ReadoutTest, TheWindowsSizeBringsRulerAndZoomTextInLine) {
    openRamp(kTenSeconds);
    view().setZoomLevel(64);
    form.resize(1200, 700);
    QTest::qWait(50);
    form.FormResize();
    EXPECT_EQ(form.StatusPanelText(4), QString("1:%1").arg(view().ZoomLevel()));
    EXPECT_EQ(scale().ZoomLevel(), view().ZoomLevel());
    EXPECT_EQ(scale().LeftSamplePos(), view().LeftSamplePos());
    EXPECT_TRUE(scale().IsDataAvailable());
}

TEST_F(ReadoutTest, MovingAMixerSliderHandsTheFocusBackToTheDisplay) {
    openRamp(kTenSeconds);
    auto* panel = form.findChild<MixerPanel*>();
    ASSERT_NE(panel, nullptr);
    const std::pair<const char*, void (MixerPanel::*)()> sliders[] = {
        {"PlaybackVolumeTrackBar", &MixerPanel::PlaybackVolumeTrackBarScroll},
        {"PlaybackBalanceTrackBar", &MixerPanel::PlaybackBalanceTrackBarScroll},
        {"RecordVolumeTrackBar", &MixerPanel::RecordVolumeTrackBarScroll},
        {"RecordBalanceTrackBar", &MixerPanel::RecordBalanceTrackBarScroll}};
    for (const auto& [name, scrolled] : sliders) {
        auto* slider = form.findChild<QWidget*>(name);
        ASSERT_NE(slider, nullptr) << name;
        slider->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(slider->hasFocus()) << name;
        (panel->*scrolled)();
        EXPECT_TRUE(view().hasFocus()) << name;
    }
}

}  // namespace
}  // namespace sonthra
