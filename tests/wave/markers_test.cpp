// Markers: the shift every edit applies, and the cue points and labels of WAV files as other
// recorders write them, read and written back with the samples and other chunks untouched.
#include <gtest/gtest.h>

#include "wave/markers.h"
#include "wave/wave_cue.h"
#include "wave_test_files.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

Marker point(std::uint64_t at, std::string name = "p") {
    return Marker{at, std::nullopt, std::move(name), 0};
}
Marker region(std::uint64_t from, std::uint64_t to, std::string name = "r") {
    return Marker{from, to, std::move(name), 0};
}

TEST(ShiftMarkers, PointsAndRegionsAroundCutsAndInsertions) {
    struct Case {
        const char* what;
        Marker before;
        std::uint64_t from, to, inserted;
        std::optional<Marker> after;
    };
    const Case cases[] = {
        {"point before a cut", point(10), 20, 30, 0, point(10)},
        {"point at the cut's start", point(20), 20, 30, 0, std::nullopt},
        {"point inside a cut", point(25), 20, 30, 0, std::nullopt},
        {"point at the cut's end", point(30), 20, 30, 0, point(20)},
        {"point after a cut", point(100), 20, 30, 0, point(90)},
        {"point at an insertion", point(20), 20, 20, 5, point(25)},
        {"point before an insertion", point(19), 20, 20, 5, point(19)},
        {"region losing its head", region(15, 40), 10, 20, 0, region(10, 30)},
        {"region losing its tail", region(5, 15), 10, 20, 0, region(5, 10)},
        {"region around a cut", region(5, 40), 10, 20, 0, region(5, 30)},
        {"region inside a cut", region(12, 18), 10, 20, 0, std::nullopt},
        {"region ending at a cut", region(5, 10), 10, 20, 0, region(5, 10)},
        {"insertion inside a region", region(5, 40), 10, 10, 7, region(5, 47)},
        {"insertion at a region's end", region(5, 10), 10, 10, 7, region(5, 10)},
        {"insertion at a region's start", region(10, 20), 10, 10, 7, region(17, 27)},
        {"head replaced by new frames", region(15, 40), 10, 20, 4, region(14, 34)},
        {"range given backwards", point(100), 30, 20, 0, point(90)},
    };
    for (const Case& c : cases) {
        std::vector<Marker> markers = {c.before};
        const bool changed = shiftMarkers(markers, c.from, c.to, c.inserted);
        if (c.after) {
            ASSERT_EQ(markers.size(), 1u) << c.what;
            EXPECT_EQ(markers[0], *c.after) << c.what;
            EXPECT_EQ(changed, !(*c.after == c.before)) << c.what;
        } else {
            EXPECT_TRUE(markers.empty()) << c.what;
            EXPECT_TRUE(changed) << c.what;
        }
    }
}

