#include "cli/cli_args.h"

#include <gtest/gtest.h>

#include "cli/cli_verbs.h"

namespace sonthra::cli {
namespace {

TEST(CliArgs, ReadsFilesAndOptionsInAnyOrder) {
    Command command;
    ASSERT_EQ(parseCommand({"cut", "--from", "10", "in.wav", "--to=20", "out.wav"}, command), "");
    EXPECT_EQ(command.verb->name, "cut");
    EXPECT_EQ(command.files, (std::vector<std::string>{"in.wav", "out.wav"}));
    EXPECT_EQ(command.options.at("from"), "10");
    EXPECT_EQ(command.options.at("to"), "20");

    ASSERT_EQ(parseCommand({"play", "a.wav"}, command), "");
    EXPECT_FALSE(command.has("from"));
    ASSERT_EQ(parseCommand({"devices"}, command), "");
}

TEST(CliArgs, RefusesWhatTheVerbDoesNotTake) {
    Command command;
    struct Case {
        std::vector<std::string> args;
        const char* problem;
    } cases[] = {
        {{}, "no verb given"},
        {{"split", "a"}, "unknown verb 'split'"},
        {{"info"}, "'info' takes 1 file name(s), not 0"},
        {{"info", "a", "b"}, "'info' takes 1 file name(s), not 2"},
        {{"info", ""}, "an empty file name"},
        {{"cut", "a", "b", "--from", "1"}, "'cut' needs --to"},
        {{"cut", "a", "b", "--from", "1", "--to"}, "--to needs a value"},
        {{"cut", "a", "b", "--from", "1", "--to", "2", "--at", "3"}, "'cut' takes no option --at"},
        {{"cut", "a", "b", "--from", "1", "--from", "2", "--to", "3"}, "--from given twice"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseCommand(c.args, command), c.problem);
    }
}

TEST(CliArgs, NumbersAreStrict) {
    EXPECT_EQ(parseFrame("0"), 0u);
    EXPECT_EQ(parseFrame("4294967295"), 4294967295u);
    for (const char* bad :
         {"", "-1", "+1", "1.5", "4294967296", "12a", " 1", "0x10", "99999999999999999999999"})
        EXPECT_FALSE(parseFrame(bad).has_value()) << bad;
    EXPECT_EQ(parseInteger("3", 1, 3), 3);
    EXPECT_FALSE(parseInteger("4", 1, 3).has_value());
    EXPECT_FALSE(parseInteger("0", 1, 3).has_value());
    EXPECT_DOUBLE_EQ(*parseSeconds("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(*parseSeconds("86400"), 86400.0);
    for (const char* bad : {"", "0", "0.0", "-1", "1e3", "nan", "inf", "86401", "1..2", "."})
        EXPECT_FALSE(parseSeconds(bad).has_value()) << bad;
}

TEST(CliArgs, PositionsAreFramesSecondsOrClockTimes) {
    EXPECT_EQ(parsePosition("44100", 44100), 44100u);
    EXPECT_EQ(parsePosition("3.5s", 44100), 154350u);
    EXPECT_EQ(parsePosition("0s", 8000), 0u);
    EXPECT_EQ(parsePosition("1:05.250", 8000), 65u * 8000 + 2000);
    EXPECT_EQ(parsePosition("1:02:03.5", 1000), 3723500u);
    EXPECT_EQ(parsePosition("0.00001s", 44100), 0u) << "rounded to the nearest frame";
    EXPECT_EQ(parsePosition("0.00002s", 44100), 1u);
    EXPECT_EQ(parsePosition("4294967295", 0), 4294967295u) << "frames need no rate";
    for (const char* bad :
         {"", "s", "-1s", "1:5", "1:60", "1:2:3", ":05", "1:05.", "1.5", "1e3s", "3.5", "1:1:05:00",
          "4294967296", "99999999999s", " 3s", "0x10", "1:05.250s"})
        EXPECT_FALSE(parsePosition(bad, 44100).has_value()) << bad;
    EXPECT_FALSE(parsePosition("3.5s", 0).has_value()) << "a time needs the file's rate";
}

TEST(CliArgs, PositionsReadAsMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(positionText(0), "000:00:000");
    EXPECT_EQ(positionText(61'005), "001:01:005");
    EXPECT_EQ(positionText(59'999), "000:59:999");
    EXPECT_EQ(positionText(1000ull * 60 * 1000), "1000:00:000");
}

}  // namespace
}  // namespace sonthra::cli
