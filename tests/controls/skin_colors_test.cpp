// The display colours that go with each skin.
#include <gtest/gtest.h>

#include <cstdlib>

#include "controls/skin_colors.h"
#include "view/color_scheme.h"

namespace sonthra::controls {
namespace {

int luma(std::uint32_t colour) {
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    return (299 * r + 587 * g + 114 * b) / 1000;
}

TEST(SkinColors, TheLightSkinTakesTheCompiledInScheme) {
    const ColorScheme light = SkinDisplayColors(false);
    for (int i = 0; i < kColorSchemeSize; ++i) {
        EXPECT_EQ(light[i], kColorSchemeElements[i].defaultColor) << kColorSchemeElements[i].name;
    }
}

TEST(SkinColors, TheDarkSchemeKeepsEveryMarkVisibleOnItsGround) {
    const ColorScheme dark = SkinDisplayColors(true);
    EXPECT_NE(dark, SkinDisplayColors(false));
    // What is drawn over a ground stands out from it by a clear step of brightness.
    const std::pair<int, int> overGround[] = {
        {kSchemeWaveform, kSchemeWaveformBackground},
        {kSchemeCursor, kSchemeWaveformBackground},
        {kSchemeCursor, kSchemeSelectionBackground},
        {kSchemeSelectionWaveform, kSchemeSelectionBackground},
        {kSchemeOverviewWaveform, kSchemeOverviewBackground},
        {kSchemeLedOn, kSchemeLedBackground},
        {kSchemeClippingLightOn, kSchemeClippingLightOff},
    };
    for (auto [mark, ground] : overGround) {
        EXPECT_GT(std::abs(luma(dark[mark]) - luma(dark[ground])), 60)
            << kColorSchemeElements[mark].name << " on " << kColorSchemeElements[ground].name;
    }
    // The grounds are dark, and the selection is told apart from the plain waveform ground.
    EXPECT_LT(luma(dark[kSchemeWaveformBackground]), 40);
    EXPECT_NE(dark[kSchemeSelectionBackground], dark[kSchemeWaveformBackground]);
    // LEDs that are off still show as LEDs, dimmer than lit ones.
    EXPECT_LT(luma(dark[kSchemeLedOff]), luma(dark[kSchemeLedOn]));
}

}  // namespace
}  // namespace sonthra::controls
