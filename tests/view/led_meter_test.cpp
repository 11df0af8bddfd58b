// The level meter's lit count and LED geometry.
#include <cmath>

#include <gtest/gtest.h>

#include "view/led_meter.h"

namespace sonthra {
namespace {

TEST(LedMeter, LitCountRoundsUpAndClamps) {
    EXPECT_EQ(LitLeds(20, 0.51f), 11);
    EXPECT_EQ(LitLeds(20, 0.5f), 10);
    EXPECT_EQ(LitLeds(20, 0.55f), 11);
    EXPECT_EQ(LitLeds(20, 0.0f), 0);
    EXPECT_EQ(LitLeds(20, 1.7f), 20);
    EXPECT_EQ(LitLeds(20, -0.3f), 0);
    EXPECT_EQ(LitLeds(20, std::nanf("")), 0);
    EXPECT_EQ(LitLeds(5, 0.01f), 1);
    EXPECT_EQ(LitLeds(0, 0.9f), 0);
    EXPECT_EQ(ClampLevel(1.7f), 1.0f);
    EXPECT_EQ(ClampLevel(0.25f), 0.25f);
    EXPECT_EQ(ClampLevel(-2.0f), 0.0f);
}

TEST(LedMeter, TheMainWindowsMetersGeometry) {
    // 12 x 82 with 20 LEDs: pitch round(74 / 20) = 4, gap round(0.4) = 0.
    const LedLayout l = LayoutLeds(12, 82, 20, 0.51f);
    EXPECT_EQ(l.pitch, 4);
    EXPECT_EQ(l.gap, 0);
    EXPECT_EQ(l.lit, 11);
    ASSERT_EQ(l.leds.size(), 20u);
    EXPECT_EQ(l.leds[0].top, 75);  // LED 1 at the bottom
    EXPECT_EQ(l.leds[0].bottom, 79);
    EXPECT_EQ(l.leds[0].left, 2);
    EXPECT_EQ(l.leds[0].right, 11);
    EXPECT_TRUE(l.leds[10].lit);
    EXPECT_FALSE(l.leds[11].lit);
    EXPECT_EQ(l.leds[19].top, -1);
}

TEST(LedMeter, PitchAndGapRoundToEven) {
    // (58 - 8) / 5 = 10, gap 1; (93 - 8) / 10 = 8.5 -> 8, gap 0.8 -> 1; (18 - 8) / 4 = 2.5 -> 2.
    EXPECT_EQ(LayoutLeds(20, 58, 5, 0.5f).gap, 1);
    EXPECT_EQ(LayoutLeds(20, 58, 5, 0.5f).leds[0].bottom, 58 - 3 - 10 + 10 - 1);
    EXPECT_EQ(LayoutLeds(20, 93, 10, 0.5f).pitch, 8);
    EXPECT_EQ(LayoutLeds(20, 18, 4, 0.5f).pitch, 2);
    EXPECT_EQ(LayoutLeds(20, 8, 0, 0.5f).leds.size(), 0u);
}

}  // namespace
}  // namespace sonthra
