#include "engine/audio_edit.h"

#include <gtest/gtest.h>

#include <tuple>

#include "edit_test_support.h"
#include "engine/edit_errors.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

// Every edit, for each of the four sample layouts, checked sample by sample against the same
// splice done on the generated samples.
class EditLayouts : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
    void SetUp() override {
        wav = makeWav(static_cast<std::uint16_t>(std::get<0>(GetParam())),
                      static_cast<std::uint16_t>(std::get<1>(GetParam())), 5000);
        src = dir.file("src.wav");
        out = dir.file("out.wav");
        writeWav(src, wav);
        original = readBytes(src);
    }
    void TearDown() override { EXPECT_EQ(readBytes(src), original) << "the source changed"; }

    TempDir dir;
    AudioEditor editor{smallBlocks()};
    Wav wav;
    std::string src;
    std::string out;
    std::string original;
};

TEST_P(EditLayouts, CutClearAndCropSpliceTheRange) {
    // The range is given larger end first, as the display passes its anchor first.
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCut(src, 3100, 1200, 1, h, 0, out); }), 0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 1200) + wav.from(3100));
    ASSERT_EQ(editor.AudioEditCanPaste(), 1);

    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioClear(src, 0, 4999, 1, h, 0, out); }), 0);
    EXPECT_EQ(samplesOf(out, wav), wav.from(4999));

    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCrop(src, 4000, 17, 1, h, 0, out); }), 0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(17, 4000));

    // Cutting everything leaves a valid file without samples.
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCut(src, 0, 5000, 1, h, 0, out); }),
              0);
    EXPECT_EQ(samplesOf(out, wav), "");
    EXPECT_EQ(probeWave(out, nullptr, nullptr), 164);
}

TEST_P(EditLayouts, CutAndCopyFillTheClipboardThatPasteInserts) {
    ASSERT_EQ(editor.AudioEditCanPaste(), 0);
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCopy(src, 250, 2750, 1, h, 0); }),
              0);
    ASSERT_EQ(editor.AudioEditCanPaste(), 1);
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioPasteEx(src, 4000, 1, h, 0, "", out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 4000) + wav.bytes(250, 2750) + wav.from(4000));

    // A cut replaces what the clipboard held; paste at both ends of the file.
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCut(src, 10, 20, 1, h, 0, out); }),
              0);
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioPasteEx(src, 0, 1, h, 0, "", out); }), 0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(10, 20) + wav.samples);
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioPasteEx(src, 5000, 1, h, 0, "", out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.samples + wav.bytes(10, 20));
}

TEST_P(EditLayouts, RangeFilesAndNamedClips) {
    const std::string range = dir.file("range.wav");
    ASSERT_EQ(
        runEdit(editor,
                [&](auto h) { return editor.AudioCutInFile(src, 600, 900, 1, h, 0, range, out); }),
        0);
    EXPECT_EQ(samplesOf(range, wav), wav.bytes(600, 900));
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 600) + wav.from(900));
    // The range files leave the clipboard alone.
    EXPECT_EQ(editor.AudioEditCanPaste(), 0);
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) { return editor.AudioCopyInFile(src, 5000, 1, 1, h, 0, range); }),
              0);
    EXPECT_EQ(samplesOf(range, wav), wav.bytes(1, 5000));
    EXPECT_EQ(editor.AudioEditCanPaste(), 0);

    // A clip named in the call, as a recording is pasted in.
    const Wav clip = makeWav(wav.channels, wav.bits, 777, 99);
    writeWav(dir.file("clip.wav"), clip);
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioPasteEx(src, 1234, 1, h, 0, dir.file("clip.wav"), out);
                      }),
              0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 1234) + clip.samples + wav.from(1234));
}

