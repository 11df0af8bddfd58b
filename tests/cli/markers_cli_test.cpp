// The markers verb on WAV files made by ffmpeg: markers added in place with the samples kept,
// printed as a label list, and written as a chapters file that Python's json reads.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_verbs.h"
#include "cli/markers_command.h"
#include "wave/wave_cue.h"
#include "wave_test_files.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

struct MarkersVerb : ::testing::Test {
    TempDir dir;
    std::string out;
    std::string err;

    int run(std::vector<std::string> args) {
        std::ostringstream o;
        std::ostringstream e;
        const std::atomic<bool> interrupted{false};
        const int code = cli::runMarkersVerb(args, o, e, interrupted);
        out = o.str();
        err = e.str();
        return code;
    }
};

TEST_F(MarkersVerb, AddsPrintsAndWritesChaptersWithTheAudioUntouched) {
    if (!haveSox()) GTEST_SKIP() << "no sox";
    const std::string wav = dir.file("talk.wav");
    ASSERT_TRUE(testing::run("ffmpeg -v error -f lavfi -i sine=frequency=440:duration=30 -ac 2 "
                             "-ar 44100 -metadata comment='made by ffmpeg' '" +
                             wav + "'")
                    .ok);
    const std::string raw = dir.file("before.raw");
    ASSERT_TRUE(testing::run("sox '" + wav + "' -t raw '" + raw + "'").ok);

    ASSERT_EQ(run({wav}), cli::kExitOk) << err;
    EXPECT_EQ(out, "");
    ASSERT_EQ(run({wav, "--add", "12.5", "Interview \"live\""}), cli::kExitOk) << err;
    ASSERT_EQ(run({wav, "--add", "0", "Intro"}), cli::kExitOk) << err;
    ASSERT_EQ(run({wav, "--add", "20-29.75", "News", "--json", dir.file("ch.json")}), cli::kExitOk)
        << err;
    EXPECT_EQ(out,
              "0.000000\t0.000000\tIntro\n12.500000\t12.500000\tInterview \"live\"\n"
              "20.000000\t29.750000\tNews\n");

    const std::string after = dir.file("after.raw");
    ASSERT_TRUE(testing::run("sox '" + wav + "' -t raw '" + after + "'").ok);
    EXPECT_EQ(readBytes(after), readBytes(raw));
    EXPECT_EQ(testing::run("ffprobe -v error -show_entries format_tags=comment -of "
                           "default=nw=1:nk=1 '" +
                           wav + "'")
                  .output,
              "made by ffmpeg\n");
    const CommandResult json = testing::run(
        "/usr/bin/python3 -c \"import json,sys; d=json.load(open(sys.argv[1])); "
        "print(d['version'], [(c['startTime'], c.get('endTime'), c['title']) for c in "
        "d['chapters']])\" '" +
        dir.file("ch.json") + "'");
    ASSERT_TRUE(json.ok);
    EXPECT_EQ(
        json.output,
        "1.2.0 [(0, None, 'Intro'), (12.5, None, 'Interview \"live\"'), (20, 29.75, 'News')]\n");
}

TEST_F(MarkersVerb, BadWordsAndFilesChangeNothing) {
    const std::string wav = dir.file("a.wav");
    writeBytes(wav, wavBytes(1, 8000, 16, rampSamples(1, 16, 8000)));
    const std::string before = readBytes(wav);
    EXPECT_EQ(run({wav, "--add", "1.5"}), cli::kExitUsage);
    EXPECT_EQ(run({wav, "--add", "abc", "x"}), cli::kExitUsage);
    EXPECT_EQ(run({wav, "--add", "-1", "x"}), cli::kExitUsage);
    EXPECT_EQ(run({wav, "--add", "0.5-0.2", "x"}), cli::kExitUsage);
    EXPECT_EQ(run({wav, "--add", "1.01", "past the end"}), cli::kExitUsage);
    EXPECT_NE(err.find("past the end of the audio (1.000000 s)"), std::string::npos) << err;
    EXPECT_EQ(run({wav, "--bogus"}), cli::kExitUsage);
    EXPECT_EQ(run({}), cli::kExitUsage);
    EXPECT_EQ(readBytes(wav), before);
    const std::string text = dir.file("notes.txt");
    writeBytes(text, "not audio");
    EXPECT_EQ(run({text, "--add", "0", "x"}), cli::kExitFailed);
    EXPECT_NE(err.find("is not a WAV file"), std::string::npos);
    EXPECT_EQ(readBytes(text), "not audio");
    EXPECT_EQ(run({dir.file("missing.wav")}), cli::kExitFailed);
    EXPECT_NE(err.find("no such file"), std::string::npos);
}

}  // namespace
}  // namespace sonthra
