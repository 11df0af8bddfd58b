#include <gtest/gtest.h>

#include <filesystem>

#include "effects/effect_captions.h"
#include "effects/effect_codes.h"
#include "effects/effect_host.h"
#include "effects_test_support.h"
#include "messages/message_table.h"
#include "test_params.h"

namespace sonthra {
namespace {

using test::TempFolder;

std::string variantFolder(const std::string& variant) {
    return std::string(EFFECTS_TEST_PLUGINS) + "/" + variant;
}

int registerVariant(const std::string& variant, EffectPluginList& list) {
    list.folder = variantFolder(variant) + "/";
    return RegisterEffectPlugin(list, list.folder + "CVTest" + variant + "UI.so");
}

TEST(EffectHost, LoadsOnlyCompletePairsFromTheFolder) {
    TempFolder folder;
    for (const char* variant :
         {"Good", "NoNul", "NoApply", "Empty", "Zero", "Huge", "NoProc", "Escape", "FailInfo"}) {
        test::copyFolder(variantFolder(variant), folder.path());
    }
    // A processing library on its own and a file that only looks like a plug-in.
    std::filesystem::copy_file(variantFolder("Good") + "/CVTestGood.so",
                               folder.file("CVLoneProcessing.so"));
    {
        std::FILE* f = std::fopen(folder.file("CVBrokenUI.so").c_str(), "w");
        std::fclose(f);
    }

    EffectPluginList list;
    LoadEffectPlugins(list, folder.path());
    ASSERT_EQ(list.size(), 2u);
    std::vector<std::string> names;
    for (const auto& plugin : list.plugins()) {
        names.push_back(plugin->effectName);
        EXPECT_EQ(plugin->index, static_cast<int>(names.size()));
        EXPECT_NE(plugin->params, nullptr);
        EXPECT_EQ(plugin->paramSize, sizeof(TestParams));
        EXPECT_EQ(plugin->interfacePath.rfind(folder.path() + "/", 0), 0u);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names[0], std::string(256, 'N'));  // read up to the buffer's end, no further
    EXPECT_EQ(names[1], "Test Good");
    EXPECT_NE(list.findByName("TEST good"), nullptr);
    EXPECT_EQ(list.findByName("Test"), nullptr);
    UnloadEffectPlugins(list);
    EXPECT_EQ(list.size(), 0u);
}

TEST(EffectHost, RegistrationGivesTheCodeOfWhatIsWrong) {
    struct Case {
        const char* variant;
        int code;
    };
    for (const Case& c :
         {Case{"Good", 0}, Case{"NoApply", 420}, Case{"Empty", 3}, Case{"Zero", 3}, Case{"Huge", 3},
          Case{"NoProc", 420}, Case{"Escape", 3}, Case{"FailInfo", 262}}) {
        EffectPluginList list;
        EXPECT_EQ(registerVariant(c.variant, list), c.code) << c.variant;
        EXPECT_EQ(list.size(), c.code == 0 ? 1u : 0u) << c.variant;
    }
    EffectPluginList list;
    list.folder = "/nonexistent/";
    EXPECT_EQ(RegisterEffectPlugin(list, "/nonexistent/CVNoneUI.so"), 420);
}

TEST(EffectHost, EntryPointsAreThePlugInsOwn) {
    EffectPluginList list;
    ASSERT_EQ(registerVariant("Good", list), 0);
    EffectPlugin& p = *list.at(0);
    auto* params = static_cast<TestParams*>(p.params);
    params->dialogCode = 2;
    EffectWaveFormat format{1, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(p.ShowEffectDialog(nullptr, nullptr, p.processingLibrary.c_str(), format, p.params),
              2);
    EXPECT_EQ(params->dialogChannels, 2);
    EXPECT_EQ(p.processingLibrary, "CVTestGood.so");
    EXPECT_EQ(p.text1, "first text");
    EXPECT_EQ(p.SetEffectSettingsText, nullptr);  // optional
}

TEST(EffectHost, InterfaceLibraryNames) {
    for (const char* name : {"CVAmplifyUI.so", "cvechoui.so", "CVUI.so", "CVFancyUIv2.so"}) {
        EXPECT_TRUE(isEffectInterfaceName(name)) << name;
    }
    for (const char* name :
         {"CVAmplify.so", "AmplifyUI.so", "CVAmplifyUI.so.1", "CVAmpUI.dll", "CV.so", "xCVUI.so"}) {
        EXPECT_FALSE(isEffectInterfaceName(name)) << name;
    }
}

TEST(EffectCaptions, PredefinedKeysThenTheNameItself) {
    bool predefined = false;
    EXPECT_EQ(GetPredefinedEffectMenuItemName("Corvanta fadeout", &predefined), "Fade &Out...");
    EXPECT_TRUE(predefined);
    EXPECT_EQ(GetPredefinedEffectMenuItemName("EQUALIZE 10 band", &predefined), "E&qualizer...");
    // Table order decides: "Mix" comes last, so an echo that mixes is an echo.
    EXPECT_EQ(GetPredefinedEffectMenuItemName("EchoMix", &predefined), "&Echo...");
    EXPECT_EQ(GetPredefinedEffectMenuItemName("Scrubline", &predefined), "Noise Re&duction...");
    // Any other plug-in's name reads as plain words.
    EXPECT_EQ(GetPredefinedEffectMenuItemName("noise_gate", &predefined), "Noise Gate...");
    EXPECT_FALSE(predefined);
    EXPECT_EQ(GetPredefinedEffectMenuItemName("DeEsser--wide", &predefined), "De Esser Wide...");
    EXPECT_EQ(GetPredefinedEffectMenuItemName("Wah...", &predefined), "Wah...");
    EXPECT_EQ(EffectSortKey("Noise Re&duction..."), "noise reduction...");
}

TEST(EffectCaptions, ButtonsFindTheFirstMatchingCaption) {
    const std::vector<std::string> menu = {"Noise Re&duction...", "Fade &Out...", "Fade &In...",
                                           "Mi&x...", "E&qualizer..."};
    const auto& buttons = effectButtons();
    ASSERT_EQ(buttons.size(), 5u);
    EXPECT_EQ(findEffectCaption(menu, buttons[0].searched), 4);   // EQ
    EXPECT_EQ(findEffectCaption(menu, buttons[1].searched), 1);   // Fade: the first of the two
    EXPECT_EQ(findEffectCaption(menu, buttons[2].searched), -1);  // no Normalize
    EXPECT_EQ(findEffectCaption(menu, buttons[4].searched), 3);   // "Mi&x"
    EXPECT_EQ(findEffectCaption(menu, {kScrublineSearched}), 0);
    EXPECT_EQ(findEffectCaption({}, buttons[0].searched), -1);
    EXPECT_TRUE(isInertEffect("Corvanta Note Scrubber"));
    EXPECT_FALSE(isInertEffect("note scrubber"));  // case-sensitive
    const PopupPoint at = moreEffectsPopupPoint(10, 20, 30, 100, 200, 500, 470);
    EXPECT_EQ(at.x, 110);
    EXPECT_EQ(at.y, 200 + 500 - 470 + 20 + 30);
}

TEST(EffectCodes, EveryCodeOfTheTableHasItsMessage) {
    const std::vector<std::pair<int, int>> table = {
        {2, 129},    {3, 418},    {4, 387},    {6, 419},    {257, 104},  {258, 388},
        {259, 389},  {260, 390},  {261, 391},  {262, 392},  {263, 393},  {264, 394},
        {265, 395},  {266, 396},  {267, 397},  {268, 398},  {269, 477},  {4096, 409},
        {4097, 400}, {4098, 401}, {4099, 402}, {4100, 403}, {4101, 404}, {4102, 405},
        {4103, 406}, {4104, 407}, {4105, 408}, {4106, 410}, {4107, 448}};
    for (const auto& [code, message] : table) {
        EXPECT_EQ(EffectCodeToMessage(code), message) << code;
        EXPECT_NE(MessageText(message), nullptr) << message;
    }
    EXPECT_EQ(EffectCodeToMessage(0), 0);
    EXPECT_EQ(EffectCodeToMessage(1), 0);
    for (int other : {5, 7, 256, 270, 4095, 4108, -1}) EXPECT_EQ(EffectCodeToMessage(other), 399);
    EXPECT_STREQ(MessageText(419),
                 "Error : Could not mix, source and destination wave file formats are different. "
                 "Error code 419");
}

}  // namespace
}  // namespace sonthra
