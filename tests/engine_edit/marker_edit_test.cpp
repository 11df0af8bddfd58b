// Cue points through the engine's edits: they land where a plain model of the frames says,
// through any sequence of edits and the engine's undo, and stay byte for byte where none moved.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "edit_test_support.h"
#include "wave/wave_cue.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

// The model: for every frame of the file, the frame of the first file it came from (-1 for
// pasted copies and silence). A point lands on the frame that came from its own; a region on
// the frames that came from its range and what lies between them.
using Frames = std::vector<long long>;

// Markers cut to one start keep no order of their own.
std::vector<Marker> byPlace(std::vector<Marker> markers) {
    std::sort(markers.begin(), markers.end(), [](const Marker& a, const Marker& b) {
        return a.start != b.start ? a.start < b.start : a.id < b.id;
    });
    return markers;
}

std::vector<Marker> expectedMarkers(const Frames& frames, const std::vector<Marker>& original) {
    std::vector<Marker> out;
    for (const Marker& m : original) {
        long long first = -1;
        long long last = -1;
        const auto end = static_cast<long long>(m.end.value_or(m.start + 1));
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (frames[i] >= static_cast<long long>(m.start) && frames[i] < end) {
                if (first < 0) first = static_cast<long long>(i);
                last = static_cast<long long>(i);
            }
        }
        if (first < 0) continue;
        Marker expected = m;
        expected.start = static_cast<std::uint64_t>(first);
        if (m.end) expected.end = static_cast<std::uint64_t>(last + 1);
        out.push_back(expected);
    }
    return byPlace(out);
}

std::vector<Marker> markersOf(const std::string& path) {
    CueSheet sheet;
    EXPECT_EQ(readWaveCueSheet(path, sheet), 0);
    return markersOfSheet(sheet);
}

std::string sheetChunks(const CueSheet& sheet) {
    return chunk("cue ", cueChunkData(sheet)) + chunk("LIST", adtlListData(sheet));
}

TEST(MarkerEdits, ARandomSequenceOfEditsAndUndoesLandsWhereTheModelSays) {
    TempDir dir;
    const Wav wav = makeWav(2, 16, 3000);
    std::mt19937 random(20261208);
    CueSheet sheet;
    for (int i = 0; i < 24; ++i) {
        const std::uint64_t at = random() % 3000;
        Marker m{at, std::nullopt, "m" + std::to_string(i), 0};
        if (i % 4 == 0) m.end = std::min<std::uint64_t>(at + 1 + random() % 300, 3000);
        addMarkerToSheet(sheet, m);
    }
    const std::vector<Marker> original = markersOfSheet(sheet);
    const std::string path = dir.file("doc.wav");
    writeWav(path, wav, chunk("LIST", "INFO" + chunk("ISFT", "x")) + sheetChunks(sheet));

    Frames frames(3000);
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<long long>(i);
    Frames beforeLast;
    bool canUndo = false;
    AudioEditor editor(smallBlocks());
    int done[6] = {};
    bool clipboard = false;
    std::size_t clipFrames = 0;
    for (int step = 0; step < 40; ++step) {
        const auto size = static_cast<std::uint32_t>(frames.size());
        std::uint32_t a = size ? random() % size : 0;
        std::uint32_t b = size ? random() % size : 0;
        if (a > b) std::swap(a, b);
        const int op = static_cast<int>(random() % 6);
        const Frames previous = frames;
        int result = 0;
        if (op == 0 && b > a) {
            result =
                runEdit(editor, [&](auto h) { return editor.AudioCut(path, a, b, 1, h, 0, {}); });
            clipboard = true;
            clipFrames = b - a;
            frames.erase(frames.begin() + a, frames.begin() + b);
        } else if (op == 1 && b > a) {
            result =
                runEdit(editor, [&](auto h) { return editor.AudioClear(path, a, b, 1, h, 0, {}); });
            frames.erase(frames.begin() + a, frames.begin() + b);
        } else if (op == 2 && clipboard) {
            result = runEdit(editor,
                             [&](auto h) { return editor.AudioPasteEx(path, a, 1, h, 0, {}, {}); });
            frames.insert(frames.begin() + a, clipFrames, -1);
        } else if (op == 3) {
            result = runEdit(editor, [&](auto h) {
                return editor.AudioInsertSilence(path, a, 1, h, 0, 25, {});
            });
            frames.insert(frames.begin() + a, 200, -1);  // 25 ms at 8000 Hz
        } else if (op == 4 && b > a && b - a > 500) {
            result =
                runEdit(editor, [&](auto h) { return editor.AudioCrop(path, a, b, 1, h, 0, {}); });
            frames = Frames(frames.begin() + a, frames.begin() + b);
        } else if (op == 5 && canUndo) {
            ASSERT_EQ(editor.AudioEditUndo(), 0) << "step " << step;
            frames = beforeLast;
        } else {
            continue;
        }
        ASSERT_EQ(result, 0) << "step " << step << " op " << op;
        ++done[op];
        beforeLast = previous;
        canUndo = op != 5;  // one level of undo
        ASSERT_EQ(byPlace(markersOf(path)), expectedMarkers(frames, original))
            << "step " << step << " op " << op << " at " << a << ".." << b;
    }
    EXPECT_LT(markersOf(path).size(), original.size());  // the sequence did remove some
    for (int op = 0; op < 6; ++op) EXPECT_GT(done[op], 0) << "op " << op << " never ran";
    EXPECT_TRUE(run("sox '" + path + "' -n stat").ok);
}

