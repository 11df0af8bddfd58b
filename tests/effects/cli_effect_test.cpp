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

TEST(EffectCommand, SaysWhatTheEffectDidAndAppliesChainsByNameOrFile) {
    test::TempFolder folder;
    const std::string in = folder.file("in.wav");
    ASSERT_EQ(test::runCommand("sox -D -n -r 44100 -b 16 -c 1 " + in +
                               " synth 3 pinknoise tremolo 3 100 gain -n -2"),
              0);
    std::string text;
    ASSERT_EQ(test::runCommand(
                  cli() + " effect Amplify " + in + " " + folder.file("a.wav") + " --set gain-db=6",
                  &text),
              0);
    EXPECT_NE(text.find("samples clipped, up to"), std::string::npos) << text;
    ASSERT_EQ(test::runCommand(cli() + " effect Limiter " + in + " " + folder.file("l.wav") +
                                   " --set ceiling-db=-6 --set release-ms=100",
                               &text),
              0)
        << text;
    EXPECT_NE(text.find("to stay under -6.0 dBTP"), std::string::npos) << text;

    // The shipped chain by name; a chain file, the same as the effects it names.
    ASSERT_EQ(test::runCommand("XDG_CONFIG_HOME=" + folder.path() + " " + cli() +
                                   " chain 'Podcast voice' " + in + " " + folder.file("p.wav"),
                               &text),
              0)
        << text;
    EXPECT_EQ(text.rfind("wrote " + folder.file("p.wav") + "\n", 0), 0u) << text;
    const std::string file = folder.file("hot.chain");
    test::runCommand("printf 'name=Hot\\neffect=amplify\\ngain-db=6\\n' > " + file);
    ASSERT_EQ(
        test::runCommand(cli() + " chain " + file + " " + in + " " + folder.file("c.wav"), &text),
        0)
        << text;
    EXPECT_EQ(test::waveData(folder.file("c.wav")), test::waveData(folder.file("a.wav")));
    EXPECT_NE(text.find("samples clipped"), std::string::npos) << text;

    // Broken chains and unknown names are refused with the line and the product's message.
    test::runCommand("printf 'name=Bad\\ngain-db=6\\n' > " + file);
    EXPECT_EQ(
        test::runCommand(cli() + " chain " + file + " " + in + " " + folder.file("x.wav"), &text),
        1);
    EXPECT_NE(text.find("line 2: a setting before the first effect"), std::string::npos) << text;
    EXPECT_NE(text.find("Unable to load presets"), std::string::npos) << text;
    EXPECT_EQ(test::runCommand("XDG_CONFIG_HOME=" + folder.path() + " " + cli() +
                                   " chain Nothing " + in + " " + folder.file("x.wav"),
                               &text),
              1);
    EXPECT_NE(text.find("there is no chain named \"Nothing\""), std::string::npos) << text;
    EXPECT_EQ(test::runCommand(cli() + " chain 'Podcast voice' " + in, &text), 2);
}

}  // namespace
}  // namespace sonthra
