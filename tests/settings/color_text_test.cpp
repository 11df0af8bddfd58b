#include "settings/color_text.h"

#include <gtest/gtest.h>

#include <utility>

namespace sonthra {
namespace {

TEST(ColorTextTest, DefaultSchemeColoursGiveTheirStoredForms) {
    EXPECT_EQ(colorToText(rgbColor(0, 0, 0)), "clBlack");
    EXPECT_EQ(colorToText(rgbColor(106, 181, 255)), "$00FFB56A");
    EXPECT_EQ(colorToText(rgbColor(0, 255, 0)), "clLime");
    EXPECT_EQ(colorToText(rgbColor(0, 127, 127)), "$007F7F00");
    EXPECT_EQ(colorToText(rgbColor(0, 255, 200)), "$00C8FF00");
    EXPECT_EQ(colorToText(rgbColor(255, 0, 0)), "clRed");
    EXPECT_EQ(colorToText(rgbColor(128, 0, 0)), "clMaroon");
    EXPECT_EQ(colorToText(rgbColor(255, 128, 0)), "$000080FF");
    EXPECT_EQ(colorToText(rgbColor(128, 128, 128)), "clGray");
}

TEST(ColorTextTest, NamedColoursGoBothWays) {
    const std::pair<const char*, std::uint32_t> named[] = {
        {"clBlack", rgbColor(0, 0, 0)},
        {"clMaroon", rgbColor(128, 0, 0)},
        {"clGreen", rgbColor(0, 128, 0)},
        {"clOlive", rgbColor(128, 128, 0)},
        {"clNavy", rgbColor(0, 0, 128)},
        {"clPurple", rgbColor(128, 0, 128)},
        {"clTeal", rgbColor(0, 128, 128)},
        {"clGray", rgbColor(128, 128, 128)},
        {"clSilver", rgbColor(192, 192, 192)},
        {"clRed", rgbColor(255, 0, 0)},
        {"clLime", rgbColor(0, 255, 0)},
        {"clYellow", rgbColor(255, 255, 0)},
        {"clBlue", rgbColor(0, 0, 255)},
        {"clFuchsia", rgbColor(255, 0, 255)},
        {"clAqua", rgbColor(0, 255, 255)},
        {"clWhite", rgbColor(255, 255, 255)},
        {"clMoneyGreen", rgbColor(192, 220, 192)},
        {"clSkyBlue", rgbColor(166, 202, 240)},
        {"clCream", rgbColor(255, 251, 240)},
        {"clMedGray", rgbColor(160, 160, 164)},
    };
    for (const auto& [name, color] : named) {
        EXPECT_EQ(colorToText(color), name);
        EXPECT_EQ(textToColor(name), color) << name;
    }
    EXPECT_EQ(textToColor("CLRED"), rgbColor(255, 0, 0));
    EXPECT_EQ(textToColor("clwhite"), rgbColor(255, 255, 255));
}

TEST(ColorTextTest, NumbersParseAsTheToolkitReadsThem) {
    EXPECT_EQ(textToColor("$00FFB56A"), rgbColor(106, 181, 255));
    EXPECT_EQ(textToColor("$00ffb56a"), rgbColor(106, 181, 255));
    EXPECT_EQ(textToColor("$FFB56A"), rgbColor(106, 181, 255));
    EXPECT_EQ(textToColor("0x0000FF"), rgbColor(255, 0, 0));
    EXPECT_EQ(textToColor("255"), rgbColor(255, 0, 0));
    EXPECT_EQ(textToColor("16777215"), rgbColor(255, 255, 255));
    EXPECT_EQ(textToColor("-0"), 0u);
}

TEST(ColorTextTest, TextThatIsNoPlainColourGivesNothing) {
    const char* bad[] = {
        "",           "$",           "0x",         "clNope",      "cl",
        " clRed",     "clRed ",      "12abc",      "$00GG0000",   "--1",
        "-1",         "$FF00000F",   "$1FFFFFFF",  "$20000000",   "16777216",
        "$100000000", "99999999999", "4294967295", "-2147483649", "$-1",
    };
    for (const char* text : bad) EXPECT_FALSE(textToColor(text).has_value()) << text;
}

TEST(ColorTextTest, EveryPlainColourSurvivesTheRoundTrip) {
    for (std::uint32_t color = 0; color <= 0xFFFFFF; color += 0x010307) {
        const std::string text = colorToText(color);
        ASSERT_EQ(textToColor(text), color) << text;
    }
    EXPECT_EQ(colorToText(0x00ABCDEF), "$00ABCDEF");
}

}  // namespace
}  // namespace sonthra
