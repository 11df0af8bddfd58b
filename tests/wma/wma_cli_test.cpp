// sonthra-cli convert for WMA: WAV to WMA at the asked bitrate, WMA to WAV, and the refusals
// (a bitrate the encoder does not offer, a file that is not WMA).
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_verbs.h"
#include "cli/wma_command.h"
#include "wma/wma_test_support.h"

namespace sonthra {
namespace {

using testing::TempDir;

struct CliRun {
    int code;
    std::string out, err;
};

CliRun convert(std::vector<std::string> args) {
    std::ostringstream out, err;
    std::atomic<bool> interrupted{false};
    std::uint32_t kbps = 128;
    if (args.size() == 4) kbps = static_cast<std::uint32_t>(std::stoi(args[3]));
    const int code = cli::runWmaConvert(args[0], args[1], kbps, out, err, interrupted);
    return {code, out.str(), err.str()};
}

// The libraries are looked for beside the running program: the test runs from build/bin,
// where they are built.
class WmaCliTest : public ::testing::Test {};

TEST_F(WmaCliTest, WaveToWmaAndBack) {
    TempDir dir;
    const std::string wav = dir.file("tone.wav");
    ASSERT_TRUE(testing::makeToneWav(wav, 44100, 16, 2, 2.0, 440.0));
    const CliRun made = convert({wav, dir.file("tone.WMA")});
    ASSERT_EQ(made.code, cli::kExitOk) << made.err;
    EXPECT_NE(made.out.find("128 kbps, 44.1 kHz, stereo"), std::string::npos) << made.out;
    EXPECT_EQ(testing::probeField(dir.file("tone.WMA"), "codec_name"), "wmav2");
    EXPECT_NEAR(std::atof(testing::probeField(dir.file("tone.WMA"), "bit_rate").c_str()), 128000,
                2000);

    const CliRun low = convert({wav, dir.file("low.wma"), "--bitrate", "64"});
    ASSERT_EQ(low.code, cli::kExitOk) << low.err;
    EXPECT_NE(low.out.find("64 kbps, 44.1 kHz"), std::string::npos) << low.out;

    const CliRun back = convert({dir.file("tone.WMA"), dir.file("back.wav")});
    ASSERT_EQ(back.code, cli::kExitOk) << back.err;
    const auto pcm = testing::readPcm(dir.file("back.wav"));
    EXPECT_EQ(pcm.format.sampleRate, 44100u);
    EXPECT_NEAR(testing::measuredFrequency(pcm), 440.0, 2.0);
}

TEST_F(WmaCliTest, RefusalsLeaveNoFile) {
    TempDir dir;
    const std::string wav = dir.file("tone.wav");
    ASSERT_TRUE(testing::makeToneWav(wav, 44100, 16, 1, 1.0));
    // 100 kbit/s is not one of the encoder's bitrates: the offered ones are listed.
    const CliRun odd = convert({wav, dir.file("odd.wma"), "--bitrate", "100"});
    EXPECT_EQ(odd.code, cli::kExitFailed);
    EXPECT_NE(odd.err.find("The selected format is not supported by the encoder"),
              std::string::npos);
    EXPECT_NE(odd.err.find("64 kbps"), std::string::npos);
    // A WAV named .wma.
    testing::writeAll(dir.file("fake.wma"), testing::readAll(wav));
    const CliRun fake = convert({dir.file("fake.wma"), dir.file("out.wav")});
    EXPECT_EQ(fake.code, cli::kExitFailed);
    EXPECT_NE(fake.err.find("WMA File format is not proper!!"), std::string::npos);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"fake.wma", "tone.wav"}));
}

}  // namespace
}  // namespace sonthra
