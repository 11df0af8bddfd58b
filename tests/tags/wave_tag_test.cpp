// The "id3 " chunk of WAV files and the tag a document carries: a chunk added at the end with
// the RIFF size following, rewritten in place when it fits, grown or moved when it does not,
// and never a byte of audio or of another chunk changed.
#include <gtest/gtest.h>

#include "tag_test_support.h"
#include "tags/document_tag.h"
#include "tags/wave_tag.h"
#include "wave/wave_reader.h"

namespace sonthra {
namespace {

using tagtest::chunk;
using tagtest::readBytes;
using tagtest::readLe32;
using tagtest::TempDir;
using tagtest::wavBytes;
using tagtest::writeBytes;

// The chunks of a RIFF file in order: id and data.
std::vector<std::pair<std::string, std::string>> chunksOf(const std::string& file) {
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::uint32_t size = readLe32(file, at + 4);
        out.emplace_back(file.substr(at, 4), file.substr(at + 8, size));
        at += 8 + size + (size & 1u);
    }
    return out;
}

std::string dataOf(const std::string& file) {
    for (const auto& [id, data] : chunksOf(file)) {
        if (id == "data") return data;
    }
    return {};
}

class WaveTag : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("take.wav");
    std::string samples = tagtest::audioBytes(3001 * 2);
};

TEST_F(WaveTag, AChunkIsAddedAtTheEndAndRewrittenInPlace) {
    const std::string list = chunk("LIST", "INFOISFT" + tagtest::le32(4) + "abc");
    writeBytes(path, wavBytes(samples, list));
    const std::string before = readBytes(path);
    TID3v2 t;
    EXPECT_EQ(ReadId3Chunk(path, t), kMsgNoWaveTag);
    t.setTitle("Take one");
    t.setTrack(2);
    ASSERT_EQ(WriteId3Chunk(path, t), 0);
    std::string after = readBytes(path);
    ASSERT_EQ(after.size(), before.size() + 4096 + 8);
    EXPECT_EQ(after.substr(0, 4), "RIFF");
    EXPECT_EQ(readLe32(after, 4), readLe32(before, 4) + 4096 + 8);
    EXPECT_EQ(after.substr(8, before.size() - 8), before.substr(8));
    ASSERT_EQ(chunksOf(after).back().first, "id3 ");

    TID3v2 back;
    ASSERT_EQ(ReadId3Chunk(path, back), 0);
    EXPECT_EQ(back.title(), "Take one");
    EXPECT_EQ(back.track(), 2);

    back.setArtist("Band");
    ASSERT_EQ(WriteId3Chunk(path, back), 0);
    after = readBytes(path);
    EXPECT_EQ(after.size(), before.size() + 4096 + 8);
    EXPECT_EQ(dataOf(after), samples);
    ASSERT_EQ(ReadId3Chunk(path, back), 0);
    EXPECT_EQ(back.artist(), "Band");

    // The wave reader still finds its audio.
    WaveReader reader;
    ASSERT_EQ(reader.open(path), kWaveReadOk);
    EXPECT_EQ(reader.dataSize, samples.size());
}

TEST_F(WaveTag, ASmallerOldChunkInTheMiddleMovesToTheEndAndBecomesJunk) {
    // Another program's 40-byte tag, followed by a chunk that must survive.
    TID3v2 small;
    small.setTitle("Old");
    const std::string oldBlock = small.buildTag(40);
    const std::string trailer = chunk("cue ", std::string(28, '\x5A'));
    writeBytes(path, wavBytes(samples, chunk("id3 ", oldBlock) + trailer));
    const std::string before = readBytes(path);

    TID3v2 t;
    ASSERT_EQ(ReadId3Chunk(path, t), 0);
    EXPECT_EQ(t.title(), "Old");
    t.setComment(std::string(100, 'n'));
    ASSERT_EQ(WriteId3Chunk(path, t), 0);
    const std::string after = readBytes(path);
    const auto chunks = chunksOf(after);
    ASSERT_EQ(chunks.size(), 5u);
    EXPECT_EQ(chunks[2].first, "JUNK");
    EXPECT_EQ(chunks[3], std::make_pair(std::string("cue "), std::string(28, '\x5A')));
    EXPECT_EQ(chunks[4].first, "id3 ");
    EXPECT_EQ(readLe32(after, 4) + 8, after.size());
    EXPECT_EQ(dataOf(after), samples);

    TID3v2 back;
    ASSERT_EQ(ReadId3Chunk(path, back), 0);
    EXPECT_EQ(back.comment(), std::string(100, 'n'));
    EXPECT_EQ(back.title(), "Old");
}

TEST_F(WaveTag, ASmallerLastChunkGrowsWhereItIs) {
    TID3v2 small;
    small.setTitle("Old");
    writeBytes(path, wavBytes(samples, chunk("id3 ", small.buildTag(31))));  // odd: padded
    TID3v2 t;
    ASSERT_EQ(ReadId3Chunk(path, t), 0);
    t.setAlbum("Grown");
    ASSERT_EQ(WriteId3Chunk(path, t), 0);
    const std::string after = readBytes(path);
    const auto chunks = chunksOf(after);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[2].first, "id3 ");
    EXPECT_EQ(chunks[2].second.size(), 4096u);
    EXPECT_EQ(readLe32(after, 4) + 8, after.size());
    ASSERT_EQ(ReadId3Chunk(path, t), 0);
    EXPECT_EQ(t.album(), "Grown");
}

