// The numbers of the silence windows: what counts as a number, how it shows, the spin limits
// and the values the engine receives.
#include <gtest/gtest.h>

#include "edit/ui/silence_rules.h"

namespace sonthra {
namespace {

TEST(SilenceRules, NumbersAreReadAsTypedAndShownShortest) {
    EXPECT_EQ(parseSettingNumber("0.03"), 0.03);
    EXPECT_EQ(parseSettingNumber("  2 "), 2.0);
    EXPECT_EQ(parseSettingNumber("1,5"), 1.5);
    EXPECT_EQ(parseSettingNumber("1e3"), 1000.0);
    EXPECT_EQ(parseSettingNumber("-0"), 0.0);
    for (const char* bad :
         {"", "  ", "abc", "1.2.3", "0x10", "nan", "inf", "1e999", "2 s", "--1"}) {
        EXPECT_FALSE(parseSettingNumber(bad)) << bad;
    }
    EXPECT_EQ(settingNumberText(0.03), "0.03");
    EXPECT_EQ(settingNumberText(2), "2");
    EXPECT_EQ(settingNumberText(0.03 + 1 - 1), "0.03");
    EXPECT_EQ(settingNumberText(4294967.295), "4294967.295");
}

TEST(SilenceRules, TrimSpinStepsByOneBetweenZeroAndNinetyNine) {
    EXPECT_EQ(trimSpinUp(0.03), 1.03);
    EXPECT_EQ(trimSpinDown(*trimSpinUp(0.03)), 0.03);  // the same double, not 0.030000000000000027
    EXPECT_EQ(trimSpinUp(98.5), 99.5);
    EXPECT_FALSE(trimSpinUp(99));
    EXPECT_FALSE(trimSpinUp(150));
    EXPECT_EQ(trimSpinDown(1), 0.0);
    EXPECT_FALSE(trimSpinDown(0.5));
    EXPECT_FALSE(trimSpinDown(0));
}

TEST(SilenceRules, InsertSpinStaysWithinWhatTheEngineTakes) {
    EXPECT_EQ(silenceSpinUp(2), 3.0);
    EXPECT_EQ(silenceSpinDown(2), 1.0);
    EXPECT_FALSE(silenceSpinDown(1.001));  // 0.001 is not above 0.001
    EXPECT_EQ(silenceSpinDown(1.5), 0.5);
    EXPECT_FALSE(silenceSpinUp(kMaxSilenceSeconds - 0.5));
    EXPECT_TRUE(acceptableSilenceSeconds(0.001));
    EXPECT_TRUE(acceptableSilenceSeconds(kMaxSilenceSeconds));
    EXPECT_FALSE(acceptableSilenceSeconds(0));
    EXPECT_FALSE(acceptableSilenceSeconds(0.0009));
    EXPECT_FALSE(acceptableSilenceSeconds(4294967295.0));
}

TEST(SilenceRules, EngineValuesRoundAsTypedAndNeverWrap) {
    EXPECT_EQ(trimThresholdHundredths(12.345), 1235);
    EXPECT_EQ(trimThresholdHundredths(0.03), 3);
    EXPECT_EQ(trimThresholdHundredths(0.004), 0);
    EXPECT_EQ(trimThresholdHundredths(100), 10000);
    EXPECT_EQ(trimThresholdHundredths(655.36), 10000);  // 65536 would wrap to 0
    EXPECT_EQ(trimThresholdHundredths(-3), 0);
    EXPECT_EQ(silenceMilliseconds(2), 2000u);
    EXPECT_EQ(silenceMilliseconds(1.0005), 1001u);
    EXPECT_EQ(silenceMilliseconds(kMaxSilenceSeconds), 4294967295u);
    EXPECT_EQ(silenceMilliseconds(4294968.0), 4294967295u);  // 4294968000 would wrap to 704
    EXPECT_EQ(silenceMilliseconds(0), 0u);
}

}  // namespace
}  // namespace sonthra