TEST_P(EditLayouts, InsertSilenceAndMute) {
    // 125 ms at 8000 frames a second is 1000 frames; 1 ms is 8.
    ASSERT_EQ(
        runEdit(editor,
                [&](auto h) { return editor.AudioInsertSilence(src, 2500, 1, h, 0, 125, out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 2500) + silence(wav, 1000) + wav.from(2500));
    ASSERT_EQ(
        runEdit(editor,
                [&](auto h) { return editor.AudioInsertSilence(src, 5000, 1, h, 0, 1, out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.samples + silence(wav, 8));

    const std::size_t sampleBytes = wav.bits / 8u;
    for (int choice : {1, 2, 3}) {
        ASSERT_EQ(runEdit(editor,
                          [&](auto h) {
                              return editor.AudioEditMute(src, 3000, 100, 1, h, 0, choice, out);
                          }),
                  0);
        std::string expected = wav.samples;
        for (std::uint32_t f = 100; f < 3000; ++f) {
            for (unsigned c = 0; c < wav.channels; ++c) {
                // A mono file's one channel is muted whatever the choice.
                if (wav.channels == 2 && !(choice & (1 << c))) continue;
                expected.replace(f * wav.align() + c * sampleBytes, sampleBytes,
                                 silence(wav, 1).substr(0, sampleBytes));
            }
        }
        EXPECT_EQ(samplesOf(out, wav), expected) << "channel choice " << choice;
    }
    // An empty range changes nothing.
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioEditMute(src, 7, 7, 1, h, 0, 3, out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.samples);
}

INSTANTIATE_TEST_SUITE_P(Layouts, EditLayouts,
                         ::testing::Combine(::testing::Values(1, 2), ::testing::Values(8, 16)),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "ch" +
                                    std::to_string(std::get<1>(info.param)) + "bit";
                         });

// Samples with a known loud and quiet pattern, for trimming.
std::string quietThenLoud(std::uint16_t bits, std::uint16_t channels, int quietBefore, int loud,
                          int quietAfter, int quietLevel, int loudLevel) {
    std::string s;
    auto frame = [&](int level, int i) {
        for (int c = 0; c < channels; ++c) {
            const int v = (i + c) % 2 ? level : -level;
            if (bits == 16) {
                put16(s, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
            } else {
                s.push_back(static_cast<char>(128 + v));
            }
        }
    };
    for (int i = 0; i < quietBefore; ++i) frame(quietLevel, i);
    for (int i = 0; i < loud; ++i) frame(i % 7 == 0 ? quietLevel : loudLevel, i);
    for (int i = 0; i < quietAfter; ++i) frame(quietLevel, i);
    return s;
}

TEST(TrimSilence, RemovesTheQuietEndsOfTheRangeAndKeepsQuietInsideTheSound) {
    TempDir dir;
    AudioEditor editor(smallBlocks());
    // 3 % of full scale is 983 for 16 bits: 900 is silence, 1000 is sound. The quiet stretches
    // cover several blocks, and quiet frames inside the sound stay.
    Wav wav{2, 16, 8000, quietThenLoud(16, 2, 3000, 2000, 2500, 900, 1000)};
    writeWav(dir.file("t.wav"), wav);
    const std::string src = dir.file("t.wav");
    const std::string out = dir.file("o.wav");
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioEditTrimSilence(src, 0, 7500, 1, h, 0, 300, out);
                      }),
              0);
    // The first loud frame is the second of the sound (its first is quiet).
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(3001, 5000));

    // A range inside the file: only its own quiet ends go, the rest stays.
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioEditTrimSilence(src, 5200, 1000, 1, h, 0, 300, out);
                      }),
              0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 1000) + wav.bytes(3001, 5000) + wav.from(5200));

    // A range that is silent throughout goes entirely; threshold 0 keeps the quiet frames.
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioEditTrimSilence(src, 100, 2900, 1, h, 0, 300, out);
                      }),
              0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 100) + wav.from(2900));
    ASSERT_EQ(
        runEdit(editor,
                [&](auto h) { return editor.AudioEditTrimSilence(src, 0, 7500, 1, h, 0, 0, out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.samples);
}

TEST(TrimSilence, EightBitSilenceIsTheMiddleValueAndOneLoudChannelKeepsAFrame) {
    TempDir dir;
    AudioEditor editor(smallBlocks());
    // 10 % of 128 is 12.8: 12 is silence, 13 is sound.
    Wav wav{1, 8, 8000, quietThenLoud(8, 1, 10, 20, 10, 12, 13)};
    writeWav(dir.file("t.wav"), wav);
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioEditTrimSilence(dir.file("t.wav"), 0, 40, 1, h, 0,
                                                             1000, dir.file("o.wav"));
                      }),
              0);
    EXPECT_EQ(samplesOf(dir.file("o.wav"), wav), wav.bytes(11, 30));

    WaveFormat stereo16 = makePcmFormat(8000, 16, 2);
    const unsigned char leftQuietRightLoud[] = {0x10, 0x00, 0xE8, 0x03};  // 16 and 1000
    EXPECT_FALSE(isSilentFrame(leftQuietRightLoud, stereo16, 300));
    EXPECT_TRUE(isSilentFrame(leftQuietRightLoud, stereo16, 400));
    const unsigned char mostNegative[] = {0x00, 0x80, 0x00, 0x00};  // -32768: full scale
    EXPECT_TRUE(isSilentFrame(mostNegative, stereo16, 10000));
    EXPECT_FALSE(isSilentFrame(mostNegative, stereo16, 9999));
}

