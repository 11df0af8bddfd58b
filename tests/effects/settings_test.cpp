#include <gtest/gtest.h>

#include <cstring>

#include "effect_settings.h"

namespace sonthra {
namespace {

const EffectDescription& description() {
    static const EffectDescription d{
        "Normalize",
        "a",
        "b",
        "CVNormalize.so",
        {{"mode", "Mode", SettingKind::Choice, 0, 1, 0, 0, "peak|loudness"},
         {"peak-db", "Peak", SettingKind::Number, -60, 0, -1, 1, nullptr, "mode=peak"},
         {"lufs", "Loudness", SettingKind::Number, -70, -5, -16, 1, nullptr, "mode=loudness"},
         {"file", "File", SettingKind::File, 0, 0, 0, 0}}};
    return d;
}

TEST(EffectSettings, ZeroFilledBlockTakesTheDefaults) {
    EffectSettingsBlock block{};
    ensureSettings(description(), block);
    EXPECT_EQ(block.values[0], 0);
    EXPECT_EQ(block.values[1], -1);
    EXPECT_EQ(block.values[2], -16);
    EXPECT_EQ(settingsText(description(), block), "mode=peak\npeak-db=-1\nlufs=-16\nfile=\n");
    block.values[1] = -3;
    ensureSettings(description(), block);  // kept for the run
    EXPECT_EQ(block.values[1], -3);
}

TEST(EffectSettings, TextSetsValuesAndWhatTheySelect) {
    EffectSettingsBlock block{};
    std::string error;
    ASSERT_TRUE(
        applySettingsText(description(), block, "lufs = -23\n\nfile=/tmp/a b.wav\n", &error))
        << error;
    EXPECT_EQ(block.values[0], 1);  // loudness
    EXPECT_EQ(block.values[2], -23);
    EXPECT_STREQ(block.file, "/tmp/a b.wav");
    ASSERT_TRUE(applySettingsText(description(), block, "peak-db=-0.5", &error));
    EXPECT_EQ(block.values[0], 0);
}

TEST(EffectSettings, WrongTextChangesNothing) {
    EffectSettingsBlock block{};
    ensureSettings(description(), block);
    const EffectSettingsBlock before = block;
    std::string error;
    for (const char* text : {"peak-db=-1\nlufs=-100", "gain=3", "peak-db", "peak-db=abc",
                             "peak-db=nan", "peak-db=1e999", "mode=loud", "peak-db=-1x"}) {
        EXPECT_FALSE(applySettingsText(description(), block, text, &error)) << text;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(std::memcmp(&block, &before, sizeof block), 0) << text;
    }
    EXPECT_FALSE(applySettingsText(description(), block, "file=" + std::string(2000, 'x'), &error));
}

}  // namespace
}  // namespace sonthra