TEST(MarkerEdits, ChunksStayByteForByteUnlessAMarkerMoves) {
    TempDir dir;
    const Wav wav = makeWav(1, 16, 4000);
    CueSheet sheet;
    addMarkerToSheet(sheet, Marker{100, std::nullopt, "Intro", 0});
    addMarkerToSheet(sheet, Marker{1000, 2000, "Talk", 0});
    addMarkerToSheet(sheet, Marker{3000, std::nullopt, "Odd name!", 0});
    const std::string info = chunk("LIST", "INFO" + chunk("INAM", "Show"));
    const std::string src = dir.file("src.wav");
    writeWav(src, wav, info + sheetChunks(sheet));
    const std::string original = readBytes(src);
    const std::string tail = original.substr(46 + wav.samples.size());

    // After every marker: the chunks after the samples are the very same bytes.
    AudioEditor editor(smallBlocks());
    const std::string cut = dir.file("cut.wav");
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCut(src, 3500, 3900, 1, h, 0, cut); }), 0);
    EXPECT_EQ(readBytes(cut).substr(46 + 3600 * 2), tail);

    // A cut over "Talk"'s end and "Intro" gone with a crop: new marker chunks, INFO the same.
    const std::string moved = dir.file("moved.wav");
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCrop(src, 500, 1500, 1, h, 0, moved); }),
        0);
    EXPECT_EQ(markersOf(moved), (std::vector<Marker>{{500, 1000, "Talk", 2}}));
    const std::string bytes = readBytes(moved);
    EXPECT_EQ(bytes.substr(46 + 1000 * 2, info.size()), info);
    EXPECT_EQ(get32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.find("Intro"), std::string::npos);  // its label went with it
    EXPECT_TRUE(run("sox '" + moved + "' -n stat").ok);

    // Every point removed: no cue chunk and no label list remain.
    const std::string none = dir.file("none.wav");
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioClear(src, 50, 3950, 1, h, 0, none); }),
        0);
    EXPECT_EQ(readBytes(none).substr(46 + 100 * 2), info);
}

TEST(MarkerEdits, TrimSilenceMovesThemByTheSilenceItFound) {
    TempDir dir;
    const Wav sound = makeWav(1, 16, 300);
    // 100 silent frames, 300 of sound, 200 silent, 100 of sound.
    Wav wav = sound;
    wav.samples = silence(sound, 100) + sound.samples + silence(sound, 200) + sound.bytes(0, 100);
    CueSheet sheet;
    addMarkerToSheet(sheet, Marker{50, std::nullopt, "in the silence", 0});
    addMarkerToSheet(sheet, Marker{150, std::nullopt, "sound", 0});
    addMarkerToSheet(sheet, Marker{50, 450, "over both", 0});
    addMarkerToSheet(sheet, Marker{450, std::nullopt, "trimmed tail", 0});
    addMarkerToSheet(sheet, Marker{650, std::nullopt, "after", 0});
    const std::string src = dir.file("src.wav");
    writeWav(src, wav, sheetChunks(sheet));

    AudioEditor editor(smallBlocks());
    const std::string out = dir.file("out.wav");
    ASSERT_EQ(
        runEdit(editor,
                [&](auto h) { return editor.AudioEditTrimSilence(src, 0, 600, 1, h, 0, 0, out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), sound.samples + sound.bytes(0, 100));
    EXPECT_EQ(markersOf(out), (std::vector<Marker>{{0, 300, "over both", 3},
                                                   {50, std::nullopt, "sound", 2},
                                                   {350, std::nullopt, "after", 5}}));
    // A range that is silent throughout goes whole, and its markers with it.
    const std::string silent = dir.file("silent.wav");
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioEditTrimSilence(src, 0, 100, 1, h, 0, 0, silent);
                      }),
              0);
    EXPECT_EQ(markersOf(silent).front(), (Marker{0, 350, "over both", 3}));
}

}  // namespace
}  // namespace sonthra
