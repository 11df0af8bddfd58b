// sonthra-cli loudness and spectrogram run as a user runs them: the report's numbers against
// ffmpeg, positions as the other verbs take them, the picture read back by outside readers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "analysis_test_support.h"
#include "effects_test_support.h"

namespace sonthra {
namespace {

using test::runCommand;

std::string cli() {
    return std::string(std::getenv("SONTHRA_BINARY_DIR")) + "/bin/sonthra-cli";
}

// The reader's answer "W H [ROW]": the width, height and the one loudest row, or -1s.
std::tuple<int, int, int> pictureAnswer(const std::string& text) {
    int w = -1, h = -1, row = -1;
    if (std::sscanf(text.c_str(), "%d %d [%d]", &w, &h, &row) != 3 ||
        text.find(',') != std::string::npos)
        return {-1, -1, -1};
    return {w, h, row};
}

std::map<std::string, double> parseReport(const std::string& text) {
    std::map<std::string, double> values;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(": ");
        if (colon != std::string::npos)
            values[line.substr(0, colon)] = std::strtod(line.c_str() + colon + 2, nullptr);
    }
    return values;
}

TEST(AnalysisCli, LoudnessPrintsTheReportOfAFileOrAStretch) {
    test::TempFolder folder;
    const std::string in = folder.file("in.wav");
    const std::string part = folder.file("part.wav");
    ASSERT_EQ(runCommand("sox -D -R -n -r 44100 -b 16 -c 2 " + folder.file("a.wav") +
                         " synth 4 pinknoise vol 0.1"),
              0);
    ASSERT_EQ(runCommand("sox -D -n -r 44100 -b 16 -c 2 " + folder.file("b.wav") +
                         " synth 6 sine 440 vol 0.5"),
              0);
    ASSERT_EQ(runCommand("sox " + folder.file("a.wav") + " " + folder.file("b.wav") + " " + in), 0);
    ASSERT_EQ(runCommand("sox " + in + " " + part + " trim 1.5 =7.25"), 0);

    std::string text;
    ASSERT_EQ(runCommand(cli() + " loudness " + in + " 2>/dev/null", &text), 0) << text;
    auto values = parseReport(text);
    const char* names[] = {"integrated_lufs", "range_lu", "max_momentary_lufs",
                           "max_short_term_lufs", "true_peak_dbtp"};
    for (const char* name : names) ASSERT_EQ(values.count(name), 1u) << name << "\n" << text;
    LoudnessReport peer = test::ffmpegLoudness(in);
    EXPECT_NEAR(values["integrated_lufs"], peer.integratedLufs, 0.1);
    EXPECT_NEAR(values["true_peak_dbtp"], peer.truePeakDbtp, 0.1);

    // Frames, seconds and minutes-and-seconds, as the editing verbs take them.
    for (const std::string& range :
         {std::string("--from 66150 --to 319725"), std::string("--from 1.5s --to 7.25s"),
          std::string("--from=0:01.500 --to 0:07.250")}) {
        ASSERT_EQ(runCommand(cli() + " loudness " + in + " " + range + " 2>/dev/null", &text), 0)
            << range << "\n"
            << text;
        values = parseReport(text);
        peer = test::ffmpegLoudness(part);
        EXPECT_NEAR(values["integrated_lufs"], peer.integratedLufs, 0.1) << range;
        EXPECT_NEAR(values["max_short_term_lufs"], peer.maxShortTermLufs, 0.1) << range;
        EXPECT_NEAR(values["range_lu"], peer.rangeLu, 0.1) << range;
    }

    EXPECT_EQ(runCommand(cli() + " loudness " + in + " --to 11s", &text), 1);
    EXPECT_NE(text.find("past the end"), std::string::npos) << text;
    EXPECT_EQ(runCommand(cli() + " loudness " + in + " --from 5s --to 5s", &text), 2);
    EXPECT_EQ(runCommand(cli() + " loudness " + in + " --gain 3", &text), 2);
    EXPECT_EQ(runCommand(cli() + " loudness " + folder.file("none.wav"), &text), 1);
    EXPECT_NE(text.find("Error code 103"), std::string::npos) << text;
}

TEST(AnalysisCli, SpectrogramWritesAPictureOfTheRightSizeWithTheToneInPlace) {
    test::TempFolder folder;
    const std::string in = folder.file("tone.wav");
    ASSERT_EQ(runCommand("sox -D -n -r 44100 -b 16 -c 1 " + in + " synth 3 sine 1000 vol 0.5"), 0);
    std::string text;
    const std::string png = folder.file("out.png");
    ASSERT_EQ(runCommand(cli() + " spectrogram " + in + " " + png, &text), 0) << text;
    ASSERT_EQ(runCommand("file -b " + png, &text), 0);
    EXPECT_NE(text.find("PNG image data, 1920 x 513, 8-bit/color RGB"), std::string::npos) << text;

    // The loudest row of every column, read back with zlib (the brightest on the dark skin,
    // the darkest on the light one), is the tone's: on the linear scale 1 kHz lies
    // 1000 / 22050 of the height above the bottom, row 190 of 200.
    const std::string reader = R"(
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
assert data[:8] == b'\x89PNG\r\n\x1a\n'
pos, idat, size = 8, b'', None
while pos < len(data):
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b'IHDR': size = struct.unpack('>II', body[:8])
    if kind == b'IDAT': idat += body
    pos += 12 + length
w, h = size
raw = zlib.decompress(idat)
rows = [raw[y * (1 + 3 * w) + 1:(y + 1) * (1 + 3 * w)] for y in range(h)]
bright = {}
for x in range(0, w, max(1, w // 20)):
    sums = [sum(r[3 * x:3 * x + 3]) for r in rows]
    loudest = min(sums) if sys.argv[2] == 'light' else max(sums)
    bright[sums.index(loudest)] = 1
print(w, h, sorted(bright))
)";
    const std::string script = folder.file("read.py");
    std::ofstream(script) << reader;
    ASSERT_EQ(runCommand(cli() + " spectrogram " + in + " " + folder.file("small.png") +
                             " --width 300 --height 200 --skin light",
                         &text),
              0)
        << text;
    ASSERT_EQ(
        runCommand("/usr/bin/python3 " + script + " " + folder.file("small.png") + " light", &text),
        0)
        << text;
    // A bin between two rows may lead the row next to the tone's.
    auto [w, h, row] = pictureAnswer(text);
    EXPECT_EQ(w, 300);
    EXPECT_EQ(h, 200);
    EXPECT_NEAR(row, 190.9, 1) << text;
    ASSERT_EQ(runCommand(cli() + " spectrogram " + in + " " + folder.file("dark.png") +
                             " --width 300 --height 200",
                         &text),
              0);
    ASSERT_EQ(
        runCommand("/usr/bin/python3 " + script + " " + folder.file("dark.png") + " dark", &text),
        0)
        << text;
    // The same row, brightest on the dark skin.
    EXPECT_EQ(pictureAnswer(text), std::tuple(300, 200, row)) << text;
    ASSERT_EQ(runCommand(cli() + " spectrogram " + in + " " + folder.file("log.png") +
                             " --log --width 64 --height 100 --window 4096",
                         &text),
              0)
        << text;
    ASSERT_EQ(
        runCommand("/usr/bin/python3 " + script + " " + folder.file("log.png") + " dark", &text),
        0);
    // 20 Hz to 22,050 Hz over 100 rows: 1000 Hz is log(50) / log(1102.5) up from the bottom.
    std::tie(w, h, row) = pictureAnswer(text);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 100);
    EXPECT_NEAR(row, 100 * (1 - std::log(50.0) / std::log(1102.5)), 1) << text;

    // An existing picture is not written over; a bad window size is refused.
    EXPECT_EQ(runCommand(cli() + " spectrogram " + in + " " + png, &text), 1);
    EXPECT_NE(text.find("already exists"), std::string::npos);
    EXPECT_EQ(
        runCommand(cli() + " spectrogram " + in + " " + folder.file("x.png") + " --window 1000",
                   &text),
        2);
    EXPECT_EQ(runCommand(cli() + " spectrogram " + in, &text), 2);
}

}  // namespace
}  // namespace sonthra
