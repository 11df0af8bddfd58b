// The quick effect buttons, Scrubline and the pop-up items of the main window, with a folder of
// test plug-ins in which two effects share one menu caption: each control runs the effect it
// was bound to when the menu was built, whatever the items show later.
#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <vector>

#include "app/ui/command_states.h"
#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"
#include "dialogs/ui/scripted_dialogs.h"

namespace sonthra {
namespace {

class EffectButtonsTest : public ::testing::Test {
protected:
    EffectButtonsTest() {
        form.Effects().Start(TWIN_PLUGINS);
        form.SetCommandState(kStateNewDocument);
    }

    // The Effects menu item of the plug-in with this effect name.
    QAction* itemOf(const std::string& effectName) {
        for (const auto& plugin : form.Effects().Plugins().plugins()) {
            if (plugin->effectName == effectName)
                return reinterpret_cast<QAction*>(plugin->menuKey);
        }
        return nullptr;
    }
    QAction* popupItem(int index) {
        return form.Effects().EffectsPopupMenu()->actions().value(index);
    }
    void click(const char* name) { form.findChild<QAbstractButton*>(name)->click(); }

    ScriptedDialogs dialogs;
    TMainForm form{dialogs};
};

TEST_F(EffectButtonsTest, TwoEffectsOfOneCaptionEachRunTheirOwnItem) {
    // The pop-up holds one item per plug-in, sorted by caption; one caption keeps list order.
    const auto& plugins = form.Effects().Plugins().plugins();
    ASSERT_EQ(plugins.size(), 3u);
    ASSERT_EQ(form.Effects().EffectsPopupMenu()->actions().size(), 3);
    EXPECT_EQ(popupItem(0)->text(), "&Echo...");
    std::vector<QAction*> fades;  // in menu order
    for (std::size_t i = 0; i < plugins.size(); ++i) {
        if (plugins[i]->effectName.find("FadeIn") == std::string::npos) continue;
        fades.push_back(reinterpret_cast<QAction*>(plugins[i]->menuKey));
    }
    ASSERT_EQ(fades.size(), 2u);
    int laterFadeAt = -1;
    for (int i = 0; i < 3; ++i) {
        if (popupItem(i)->data().value<QObject*>() == fades[1]) laterFadeAt = i;
    }
    ASSERT_EQ(laterFadeAt, 2);
    ASSERT_EQ(fades[0]->text(), "Fade &In...");
    ASSERT_EQ(fades[1]->text(), "Fade &In...");
    QSignalSpy firstRuns(fades[0], &QAction::triggered);
    QSignalSpy laterRuns(fades[1], &QAction::triggered);

    // The later fade's pop-up item runs the later fade, not the first item of its caption.
    ASSERT_EQ(popupItem(laterFadeAt)->text(), "Fade &In...");
    popupItem(laterFadeAt)->trigger();
    EXPECT_EQ(laterRuns.count(), 1);
    EXPECT_EQ(firstRuns.count(), 0);

    // The Fade button runs the first fade in menu order.
    EXPECT_EQ(form.Effects().ButtonTarget(2), reinterpret_cast<std::uintptr_t>(fades[0]));
    click("EffectsButton2");
    EXPECT_EQ(firstRuns.count(), 1);
    EXPECT_EQ(laterRuns.count(), 1);
}

TEST_F(EffectButtonsTest, ACaptionChangedLaterDoesNotRedirectAButton) {
    QAction* echo = itemOf("Test Echo");
    ASSERT_NE(echo, nullptr);
    QSignalSpy echoRuns(echo, &QAction::triggered);
    // Another item now shows "Echo" before the real one, and the real one no longer does.
    QAction* slow = itemOf("Slow FadeIn");
    QSignalSpy slowRuns(slow, &QAction::triggered);
    slow->setText("&Echo...");
    echo->setText("Repeat...");
    click("EffectsButton4");
    EXPECT_EQ(echoRuns.count(), 1);
    EXPECT_EQ(slowRuns.count(), 0);

    // No Equalize, Normalize, Mix or Scrubline here: those run nothing.
    click("EffectsButton1");
    click("EffectsButton3");
    click("EffectsButton5");
    form.Effects().ScrublineMenuClick();
    EXPECT_EQ(echoRuns.count() + slowRuns.count(), 1);
    EXPECT_FALSE(form.Effects().ScrublineTarget().has_value());

    // Once the items are gone the buttons find nothing and nothing breaks.
    form.Effects().FreeEffectMenuItems();
    form.Effects().Stop();
    click("EffectsButton4");
    EXPECT_TRUE(dialogs.shown().empty());
}

}  // namespace
}  // namespace sonthra
