// sonthra-cli effects and effect, run as a user runs them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "effects_test_support.h"

namespace sonthra {
namespace {

std::string cli() {
    return std::string(std::getenv("SONTHRA_BINARY_DIR")) + "/bin/sonthra-cli";
}

TEST(EffectCommand, ListsCaptionsAndAppliesByNameWithSettings) {
    std::string text;
    ASSERT_EQ(test::runCommand(cli() + " effects", &text), 0);
    EXPECT_NE(text.find("Fade &Out...\tFadeOut\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Noise Re&duction...\tScrubline\n"), std::string::npos) << text;

    test::TempFolder folder;
    const std::string in = folder.file("in.wav");
    ASSERT_EQ(
        test::runCommand("sox -D -n -r 22050 -b 16 -c 1 " + in + " synth 1 sine 300 vol 0.25"), 0);
    ASSERT_EQ(test::runCommand(cli() + " effect aMpLiFy " + in + " " + folder.file("a.wav") +
                                   " --set gain-db=6.0206 --from 100 --to 200",
                               &text),
              0)
        << text;
    const auto src = test::waveSamples16(in);
    const auto out = test::waveSamples16(folder.file("a.wav"));
    ASSERT_EQ(out.size(), src.size());
    EXPECT_EQ(out[99], src[99]);
    EXPECT_EQ(out[150], 2 * src[150]);
    EXPECT_EQ(out[200], src[200]);

    EXPECT_EQ(test::runCommand(cli() + " effect Normalize " + in + " " + folder.file("b.wav") +
                                   " --set lufs=-99",
                               &text),
              2);
    EXPECT_NE(text.find("does not take the setting lufs=-99"), std::string::npos) << text;
    EXPECT_EQ(test::runCommand(cli() + " effect Nothing " + in + " " + folder.file("b.wav"), &text),
              2);
    EXPECT_EQ(
        test::runCommand(
            cli() + " effect Echo " + folder.file("none.wav") + " " + folder.file("b.wav"), &text),
        1);
    EXPECT_EQ(test::runCommand(cli() + " effect Echo " + in + " " + folder.file("a.wav"), &text),
              1);
}

}  // namespace
}  // namespace sonthra
