// The edits' copying of unchanged stretches: the kernel's copy and the read/write fallback
// write the same files, and an editor whose results are flushed only through their sources
// still edits, keeps and undoes exactly.
#include <gtest/gtest.h>

#include <random>

#include "edit_test_support.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

EditOptions withCopy(CopyMethod method) {
    EditOptions options = smallBlocks();
    options.copyMethod = method;
    return options;
}

// Random cuts, clears, crops, pastes, mutes and silences of a stereo file with an odd-sized
// chunk after its samples, done by both editors: every result is the same file to the byte,
// and its samples are the splice the edit asked for.
TEST(EditCopy, TheReadWriteFallbackWritesTheSameFilesAsTheKernelCopy) {
    TempDir dir;
    std::mt19937 random(20);
    AudioEditor kernel(withCopy(CopyMethod::Kernel));
    AudioEditor plain(withCopy(CopyMethod::ReadWrite));
    kernel.AudioEditSetUndoRedo(0);
    plain.AudioEditSetUndoRedo(0);
    const Wav clip = makeWav(2, 16, 333, 9);
    writeWav(dir.file("clip.wav"), clip);
    for (int round = 0; round < 24; ++round) {
        const Wav wav = makeWav(2, 16, 3000 + random() % 5000, round);
        const std::string src = dir.file("src.wav");
        writeWav(src, wav, chunk("note", "odd body"));
        const std::uint32_t a = random() % wav.frames();
        const std::uint32_t b = random() % wav.frames();
        const std::uint32_t lo = std::min(a, b);
        const std::uint32_t hi = std::max(a, b) + 1;
        const int op = round % 6;
        std::string expected;
        std::string results[2];
        for (int e = 0; e < 2; ++e) {
            AudioEditor& editor = e == 0 ? kernel : plain;
            const std::string out = dir.file("out" + std::to_string(e) + ".wav");
            const int r = runEdit(editor, [&](std::uint32_t* h) {
                switch (op) {
                    case 0:
                        expected = wav.bytes(0, lo) + wav.from(hi);
                        return editor.AudioCut(src, lo, hi, 1, h, 0, out);
                    case 1:
                        expected = wav.bytes(0, lo) + wav.from(hi);
                        return editor.AudioClear(src, lo, hi, 1, h, 0, out);
                    case 2:
                        expected = wav.bytes(lo, hi);
                        return editor.AudioCrop(src, lo, hi, 1, h, 0, out);
                    case 3:
                        expected = wav.bytes(0, lo) + clip.samples + wav.from(lo);
                        return editor.AudioPasteEx(src, lo, 1, h, 0, dir.file("clip.wav"), out);
                    case 4:
                        expected = wav.bytes(0, lo) + silence(wav, hi - lo) + wav.from(hi);
                        return editor.AudioEditMute(src, lo, hi, 1, h, 0, 3, out);
                    default:
                        expected = wav.bytes(0, lo) + silence(wav, 8) + wav.from(lo);
                        return editor.AudioInsertSilence(src, lo, 1, h, 0, 1, out);
                }
            });
            ASSERT_EQ(r, 0) << "round " << round << " editor " << e;
            results[e] = readBytes(out);
            EXPECT_EQ(samplesOf(out, wav), expected) << "round " << round << " editor " << e;
        }
        EXPECT_EQ(results[0], results[1]) << "round " << round;
        EXPECT_NE(results[0].find("note"), std::string::npos) << "the extra chunk is carried";
    }
}

TEST(EditCopy, ResultsFlushedThroughTheirSourceStillEditKeepAndUndoExactly) {
    TempDir dir;
    AudioEditor editor(smallBlocks());
    editor.SetEditFlush(EditFlush::SourceFirst);
    const Wav wav = makeWav(1, 16, 4000, 3);
    const std::string src = dir.file("work.wav");
    writeWav(src, wav);
    const std::string before = readBytes(src);

    // In place with the engine's undo: the source becomes the undo copy.
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCut(src, 100, 900, 1, h, 0, ""); }),
              0);
    EXPECT_EQ(samplesOf(src, wav), wav.bytes(0, 100) + wav.from(900));
    ASSERT_EQ(editor.AudioEditUndo(), 0);
    EXPECT_EQ(readBytes(src), before);

    // The clipboard holds the cut range and pastes it back.
    const std::string out = dir.file("out.wav");
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioPasteEx(src, 5, 1, h, 0, "", out); }), 0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 5) + wav.bytes(100, 900) + wav.from(5));
}

}  // namespace
}  // namespace sonthra
