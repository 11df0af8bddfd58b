// Change Format's long operation as the progress dialog drives it: polls to the end, a cancel,
// refusals at the start and exit codes read through the converter's own message table.
#include <gtest/gtest.h>

#include "convert/format_operation.h"
#include "format_convert/convert_test_support.h"

namespace sonthra::testing {
namespace {

TEST(FormatConversionRun, PollsToTheEndLikeTheProgressDialog) {
    TempDir dir;
    writeBytes(dir.file("in.wav"),
               wavBytes(2, 44100, 16, sine16(44100, 441000, {440, 440}, {.5, .5})));
    FormatConversion run;
    EXPECT_EQ(run.record().kind, ProcessKind::FormatConversion);
    ASSERT_EQ(run.start(dir.file("in.wav"), dir.file("out.wav"), formatBuffer(22050, 16, 1)), 0);
    const ProgressPollFunction poll = PollOf(run);
    ProgressPoll last;
    while ((last = poll(false)).running) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(last.percent, 100);
    run.wait();
    EXPECT_TRUE(run.over());
    EXPECT_EQ(run.result(), 0);
    EXPECT_EQ(readSamples(dir.file("out.wav")).frames(), 220500u);
}

TEST(FormatConversionRun, CancelEndsWith129AndNoNewFile) {
    TempDir dir;
    writeBytes(dir.file("in.wav"),
               wavBytes(2, 44100, 16, sine16(44100, 44100 * 60, {440, 440}, {.5, .5})));
    FormatConversion run;
    ASSERT_EQ(run.start(dir.file("in.wav"), dir.file("out.wav"), formatBuffer(48000, 16, 2)), 0);
    PollOf(run)(true);
    EXPECT_EQ(run.runState(), RunState::CancelRequested);
    run.wait();
    EXPECT_FALSE(run.active());
    EXPECT_EQ(run.result(), 129);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"in.wav"});
}

TEST(FormatConversionRun, RefusalsAndExitCodesBecomeTheConvertersMessages) {
    TempDir dir;
    FormatConversion refused;
    EXPECT_EQ(refused.start(dir.file("missing.wav"), dir.file("out.wav"), formatBuffer(8000, 8, 1)),
              452);
    EXPECT_EQ(refused.runState(), RunState::Failed);
    EXPECT_TRUE(refused.over());
    EXPECT_EQ(refused.result(), 452);

    // The finished file cannot take the destination's name: a folder with a file in it holds it.
    writeBytes(dir.file("in.wav"), wavBytes(1, 8000, 16, sine16(8000, 8000, {100}, {.5})));
    std::filesystem::create_directory(dir.file("out.wav"));
    writeBytes(dir.file("out.wav/inside"), "x");
    FormatConversion run;
    ASSERT_EQ(run.start(dir.file("in.wav"), dir.file("out.wav"), formatBuffer(11025, 16, 1)), 0);
    run.wait();
    EXPECT_EQ(run.result(), FormatCodeToMessage(kFmtCannotMove));
    EXPECT_EQ(run.result(), 464);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

}  // namespace
}  // namespace sonthra::testing
