// The chunks a file carries besides its audio (tags above all) leave an edit exactly as they
// came in, however many there are.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "edit_test_support.h"
#include "wave/wave_layout.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

std::string ffprobeTags(const std::string& path) {
    return run("ffprobe -v error -show_entries format_tags=title,artist -of default=nw=1 '" + path +
               "'")
        .output;
}

TEST(ChunkCarry, TagsWrittenByFfmpegSurviveACutAndAnInPlaceEdit) {
    if (!run("command -v ffmpeg && command -v ffprobe").ok) GTEST_SKIP() << "no ffmpeg";
    TempDir dir;
    const std::string src = dir.file("tagged.wav");
    ASSERT_TRUE(run("ffmpeg -loglevel error -y -f lavfi -i sine=d=1:r=8000 -ac 2 "
                    "-metadata title='Odd Title' -metadata artist='Some Artist' '" +
                    src + "'")
                    .ok);
    const std::string before = ffprobeTags(src);
    ASSERT_NE(before.find("title=Odd Title"), std::string::npos) << before;
    const std::vector<std::string> chunks = otherChunksOf(readBytes(src));
    ASSERT_FALSE(chunks.empty());
    ASSERT_EQ(chunks[0].substr(0, 4), "LIST");

    AudioEditor editor(smallBlocks());
    editor.AudioEditSetUndoRedo(0);
    const std::string out = dir.file("cut.wav");
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCut(src, 1000, 3000, 1, h, 0, out); }), 0);
    EXPECT_EQ(ffprobeTags(out), before);
    EXPECT_EQ(otherChunksOf(readBytes(out)), chunks);
    // Editing the result where it lies, as a save of a document does.
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioClear(out, 0, 500, 1, h, 0, ""); }),
              0);
    EXPECT_EQ(ffprobeTags(out), before);
    EXPECT_EQ(otherChunksOf(readBytes(out)), chunks);
    EXPECT_EQ(run("ffprobe -v error -count_frames -select_streams a -show_entries "
                  "stream=duration_ts -of csv=p=0 '" +
                  out + "'")
                  .output,
              "5500\n");
}

TEST(ChunkCarry, ThreeHundredChunksOfOddAndEvenSizesAllSurvive) {
    TempDir dir;
    const Wav wav = makeWav(1, 16, 2000);
    std::string extra;
    std::vector<std::string> chunks;
    for (int i = 0; i < 300; ++i) {
        char id[5];
        std::snprintf(id, sizeof id, "c%03d", i);
        // Every form of chunk: empty, odd (padded), and a LIST with its form type.
        std::string c = i % 3 == 0 ? chunk(id, std::string(static_cast<std::size_t>(i % 7), 'x'))
                        : i % 3 == 1
                            ? chunk("LIST", "INFOISFT" + std::string("\x03\0\0\0ab\0\0", 8))
                            : chunk(id, "");
        chunks.push_back(c);
        extra += c;
    }
    const std::string src = dir.file("many.wav");
    writeWav(src, wav, extra);
    WaveFileLayout layout;
    ASSERT_EQ(inspectWave(src, layout), WaveInspect::Ok);
    EXPECT_EQ(layout.otherChunks.size(), 300u);

    AudioEditor editor(smallBlocks());
    const std::string out = dir.file("out.wav");
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCut(src, 100, 200, 1, h, 0, out); }),
              0);
    const std::string bytes = readBytes(out);
    EXPECT_EQ(otherChunksOf(bytes), chunks);
    EXPECT_EQ(get32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 100) + wav.from(200));
    EXPECT_TRUE(run("sox '" + out + "' -n stat").ok);
}

TEST(ChunkCarry, AnEmptyListChunkStaysEmptyAndDoesNotSwallowTheAudio) {
    TempDir dir;
    const Wav wav = makeWav(1, 8, 1000);
    const std::string src = dir.file("empty-list.wav");
    writeBytes(src, riff("WAVE", {chunk("LIST", ""), chunk("fmt ", fmtBody(1, 8000, 8)),
                                  chunk("data", wav.samples)}));
    AudioEditor editor(smallBlocks());
    const std::string out = dir.file("out.wav");
    ASSERT_EQ(runEdit(editor, [&](auto h) { return editor.AudioCut(src, 0, 10, 1, h, 0, out); }),
              0);
    EXPECT_EQ(otherChunksOf(readBytes(out)), std::vector<std::string>{chunk("LIST", "")});
    EXPECT_EQ(samplesOf(out, wav), wav.from(10));
}

}  // namespace
}  // namespace sonthra
