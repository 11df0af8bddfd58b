// sonthra-cli format: options, defaults from the source, refusals and Ctrl+C.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_verbs.h"
#include "format_convert/convert_test_support.h"

namespace sonthra::testing {
namespace {

struct CliRun {
    int exit;
    std::string out, err;
};

CliRun format(const std::vector<std::string>& words, bool interrupted = false) {
    std::vector<std::string> args = {"format"};
    args.insert(args.end(), words.begin(), words.end());
    std::ostringstream out, err;
    const std::atomic<bool> stop{interrupted};
    const int exit = cli::runCli(args, out, err, stop);
    return {exit, out.str(), err.str()};
}

TEST(FormatCommand, ConvertsWithTheGivenOptionsAndKeepsTheRest) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    writeBytes(in, wavBytes(2, 22050, 16, sine16(22050, 22050, {440, 660}, {.5, .5})));

    CliRun r = format({in, dir.file("a.wav"), "--rate", "44100", "--channels=1"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, dir.file("a.wav") + ": 44100 Hz, 16 bits, 1 channel\n");
    Samples a = readSamples(dir.file("a.wav"));
    EXPECT_EQ(a.format, makePcmFormat(44100, 16, 1));
    EXPECT_EQ(a.frames(), 44100u);

    r = format({"--bits", "8", in, dir.file("b.wav")});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(readSamples(dir.file("b.wav")).format, makePcmFormat(22050, 8, 2));
}

TEST(FormatCommand, RefusesWrongWordsExistingOutputAndBadInput) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    writeBytes(in, wavBytes(1, 8000, 16, sine16(8000, 800, {100}, {.5})));
    writeBytes(dir.file("taken.wav"), "keep me");
    for (const auto& words :
         std::vector<std::vector<std::string>>{{in},
                                               {in, dir.file("x.wav"), "--bits", "12"},
                                               {in, dir.file("x.wav"), "--rate", "999"},
                                               {in, dir.file("x.wav"), "--channels", "3"},
                                               {in, dir.file("x.wav"), "--rate"},
                                               {in, dir.file("x.wav"), "--speed", "2"},
                                               {in, dir.file("x.wav"), dir.file("y.wav")}}) {
        EXPECT_EQ(format(words).exit, cli::kExitUsage) << words.back();
    }
    CliRun r = format({in, dir.file("taken.wav"), "--rate", "11025"});
    EXPECT_EQ(r.exit, cli::kExitFailed);
    EXPECT_EQ(readBytes(dir.file("taken.wav")), "keep me");

    writeBytes(dir.file("text.wav"), "no wave");
    r = format({dir.file("text.wav"), dir.file("x.wav")});
    EXPECT_EQ(r.exit, cli::kExitFailed);
    EXPECT_NE(r.err.find("\"text.wav\" is not an audio file"), std::string::npos) << r.err;
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.wav", "taken.wav", "text.wav"}));
}

TEST(FormatCommand, InterruptCancelsAndLeavesNoOutput) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    writeBytes(in, wavBytes(2, 44100, 16, sine16(44100, 44100 * 30, {440, 440}, {.5, .5})));
    const CliRun r = format({in, dir.file("out.wav"), "--rate", "48000"}, true);
    EXPECT_EQ(r.exit, cli::kExitInterrupted);
    EXPECT_NE(r.err.find("User has aborted"), std::string::npos) << r.err;
    EXPECT_EQ(dir.names(), std::vector<std::string>{"in.wav"});
}

}  // namespace
}  // namespace sonthra::testing
