// The colour scheme table over a real settings file.
#include <gtest/gtest.h>

#include "settings/color_text.h"
#include "settings/registry_store.h"
#include "view/color_scheme.h"
#include "view_test_support.h"

namespace sonthra {
namespace {

using testing::TempDir;

// Writes one raw text value into the scheme's key.
void storeText(const std::string& file, const char* name, const std::string& text) {
    RegistryStore store(file);
    ASSERT_EQ(store.open(), 0);
    ASSERT_EQ(store.openKey(ColorSchemeKey, true), 0);
    ASSERT_EQ(store.writeString(name, text), 0);
    ASSERT_EQ(store.close(), 0);
}

TEST(ColorScheme, StartsWithTheCompiledDefaults) {
    ColorSchemeTable table;
    EXPECT_EQ(table.entry(kSchemeWaveform).name, "Waveform");
    EXPECT_EQ(table.entry(kSchemeClippingLightOff).name, "Clipping Light Off");
    for (int i = 0; i < kColorSchemeSize; ++i) {
        EXPECT_TRUE(table.entry(i).useDefault);
        EXPECT_EQ(table.GetSchemeColor(i), kColorSchemeElements[i].defaultColor);
    }
    EXPECT_EQ(table.GetSchemeColor(-1), 0u);
    EXPECT_EQ(table.GetSchemeColor(13), 0u);
}

TEST(ColorScheme, StoredNamesAndGarbleLoadAsTheirColoursOrDefaults) {
    TempDir dir;
    const std::string file = dir.file("settings");
    storeText(file, "Waveform", "clRed");
    storeText(file, "Axis", "#not a colour");
    storeText(file, "LED On", "$00102030");
    Settings settings(file);
    ColorSchemeTable table;
    ASSERT_EQ(table.LoadColorScheme(settings), 0);
    EXPECT_EQ(table.GetSchemeColor(kSchemeWaveform), rgbColor(255, 0, 0));
    EXPECT_FALSE(table.entry(kSchemeWaveform).useDefault);
    EXPECT_TRUE(table.entry(kSchemeAxis).useDefault);
    EXPECT_EQ(table.GetSchemeColor(kSchemeAxis), rgbColor(106, 181, 255));
    EXPECT_EQ(table.GetSchemeColor(kSchemeLedOn), 0x00102030u);

    // "Default" for the waveform shows the light blue default again.
    table.setUseDefault(kSchemeWaveform, true);
    EXPECT_EQ(table.GetSchemeColor(kSchemeWaveform), rgbColor(106, 181, 255));
    EXPECT_EQ(table.entry(kSchemeWaveform).customColor, rgbColor(255, 0, 0));
}

TEST(ColorScheme, ACustomColourEqualToTheDefaultReadsBackAsDefault) {
    TempDir dir;
    Settings settings(dir.file("settings"));
    ColorSchemeTable table;
    table.setUseDefault(kSchemeCursor, false);
    table.setCustomColor(kSchemeCursor, kColorSchemeElements[kSchemeCursor].defaultColor);
    table.setUseDefault(kSchemeLedOff, false);
    table.setCustomColor(kSchemeLedOff, rgbColor(1, 2, 3));
    EXPECT_FALSE(table.entry(kSchemeCursor).useDefault);
    ASSERT_EQ(table.SaveColorScheme(settings), 0);

    ColorSchemeTable again;
    ASSERT_EQ(again.LoadColorScheme(settings), 0);
    EXPECT_TRUE(again.entry(kSchemeCursor).useDefault);
    EXPECT_FALSE(again.entry(kSchemeLedOff).useDefault);
    EXPECT_EQ(again.GetSchemeColor(kSchemeLedOff), rgbColor(1, 2, 3));
}

TEST(ColorScheme, AStoreThatCannotBeOpenedKeepsTheTable) {
    TempDir dir;
    // The store's file lies in a folder that is a plain file.
    testing::writeBytes(dir.file("plain"), "x");
    Settings settings(dir.file("plain") + "/settings");
    ColorSchemeTable table;
    table.setUseDefault(kSchemeWaveform, false);
    table.setCustomColor(kSchemeWaveform, 77);
    const int code = table.LoadColorScheme(settings);
    EXPECT_TRUE(code == 183 || code == 185) << code;
    EXPECT_EQ(table.GetSchemeColor(kSchemeWaveform), 77u);
    EXPECT_NE(table.SaveColorScheme(settings), 0);
}

}  // namespace
}  // namespace sonthra
