// The markers verb on WAV files made by ffmpeg: markers added in place with the samples kept,
// printed as a label list, and written as a chapters file that Python's json reads.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_verbs.h"
#include "cli/markers_command.h"
#include "tags/id3_chapters.h"
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

// The edit verbs move the markers with the sound they point at, and drop those whose sound goes.
TEST_F(MarkersVerb, EditVerbsMoveTheMarkersWithTheirSound) {
    if (!haveSox()) GTEST_SKIP() << "no sox";
    const std::string wav = dir.file("talk.wav");
    ASSERT_TRUE(testing::run("sox -n -r 8000 -c 1 -b 16 '" + wav + "' synth 10 sine 300").ok);
    ASSERT_EQ(run({wav, "--add", "1", "Gone"}), cli::kExitOk) << err;
    ASSERT_EQ(run({wav, "--add", "6", "Kept"}), cli::kExitOk) << err;
    const auto edit = [&](std::vector<std::string> args) {
        std::ostringstream o, e;
        const std::atomic<bool> interrupted{false};
        const int code = cli::runCli(args, o, e, interrupted);
        EXPECT_EQ(code, cli::kExitOk) << e.str();
    };
    edit({"cut", wav, dir.file("cut.wav"), "--from", "0.5s", "--to", "2.5s"});
    ASSERT_EQ(run({dir.file("cut.wav")}), cli::kExitOk) << err;
    EXPECT_EQ(out, "4.000000\t4.000000\tKept\n");
    edit({"insert-silence", wav, dir.file("longer.wav"), "--at", "3s", "--ms", "500"});
    ASSERT_EQ(run({dir.file("longer.wav")}), cli::kExitOk) << err;
    EXPECT_EQ(out, "1.000000\t1.000000\tGone\n6.500000\t6.500000\tKept\n");
    edit({"crop", wav, dir.file("crop.wav"), "--from", "5s", "--to", "8s"});
    ASSERT_EQ(run({dir.file("crop.wav")}), cli::kExitOk) << err;
    EXPECT_EQ(out, "1.000000\t1.000000\tKept\n");
}

TEST_F(MarkersVerb, Mp3ChaptersAreReadByMutagenFfprobeAndTheVerb) {
    if (!haveSox() || !testing::run("command -v lame").ok) GTEST_SKIP() << "no sox or lame";
    const std::string wav = dir.file("show.wav");
    const std::string mp3 = dir.file("show.mp3");
    ASSERT_TRUE(testing::run("sox -n -r 44100 -c 1 -b 16 '" + wav + "' synth 30 sine 440").ok);
    ASSERT_TRUE(testing::run("lame --quiet --tt 'The Show' '" + wav + "' '" + mp3 + "'").ok);
    const std::vector<Marker> markers = {{0, std::nullopt, "Intro", 0},
                                         {551250, std::nullopt, "Интервью «live»", 0},
                                         {882000, 1312395, "News", 0}};
    ASSERT_TRUE(writeMp3Chapters(mp3, {{5, std::nullopt, "old", 0}}, 44100, 30000));
    ASSERT_TRUE(writeMp3Chapters(mp3, markers, 44100, 30000));  // replaces the first ones

    const CommandResult mutagen = testing::run(
        "/usr/bin/python3 -c \"import sys; from mutagen.id3 import ID3; t=ID3(sys.argv[1]); "
        "print(t['TIT2'].text[0], [c.child_element_ids for c in t.getall('CTOC')]); "
        "[print(c.start_time, c.end_time, c.sub_frames['TIT2'].text[0]) for c in "
        "sorted(t.getall('CHAP'), key=lambda c: c.start_time)]\" '" +
        mp3 + "'");
    ASSERT_TRUE(mutagen.ok);
    EXPECT_EQ(mutagen.output,
              "The Show [['chp0', 'chp1', 'chp2']]\n0 12500 Intro\n"
              "12500 20000 Интервью «live»\n20000 29760 News\n");
    EXPECT_EQ(testing::run("ffprobe -v error -show_chapters -of csv=p=0 '" + mp3 + "'").output,
              "0,1/1000,0,0.000000,12500,12.500000,Intro\n"
              "1,1/1000,12500,12.500000,20000,20.000000,Интервью «live»\n"
              "2,1/1000,20000,20.000000,29760,29.760000,News\n");

    // A WAV file's markers go to the MP3 file made from it.
    ASSERT_EQ(run({wav, "--add", "1.5", "Start"}), cli::kExitOk) << err;
    ASSERT_EQ(run({wav, "--add", "3-4", "Part"}), cli::kExitOk) << err;
    const std::string made = dir.file("made.mp3");
    ASSERT_TRUE(testing::run("lame --quiet '" + wav + "' '" + made + "'").ok);
    ASSERT_TRUE(copyWaveMarkersToMp3(wav, made));
    EXPECT_EQ(testing::run("ffprobe -v error -show_chapters -of csv=p=0 '" + made + "'").output,
              "0,1/1000,1500,1.500000,3000,3.000000,Start\n"
              "1,1/1000,3000,3.000000,4000,4.000000,Part\n");

    ASSERT_EQ(run({mp3, "--json", dir.file("ch.json")}), cli::kExitOk) << err;
    EXPECT_EQ(out,
              "0.000000\t12.500000\tIntro\n12.500000\t20.000000\tИнтервью «live»\n"
              "20.000000\t29.760000\tNews\n");
    EXPECT_EQ(run({mp3, "--add", "1", "x"}), cli::kExitUsage);
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