TEST(AudioEdit, InPlaceEditsReplaceTheSourceAndKeepItsOtherChunks) {
    TempDir dir;
    AudioEditor editor(smallBlocks());
    editor.AudioEditSetUndoRedo(0);
    const Wav wav = makeWav(2, 16, 3000);
    const std::string src = dir.file("doc.wav");
    writeWav(src, wav, chunk("id3 ", "ID3-TAG-BYTES"));
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioClear(src, 10, 2990, 1, h, 0, ""); }), 0);
    EXPECT_EQ(samplesOf(src, wav), wav.bytes(0, 10) + wav.from(2990));
    const std::string bytes = readBytes(src);
    EXPECT_NE(bytes.find(chunk("id3 ", "ID3-TAG-BYTES")), std::string::npos);
    EXPECT_EQ(get32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"doc.wav"});
}

TEST(AudioEdit, ASourceWhoseSizesWereNeverWrittenIsEditedWhole) {
    TempDir dir;
    AudioEditor editor(smallBlocks());
    const Wav wav = makeWav(1, 16, 4000);
    const std::string src = dir.file("crashed.wav");
    writeBytes(src, riff("WAVE", {chunk("fmt ", fmtBody(1, 8000, 16))}, 0) +
                        chunkWithSize("data", 0, wav.samples));
    ASSERT_EQ(runEdit(editor,
                      [&](auto h) {
                          return editor.AudioCrop(src, 3000, 4000, 1, h, 0, dir.file("o.wav"));
                      }),
              0);
    EXPECT_EQ(samplesOf(dir.file("o.wav"), wav), wav.from(3000));
}

TEST(AudioEdit, SoxAgreesWithCutCropAndInsertSilence) {
    if (!haveSox()) GTEST_SKIP() << "sox is not installed";
    TempDir dir;
    AudioEditor editor;
    const std::string src = dir.file("tone.wav");
    ASSERT_TRUE(run("sox -n -r 22050 -c 2 -b 16 " + src + " synth 1 sine 300 sine 500").ok);
    auto raw = [&](const std::string& wav) {
        EXPECT_TRUE(run("sox " + wav + " -t raw " + dir.file("x.raw")).ok);
        return readBytes(dir.file("x.raw"));
    };
    const std::string out = dir.file("ours.wav");
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCrop(src, 1000, 6000, 1, h, 0, out); }),
        0);
    ASSERT_TRUE(run("sox " + src + " " + dir.file("sox.wav") + " trim 1000s 5000s").ok);
    EXPECT_EQ(raw(out), raw(dir.file("sox.wav")));

    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCut(src, 1000, 6000, 1, h, 0, out); }), 0);
    ASSERT_TRUE(run("sox " + src + " " + dir.file("a.wav") + " trim 0s 1000s").ok);
    ASSERT_TRUE(run("sox " + src + " " + dir.file("b.wav") + " trim 6000s").ok);
    ASSERT_TRUE(
        run("sox " + dir.file("a.wav") + " " + dir.file("b.wav") + " " + dir.file("sox.wav")).ok);
    EXPECT_EQ(raw(out), raw(dir.file("sox.wav")));

    // 100 ms at 22050 frames a second is 2205 frames.
    ASSERT_EQ(
        runEdit(editor,
                [&](auto h) { return editor.AudioInsertSilence(src, 500, 1, h, 0, 100, out); }),
        0);
    ASSERT_TRUE(run("sox " + src + " " + dir.file("sox.wav") + " pad 2205s@500s").ok);
    EXPECT_EQ(raw(out), raw(dir.file("sox.wav")));
    EXPECT_EQ(run("soxi -s " + out).output, "24255\n");
}

}  // namespace
}  // namespace sonthra
