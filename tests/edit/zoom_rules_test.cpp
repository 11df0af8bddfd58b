#include "edit/zoom_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace sonthra {
namespace {

TEST(ZoomRules, ZoomInHalvesDownToOne) {
    EXPECT_EQ(ZoomInLevel(5), 2u);
    EXPECT_EQ(ZoomInLevel(4), 2u);
    EXPECT_EQ(ZoomInLevel(3), 1u);
    EXPECT_EQ(ZoomInLevel(2), 1u);
    EXPECT_EQ(ZoomInLevel(1), 1u);
    EXPECT_EQ(ZoomInLevel(0), 1u);
    EXPECT_EQ(ZoomInLevel(1025), 512u);
}

TEST(ZoomRules, ZoomOutDoublesUpToTheWholeFile) {
    EXPECT_EQ(ZoomOutLevel(32, 100), 64u);
    EXPECT_EQ(ZoomOutLevel(50, 100), 100u);  // the double equals the maximum
    EXPECT_EQ(ZoomOutLevel(64, 100), 100u);
    EXPECT_EQ(ZoomOutLevel(100, 100), 100u);
    EXPECT_EQ(ZoomOutLevel(1, 1), 1u);
    const std::uint32_t big = std::numeric_limits<std::uint32_t>::max();
    EXPECT_EQ(ZoomOutLevel(big / 2 + 10, big), big);  // no wrap past 32 bits
}

TEST(ZoomRules, ScrollingMovesHalfAScreenWithinTheFile) {
    EXPECT_EQ(ScrollStep(32, 800), 12800u);
    EXPECT_EQ(ScrollStep(0, 800), 400u);
    EXPECT_EQ(ScrollStep(32, -5), 0u);
    EXPECT_EQ(ScrollLeftTarget(20000, 32, 800), 7200u);
    EXPECT_EQ(ScrollLeftTarget(12799, 32, 800), 0u);
    EXPECT_EQ(ScrollRightTarget(0, 32, 800, 100000), 12800u);
    // Limited by the last left position that still fills the view.
    EXPECT_EQ(ScrollRightTarget(95000, 32, 800, 100000), 100000u);
    EXPECT_EQ(ScrollRightTarget(100000, 32, 800, 100000), 100000u);
    // A file that fits in the view: nothing to set.
    EXPECT_FALSE(ScrollRightTarget(0, 32, 800, 0));
    const std::uint32_t big = std::numeric_limits<std::uint32_t>::max();
    EXPECT_EQ(ScrollRightTarget(big - 5, big, 800, big), big);
}

TEST(ZoomRules, AnEditKeepsTheWholeFileInViewWhenItWasShownWhole) {
    EXPECT_EQ(ZoomAfterEdit(true, 200, 150), 150u);
    EXPECT_EQ(ZoomAfterEdit(false, 64, 150), 64u);
}

}  // namespace
}  // namespace sonthra
