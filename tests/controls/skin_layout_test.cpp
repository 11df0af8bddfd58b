// The geometry of the skinned controls: band split, piece spans, thumb mapping, tiling and
// caption cutting.
#include "controls/skin_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace sonthra::controls {
namespace {

TEST(SkinLayout, BandsOfEvenAndOddHeights) {
    const Bands even = splitBands(24);
    EXPECT_EQ(even.top, 11);
    EXPECT_EQ(even.middle, 2);
    EXPECT_EQ(even.bottom, 11);
    const Bands odd = splitBands(25);
    EXPECT_EQ(odd.top, 11);
    EXPECT_EQ(odd.middle, 3);
    EXPECT_EQ(odd.bottom, 11);
    // Tiny pieces never give negative bands and always add up.
    for (int h = 0; h <= 4; ++h) {
        const Bands b = splitBands(h);
        EXPECT_GE(b.top, 0);
        EXPECT_GE(b.bottom, 0);
        EXPECT_EQ(b.top + b.middle + b.bottom, h) << h;
    }
}

TEST(SkinLayout, EndPiecesTakeAtMostHalfTheButton) {
    const PieceSpans wide = splitPieces(50, 6, 6);
    EXPECT_EQ(wide.left, 6);
    EXPECT_EQ(wide.centre, 38);
    EXPECT_EQ(wide.right, 6);
    const PieceSpans narrow = splitPieces(8, 6, 6);
    EXPECT_EQ(narrow.left, 4);
    EXPECT_EQ(narrow.right, 4);
    EXPECT_EQ(narrow.centre, 0);
}

TEST(SkinLayout, ThumbMapsPositionsAtTheEndsAndInTheMiddle) {
    // A 150-pixel track with a 10-pixel thumb over 0..100, as the main window's volume.
    EXPECT_EQ(thumbOffset(150, 10, 0, 0, 100), 0);
    EXPECT_EQ(thumbOffset(150, 10, 100, 0, 100), 140);
    EXPECT_EQ(thumbOffset(150, 10, 50, 0, 100), 70);
    EXPECT_EQ(thumbOffset(150, 10, 33, 0, 100), 46);  // 46.2 rounds down
    EXPECT_EQ(thumbOffset(150, 10, 1, 0, 99), 1);     // 1.41 rounds to 1
    // And back: every position survives the round trip.
    for (int p = 0; p <= 100; ++p) {
        EXPECT_EQ(positionAtOffset(thumbOffset(150, 10, p, 0, 100), 150, 10, 0, 100), p) << p;
    }
    // Past the ends is clamped, and degenerate ranges never divide by zero.
    EXPECT_EQ(positionAtOffset(-30, 150, 10, 0, 100), 0);
    EXPECT_EQ(positionAtOffset(500, 150, 10, 0, 100), 100);
    EXPECT_EQ(thumbOffset(150, 10, 5, 5, 5), 0);
    EXPECT_EQ(positionAtOffset(20, 10, 10, 0, 100), 0);
}

TEST(SkinLayout, TilesCoverTheWholeLength) {
    // 886 pixels of 16-pixel tiles: 55 tiles would leave 6 pixels bare at the end.
    EXPECT_EQ(tileCount(886, 16), 56);
    EXPECT_EQ(tileCount(100, 16), 7);  // 6.25
    EXPECT_EQ(tileCount(96, 16), 6);   // exactly: no extra tile
    EXPECT_EQ(tileCount(5, 16), 1);
    EXPECT_EQ(tileCount(100, 0), 0);
    EXPECT_EQ(tileCount(0, 16), 0);
}

TEST(SkinLayout, CaptionsTooWideAreCutWithThreeDots) {
    const auto width = [](const std::string& text) { return static_cast<int>(text.size()) * 7; };
    EXPECT_EQ(cutCaption(std::string("short.wav"), 90, width), "short.wav");
    // 12 characters fit in 88 pixels; two more go, then "...".
    EXPECT_EQ(cutCaption(std::string("a_very_long_recording.wav"), 88, width), "a_very_lon...");
    EXPECT_EQ(cutCaption(std::string("abc"), 0, width), "...");
}

}  // namespace
}  // namespace sonthra::controls