TEST(MarkerText, LabelListAndTimes) {
    EXPECT_EQ(markerSecondsText(551250, 44100), "12.500000");
    EXPECT_EQ(markerSecondsText(1, 3), "0.333333");
    EXPECT_EQ(markerSecondsText(2, 3), "0.666667");
    EXPECT_EQ(markerSecondsText(44099, 44100), "0.999977");
    EXPECT_EQ(markerSecondsText(48000ull * 86400 * 400, 48000), "34560000.000000");
    EXPECT_EQ(framesOfSeconds(12.5, 44100), 551250u);
    EXPECT_FALSE(framesOfSeconds(-1, 44100));
    EXPECT_FALSE(framesOfSeconds(1e300, 44100));
    EXPECT_EQ(markerLabelText({point(8000, "In\tto"), region(16000, 24000, "Talk\nshow")}, 8000),
              "1.000000\t1.000000\tIn to\n2.000000\t3.000000\tTalk show\n");
    EXPECT_EQ(utf8FromLabel("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(utf8FromLabel("Caf\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_EQ(utf8FromLabel("\xE2\x82"), "\xC3\xA2\xC2\x82");  // cut short: not UTF-8
}

std::string cuePointBytes(std::uint32_t id, std::uint32_t position, std::uint32_t offset) {
    std::string s;
    put32(s, id);
    put32(s, position);
    s += "data";
    put32(s, 0);
    put32(s, 0);
    put32(s, offset);
    return s;
}

std::string labelBytes(const char* id, std::uint32_t cue, const std::string& text) {
    std::string body;
    put32(body, cue);
    body += text;
    body.push_back('\0');
    return chunk(id, body);
}

// A broadcast recorder's file: "bext" first, the cue points before the samples, labels in
// its code page, a region, a point known only by its note and one by its position only.
std::string recorderFile(const std::string& samples) {
    std::string cue;
    put32(cue, 4);
    cue += cuePointBytes(7, 800, 800) + cuePointBytes(2, 0, 0) + cuePointBytes(9, 1600, 0) +
           cuePointBytes(4, 2400, 2400);
    std::string ltxt;
    put32(ltxt, 4);
    put32(ltxt, 400);
    ltxt += "rgn ";
    ltxt += std::string(8, '\0');
    ltxt += "Take 2";
    std::string adtl = "adtl" + labelBytes("labl", 7, "Caf\xE9") + labelBytes("labl", 2, "Start") +
                       labelBytes("note", 9, "only a note") + chunk("ltxt", ltxt) +
                       labelBytes("file", 99, "kept as it is");
    return riff("WAVE", {chunk("bext", std::string(602, 'b')), chunk("fmt ", fmtBody(1, 8000, 16)),
                         chunk("cue ", cue), chunk("data", samples), chunk("LIST", adtl),
                         chunk("LIST", "INFO" + chunk("ISFT", "rec"))});
}

TEST(WaveCue, RecorderFilesReadAndAnAddedMarkerLeavesEverythingElseAsItWas) {
    TempDir dir;
    const std::string path = dir.file("take.wav");
    const std::string samples = rampSamples(1, 16, 4001);
    writeBytes(path, recorderFile(samples));

    CueSheet sheet;
    WaveFormat format;
    std::uint64_t frames = 0;
    ASSERT_EQ(readWaveCueSheet(path, sheet, &format, &frames), 0);
    EXPECT_EQ(frames, 4001u);
    const std::vector<Marker> markers = markersOfSheet(sheet);
    ASSERT_EQ(markers.size(), 4u);
    EXPECT_EQ(markers[0], (Marker{0, std::nullopt, "Start", 2}));
    EXPECT_EQ(markers[1], (Marker{800, std::nullopt, "Caf\xC3\xA9", 7}));
    EXPECT_EQ(markers[2], (Marker{1600, std::nullopt, "only a note", 9}));
    EXPECT_EQ(markers[3], (Marker{2400, 2800, "Take 2", 4}));

    const std::string before = readBytes(path);
    addMarkerToSheet(sheet, region(3000, 3500, "Outro \xD0\x9A"));
    ASSERT_EQ(writeWaveCueSheet(path, sheet), 0);
    const std::string after = readBytes(path);
    // The bytes before the cue chunk, the samples and the INFO list are the same bytes.
    EXPECT_EQ(after.substr(0, 4), "RIFF");
    EXPECT_EQ(get32(after, 4), after.size() - 8);
    const std::size_t head = 4 + (8 + 602) + (8 + 18);  // "WAVE", "bext", "fmt "
    EXPECT_EQ(after.substr(8, head), before.substr(8, head));
    EXPECT_NE(after.find(chunk("data", samples)), std::string::npos);
    EXPECT_NE(after.find(chunk("LIST", "INFO" + chunk("ISFT", "rec"))), std::string::npos);
    EXPECT_NE(after.find(chunk("bext", std::string(602, 'b'))), std::string::npos);

    CueSheet again;
    ASSERT_EQ(readWaveCueSheet(path, again), 0);
    const std::vector<Marker> read = markersOfSheet(again);
    ASSERT_EQ(read.size(), 5u);
    EXPECT_EQ(read[4], (Marker{3000, 3500, "Outro \xD0\x9A", 100}));  // above the "file" entry's 99
    EXPECT_EQ(again.entries.size(), sheet.entries.size());            // the "file" entry too

    if (haveSox()) {
        EXPECT_EQ(run("soxi -s '" + path + "'").output, "4001\n");
        const std::string raw = dir.file("raw.s16");
        ASSERT_TRUE(run("sox '" + path + "' -t raw '" + raw + "'").ok);
        EXPECT_EQ(readBytes(raw), samples);
    }
    if (run("command -v ffprobe").ok) {
        EXPECT_EQ(
            run("ffprobe -v error -show_entries stream=duration_ts -of csv=p=0 '" + path + "'")
                .output,
            "4001\n");
    }
}

TEST(WaveCue, ShiftKeepsLabelsOfKeptPointsAndDropsThoseOfRemovedOnes) {
    CueSheet sheet;
    addMarkerToSheet(sheet, point(100, "a"));
    addMarkerToSheet(sheet, region(200, 400, "b"));
    addMarkerToSheet(sheet, point(300, "c"));
    sheet.entries.push_back({kNoteId, std::string("\x03\0\0\0note of c\0", 14)});
    CueSheet unchanged = sheet;
    EXPECT_FALSE(shiftCueSheet(unchanged, 500, 600, 0));
    EXPECT_EQ(cueChunkData(unchanged), cueChunkData(sheet));
    EXPECT_EQ(adtlListData(unchanged), adtlListData(sheet));

    ASSERT_TRUE(shiftCueSheet(sheet, 250, 350, 0));
    EXPECT_EQ(markersOfSheet(sheet),
              (std::vector<Marker>{{100, std::nullopt, "a", 1}, {200, 300, "b", 2}}));
    EXPECT_EQ(sheet.entries.size(), 3u);  // a's and b's labels and b's region
    const CueSheet parsed{parseCueChunk(cueChunkData(sheet)), parseAdtlList(adtlListData(sheet))};
    EXPECT_EQ(markersOfSheet(parsed), markersOfSheet(sheet));
}

TEST(WaveCue, HostileChunksGiveWhatIsThere) {
    std::string cue;
    put32(cue, 0xFFFFFFFF);
    cue += cuePointBytes(1, 5, 5) + "short";
    ASSERT_EQ(parseCueChunk(cue).size(), 1u);
    EXPECT_TRUE(parseCueChunk("abc").empty());
    std::string adtl = "adtl" + labelBytes("labl", 1, "ok");
    adtl += "labl";
    put32(adtl, 1000);
    adtl += "xy";
    const auto entries = parseAdtlList(adtl);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].data, "xy");
    EXPECT_TRUE(parseAdtlList("INFOabcd").empty());
    // A label without its point's id, and an ltxt cut short, name nothing and break nothing.
    CueSheet sheet{{{1, 5, kDataId, 0, 0, 5}},
                   {{kLablId, "ab"}, {kLtxtId, std::string("\1\0\0", 3)}}};
    EXPECT_EQ(markersOfSheet(sheet), (std::vector<Marker>{{5, std::nullopt, "", 1}}));
}

}  // namespace
}  // namespace sonthra
