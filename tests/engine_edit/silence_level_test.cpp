// Trim Silence's plan on recordings made as a person's would be: a hiss under everything, a
// sound in the middle and the hiss again, so that single samples of the hiss stand above any
// threshold near its level and only the windows tell sound from quiet.
#include "engine/silence_level.h"

#include <gtest/gtest.h>

#include "edit_test_support.h"
#include "engine/edit_errors.h"

namespace sonthra::testing {
namespace {

constexpr double kRate = 44100;
constexpr double kWindow = kRate / 100;  // one 10 ms window

// Hiss for `seconds`, a 300 Hz tone from `toneFrom` for `toneLength` seconds over it.
std::string recording(const TempDir& dir, double seconds, double toneFrom, double toneLength) {
    const std::string hiss = dir.file("hiss.wav");
    const std::string tone = dir.file("tone.wav");
    const std::string mixed = dir.file("rec.wav");
    EXPECT_TRUE(run("sox -D -n -r 44100 -c 1 -b 16 " + hiss + " synth " + std::to_string(seconds) +
                    " whitenoise vol 0.004")
                    .ok);
    EXPECT_TRUE(run("sox -D -n -r 44100 -c 1 -b 16 " + tone + " synth " +
                    std::to_string(toneLength) + " sine 300 vol 0.3 pad " +
                    std::to_string(toneFrom) + " " +
                    std::to_string(seconds - toneFrom - toneLength))
                    .ok);
    EXPECT_TRUE(run("sox -D -m " + hiss + " " + tone + " " + mixed).ok);
    return mixed;
}

TEST(TrimPlan, TheDefaultComesFromTheNoiseFloorAndKeepsAPadAtEachCut) {
    ASSERT_TRUE(haveSox());
    TempDir dir;
    const std::string rec = recording(dir, 6.5, 2, 3);
    const auto frames = static_cast<std::uint32_t>(6.5 * kRate);
    TrimPlan plan;
    ASSERT_EQ(PlanTrim(rec, 0, frames, std::nullopt, kDefaultTrimPadSeconds, plan), 0);
    // Hiss of 0.004 peak, halved by the mix: near -61 dBFS.
    EXPECT_NEAR(plan.noiseFloorDb, -61, 3);
    EXPECT_DOUBLE_EQ(plan.thresholdDb, plan.noiseFloorDb + kTrimAboveFloorDb);
    EXPECT_FALSE(plan.nothingToTrim);
    EXPECT_NEAR(plan.keepFirst, 1.8 * kRate, kWindow);
    EXPECT_NEAR(plan.keepLast, 5.2 * kRate, kWindow);

    // Without a pad the cuts meet the sound; a range is planned within itself.
    ASSERT_EQ(PlanTrim(rec, kRate, frames, std::nullopt, 0, plan), 0);
    EXPECT_NEAR(plan.keepFirst, 2 * kRate, kWindow);
    EXPECT_NEAR(plan.keepLast, 5 * kRate, kWindow);
    ASSERT_EQ(PlanTrim(rec, frames, kRate, std::nullopt, 0, plan), 0) << "bounds in any order";
    EXPECT_NEAR(plan.keepFirst, 2 * kRate, kWindow);
}

TEST(TrimPlan, NothingToTrimIsSaidAndBadInputRefused) {
    ASSERT_TRUE(haveSox());
    TempDir dir;
    // Sound to the very ends: the pads cover what little quiet there is.
    const std::string rec = recording(dir, 3, 0.1, 2.8);
    const auto frames = static_cast<std::uint32_t>(3 * kRate);
    TrimPlan plan;
    ASSERT_EQ(PlanTrim(rec, 0, frames, std::nullopt, kDefaultTrimPadSeconds, plan), 0);
    EXPECT_TRUE(plan.nothingToTrim);
    // A threshold above everything finds no sound: nothing is cut rather than all.
    ASSERT_EQ(PlanTrim(rec, 0, frames, -3.0, kDefaultTrimPadSeconds, plan), 0);
    EXPECT_TRUE(plan.nothingToTrim);
    EXPECT_EQ(plan.keepFirst, 0u);
    EXPECT_EQ(plan.keepLast, frames);
    // A given threshold is used as given.
    ASSERT_EQ(PlanTrim(rec, 0, frames, -40.0, 0, plan), 0);
    EXPECT_DOUBLE_EQ(plan.thresholdDb, -40);
    EXPECT_FALSE(plan.nothingToTrim);

    EXPECT_EQ(PlanTrim(rec, 0, frames + 1, std::nullopt, 0, plan), edit_error::kPositionBeyondEnd);
    EXPECT_NE(PlanTrim(dir.file("none.wav"), 0, 0, std::nullopt, 0, plan), 0);
    writeBytes(dir.file("text.wav"), "not a wave file at all");
    EXPECT_NE(PlanTrim(dir.file("text.wav"), 0, 0, std::nullopt, 0, plan), 0);
    // The default stays within sensible bounds whatever the floor.
    EXPECT_EQ(DefaultTrimThresholdDb(-120), kLowestTrimThresholdDb);
    EXPECT_EQ(DefaultTrimThresholdDb(-5), kHighestTrimThresholdDb);
}

}  // namespace
}  // namespace sonthra::testing