TEST_F(WaveTag, OddEndingsAndBytesAfterTheFormAreKept) {
    // An 8-bit-like odd data chunk written without its pad byte.
    std::string noPad = wavBytes(samples.substr(0, 1001));
    noPad.pop_back();
    noPad.replace(4, 4, tagtest::le32(static_cast<std::uint32_t>(noPad.size() - 8)));
    writeBytes(path, noPad);
    TID3v2 t;
    t.setTitle("Odd");
    ASSERT_EQ(WriteId3Chunk(path, t), 0);
    std::string after = readBytes(path);
    EXPECT_EQ(after.size() % 2, 0u);
    EXPECT_EQ(chunksOf(after).back().first, "id3 ");
    ASSERT_EQ(ReadId3Chunk(path, t), 0);
    EXPECT_EQ(t.title(), "Odd");

    // A version 1 record after the form stays after it.
    const std::string form = wavBytes(samples);
    const std::string record = "TAG" + std::string(125, 'r');
    writeBytes(path, form + record);
    ASSERT_EQ(WriteId3Chunk(path, t), 0);
    after = readBytes(path);
    ASSERT_EQ(after.size(), form.size() + 4104 + 128);
    EXPECT_EQ(after.substr(after.size() - 128), record);
    EXPECT_EQ(readLe32(after, 4) + 8, after.size() - 128);
    ASSERT_EQ(ReadId3Chunk(path, t), 0);
    EXPECT_EQ(t.title(), "Odd");
}

TEST_F(WaveTag, FilesWithoutAWaveFormGetTheirMessages) {
    TID3v2 t;
    t.setTitle("x");
    EXPECT_EQ(WriteId3Chunk(dir.file("missing.wav"), t), kMsgCannotSaveWaveTag);
    writeBytes(path, "RIFF\4\0\0\0AVI ");
    EXPECT_EQ(WriteId3Chunk(path, t), kMsgCannotSaveWaveTag);
    EXPECT_EQ(readBytes(path), "RIFF\4\0\0\0AVI ");
    EXPECT_EQ(ReadId3Chunk(path, t), kMsgNoWaveTag);
    EXPECT_EQ(t.title(), "");
    writeBytes(path, wavBytes(samples, chunk("id3 ", "not a tag")));
    EXPECT_EQ(ReadId3Chunk(path, t), kMsgNoWaveTag);
    // A chunk whose size runs past the file is read as far as the file goes.
    TID3v2 w;
    w.setTitle("Cut");
    std::string cut = wavBytes(samples) + "id3 " + tagtest::le32(0xFFFFFFF0u) + w.buildTag(0);
    cut.replace(4, 4, tagtest::le32(static_cast<std::uint32_t>(cut.size() - 8)));
    writeBytes(path, cut);
    ASSERT_EQ(ReadId3Chunk(path, t), 0);
    EXPECT_EQ(t.title(), "Cut");
}

TEST_F(WaveTag, DocumentsReadAndWriteTheirTagByKind) {
    // MP3: version 2 first, else version 1, else none.
    const std::string mp3 = dir.file("song.mp3");
    writeBytes(mp3, tagtest::audioBytes(500));
    DocumentTag doc;
    doc.readMp3(mp3);
    EXPECT_TRUE(doc.empty());
    TID3v1 v1;
    v1.setTitle("Vee one");
    v1.setTrack(4);
    v1.setGenreIndex(8);
    ASSERT_TRUE(v1.writeToFile(mp3));
    doc.readMp3(mp3);
    ASSERT_NE(doc.v1(), nullptr);
    EXPECT_EQ(doc.v2(), nullptr);
    TID3v2 v2;
    v2.setTitle("Vee two");
    ASSERT_TRUE(v2.writeToFile(mp3));
    doc.readMp3(mp3);
    ASSERT_NE(doc.v2(), nullptr);
    EXPECT_EQ(doc.v1(), nullptr);
    EXPECT_EQ(doc.v2()->title(), "Vee two");

    // WAV save: a version 1 tag becomes a version 2 chunk.
    writeBytes(path, wavBytes(samples));
    doc.attachV1().readRecord(v1.record());
    EXPECT_EQ(doc.readWave(path), kMsgNoWaveTag);
    EXPECT_TRUE(doc.empty());
    doc.attachV1().readRecord(v1.record());
    ASSERT_EQ(doc.writeWave(path), 0);
    ASSERT_NE(doc.v2(), nullptr);
    EXPECT_EQ(doc.v1(), nullptr);
    DocumentTag reopened;
    ASSERT_EQ(reopened.readWave(path), 0);
    EXPECT_EQ(reopened.v2()->title(), "Vee one");
    EXPECT_EQ(reopened.v2()->track(), 4);
    EXPECT_EQ(reopened.v2()->genre(), "Jazz");
    EXPECT_EQ(dataOf(readBytes(path)), samples);

    // MP3 save with only a version 1 tag writes the record.
    const std::string bare = dir.file("bare.mp3");
    writeBytes(bare, tagtest::audioBytes(400));
    DocumentTag onlyV1;
    onlyV1.attachV1().setTitle("End");
    ASSERT_TRUE(onlyV1.writeMp3(bare));
    EXPECT_EQ(readBytes(bare).size(), 528u);
    DocumentTag none;
    EXPECT_TRUE(none.writeMp3(bare));
    EXPECT_EQ(none.writeWave(path), 0);
}

}  // namespace
}  // namespace sonthra
