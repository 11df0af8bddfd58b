// The main window's skinned controls without audio: which controls are skinned, and that each
// is named for screen readers and works from the keyboard.
#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "app/ui/main_form.h"
#include "controls/ui/cool_button.h"
#include "controls/ui/cool_form.h"
#include "controls/ui/cool_slider.h"
#include "dialogs/ui/scripted_dialogs.h"

namespace sonthra {
namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face == nullptr ? QString() : face->text(QAccessible::Name);
}

TEST(SkinnedWindow, ButtonsAndSlidersAreSkinnedNamedAndReachable) {
    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    const std::pair<const char*, const char*> buttons[] = {
        {"ZoomInButton", "Zoom In"},
        {"ZoomToExtentsButton", "Zoom To Extents"},
        {"EffectsButton1", "EQ"},
        {"MoreEffectsButton", "More..."},
        {"SkipToStartButton", "Go to beginning"},
        {"PlayButton", "Play"},
        {"StopButton", "Stop"},
        {"StartStopRecordingButton", "Record"},
        {"RecSettingsButton", "Rec Settings"},
        {"RecSourceButton", "Rec Source"},
        {"WaveformLeftScrollButton", "Scroll left"},
    };
    for (auto [name, spoken] : buttons) {
        SCOPED_TRACE(name);
        auto* button = form.findChild<TCoolButton*>(name);
        ASSERT_NE(button, nullptr) << "a skinned button";
        EXPECT_EQ(accessibleName(button), spoken);
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);
    }
    // The transport shows glyphs, not captions, drawn at the screen's density.
    auto* play = form.findChild<TCoolButton*>("PlayButton");
    EXPECT_TRUE(play->Caption().isEmpty());
    EXPECT_FALSE(play->Glyph().isNull());
    EXPECT_TRUE(form.findChild<TCoolButton*>("PauseButton")->IsToggleButton());
    EXPECT_TRUE(form.findChild<TCoolButton*>("StartStopRecordingButton")->IsToggleButton());

    for (const char* name : {"RecordVolumeTrackBar", "RecordBalanceTrackBar",
                             "PlaybackVolumeTrackBar", "PlaybackBalanceTrackBar"}) {
        auto* slider = form.findChild<TCoolSlider*>(name);
        ASSERT_NE(slider, nullptr) << name;
        EXPECT_FALSE(accessibleName(slider).isEmpty()) << name;
        EXPECT_TRUE(slider->focusPolicy() & Qt::TabFocus) << name;
    }
    EXPECT_NE(form.findChild<TCoolForm*>("CentralArea"), nullptr);
}

// Space is the window's play and stop key; Return presses the button that has the focus.
TEST(SkinnedWindow, ReturnOnAFocusedButtonClicksIt) {
    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* button = form.findChild<TCoolButton*>("RecSourceButton");
    ASSERT_TRUE(button->isEnabled());
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 1);
}

}  // namespace
}  // namespace sonthra
