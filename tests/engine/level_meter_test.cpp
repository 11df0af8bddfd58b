#include "engine/level_meter.h"

#include <gtest/gtest.h>

#include <vector>

namespace sonthra {
namespace {

TEST(LevelMeter, ScalesPeaksToHundredths) {
    EXPECT_EQ(LevelMeter::toLevel(0), 0);
    EXPECT_EQ(LevelMeter::toLevel(32767), 100);
    EXPECT_EQ(LevelMeter::toLevel(32768), 100);
    EXPECT_EQ(LevelMeter::toLevel(16384), 50);
    EXPECT_EQ(LevelMeter::toLevel(31457), 96) << "96 % is where clipping shows";
    EXPECT_EQ(LevelMeter::toLevel(163), 0);
}

TEST(LevelMeter, PublishesThePeakOfEachWindowPerChannel) {
    LevelMeter meter;
    meter.reset(2, 4);
    int left = -1, right = -1;
    // Three frames: the window of four is not full, nothing is published yet.
    const std::int16_t loud[] = {1000, -20000, -32768, 5, 0, 0};
    meter.addInt16(loud, 3);
    meter.read(left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);
    const std::int16_t quiet[] = {100, 100};
    meter.addInt16(quiet, 1);
    meter.read(left, right);
    EXPECT_EQ(left, 100) << "the most negative sample counts as full scale";
    EXPECT_EQ(right, 61);
    // The next window starts from nothing.
    const std::vector<std::int16_t> soft(8, 3277);
    meter.addInt16(soft.data(), 4);
    meter.read(left, right);
    EXPECT_EQ(left, 10);
    EXPECT_EQ(right, 10);
    meter.silence();
    meter.read(left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);
}

TEST(LevelMeter, MonoAndEightBitInput) {
    LevelMeter meter;
    meter.reset(1, 2);
    const std::uint8_t samples[] = {128, 0};  // silence, then the lowest 8-bit value
    meter.addUInt8(samples, 2);
    int left = -1, right = -1;
    meter.read(left, right);
    EXPECT_EQ(left, 100);
    EXPECT_EQ(right, 100) << "a mono stream shows its level on both sides";
    const std::uint8_t half[] = {192, 128};
    meter.addUInt8(half, 2);
    meter.read(left, right);
    EXPECT_EQ(left, 50);
}

}  // namespace
}  // namespace sonthra
