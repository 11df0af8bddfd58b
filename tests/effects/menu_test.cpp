#include <gtest/gtest.h>

#include "effects/effect_menu.h"
#include "effects_test_support.h"
#include "test_params.h"

namespace sonthra {
namespace {

EffectPluginList namedList(const std::vector<std::string>& names) {
    EffectPluginList list;
    for (const auto& name : names) {
        auto plugin = std::make_unique<EffectPlugin>();
        plugin->effectName = name;
        list.append(std::move(plugin));
    }
    return list;
}

TEST(EffectMenu, ItemsButtonsPopupAndScrubline) {
    EffectPluginList list =
        namedList({"Scrubline", "Corvanta fadeout", "FadeIn", "Mix", "Note Scrubber"});
    EffectMenuModel menu;
    std::uintptr_t next = 100;
    std::vector<std::string> made;
    menu.AddEffectMenuItems(list, [&](const std::string& caption) {
        made.push_back(caption);
        return next++;
    });
    // Sorted by what the user reads, not by the order the plug-ins were found in.
    EXPECT_EQ(made, (std::vector<std::string>{"Fade &In...", "Fade &Out...", "Mi&x...",
                                              "Noise Re&duction...", "Note Scrubber..."}));
    EXPECT_EQ(list.at(1)->menuKey, 101u);
    EXPECT_EQ(list.findByMenuKey(103), list.at(0));
    EXPECT_EQ(menu.buttonTarget(2), std::optional<std::uintptr_t>(100));  // the first fade
    EXPECT_EQ(menu.buttonTarget(5), std::optional<std::uintptr_t>(102));
    EXPECT_FALSE(menu.buttonTarget(1).has_value());
    EXPECT_FALSE(menu.buttonTarget(6).has_value());
    EXPECT_EQ(menu.scrublineTarget(), std::optional<std::uintptr_t>(103));
    // Both fades are there: the Fade button offers them, Fade In first.
    const auto fades = menu.fadeChoices();
    ASSERT_EQ(fades.size(), 2u);
    EXPECT_EQ(fades[0].key, 100u);
    EXPECT_EQ(fades[1].key, 101u);
    EffectPluginList onlyFadeIn = namedList({"FadeIn", "Echo"});
    EffectMenuModel single;
    single.AddEffectMenuItems(onlyFadeIn, [&](const std::string&) { return next++; });
    EXPECT_TRUE(single.fadeChoices().empty()) << "one fade: the button runs it at once";
    menu.FreeEffectMenuItems();
    EXPECT_TRUE(menu.items().empty());
}

TEST(EffectMenu, SettingsStepChecksTheFileThenAsksThePlugIn) {
    EffectPluginList list;
    list.folder = std::string(EFFECTS_TEST_PLUGINS) + "/Good/";
    ASSERT_EQ(RegisterEffectPlugin(list, list.folder + "CVTestGoodUI.so"), 0);
    EffectPlugin& plugin = *list.at(0);
    auto* params = static_cast<TestParams*>(plugin.params);
    test::TempFolder folder;
    const std::string work = folder.file("work.wav");
    test::writeWave(work, {1, 2, 3, 4}, 1);

    EXPECT_EQ(ShowEffectSettings(plugin, nullptr, work), 0);
    EXPECT_EQ(params->dialogChannels, 1);
    params->dialogCode = 2;
    EXPECT_EQ(ShowEffectSettings(plugin, nullptr, work), 129);
    params->dialogCode = 260;
    EXPECT_EQ(ShowEffectSettings(plugin, nullptr, work), 390);
    params->dialogCode = 0;
    EXPECT_EQ(ShowEffectSettings(plugin, nullptr, folder.file("none.wav")), 103);
    test::writeWave(folder.file("empty.wav"), {}, 1);
    EXPECT_EQ(ShowEffectSettings(plugin, nullptr, folder.file("empty.wav")), 164);
    params->dialogChannels = 0;
    plugin.effectName = "Corvanta Mono to Stereo";
    EXPECT_EQ(ShowEffectSettings(plugin, nullptr, work), 129);
    EXPECT_EQ(params->dialogChannels, 0);  // never shown
}

}  // namespace
}  // namespace sonthra
