// The version 1 record: the 1.0/1.1 rules, the field limits, and writing, replacing and
// removing the record at the end of a file without touching what comes before it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tag_test_support.h"
#include "tags/genres.h"
#include "tags/id3v1.h"

namespace sonthra {
namespace {

using tagtest::readBytes;
using tagtest::TempDir;
using tagtest::writeBytes;

TID3v1::Record recordOf(const std::string& bytes) {
    TID3v1::Record r{};
    std::copy(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 128), r.begin());
    return r;
}

std::string rawRecord() {
    std::string r(128, '\0');
    r.replace(0, 3, "TAG");
    r.replace(3, 11, "Song Title ");
    r.replace(33, 6, "Artist");
    r.replace(63, 5, "Album");
    r.replace(93, 4, "1999");
    r.replace(97, 28, std::string(27, 'c') + "d");
    r[127] = 17;
    return r;
}

TEST(Id3v1, VersionTrackAndCommentFollowBytes125And126) {
    std::string r = rawRecord();
    r[125] = 0, r[126] = 7;
    TID3v1 tag;
    tag.readRecord(recordOf(r));
    EXPECT_TRUE(tag.exists());
    EXPECT_EQ(tag.version(), 2);
    EXPECT_EQ(tag.track(), 7);
    EXPECT_EQ(tag.comment(), std::string(27, 'c') + "d");
    EXPECT_EQ(tag.title(), "Song Title");
    EXPECT_EQ(tag.year(), "1999");
    EXPECT_EQ(tag.genreName(), "Rock");

    r[126] = 0;  // both 0: version 1.0, the comment runs over all 30 bytes
    r[125] = 0;
    tag.readRecord(recordOf(r));
    EXPECT_EQ(tag.version(), 1);
    EXPECT_EQ(tag.track(), 0);

    r.replace(97, 30, std::string(28, 'x') + " 9");  // space then non-space: 1.1 as well
    tag.readRecord(recordOf(r));
    EXPECT_EQ(tag.version(), 2);
    EXPECT_EQ(tag.track(), '9');
    EXPECT_EQ(tag.comment(), std::string(28, 'x'));

    r.replace(97, 30, std::string(29, 'y') + "z");
    tag.readRecord(recordOf(r));
    EXPECT_EQ(tag.version(), 1);
    EXPECT_EQ(tag.comment(), std::string(29, 'y') + "z");

    r[0] = 'X';
    tag.readRecord(recordOf(r));
    EXPECT_FALSE(tag.exists());
    EXPECT_EQ(tag.title(), "");
    EXPECT_EQ(tag.genreIndex(), 255);
}

TEST(Id3v1, SettersTrimAndCutAndTheRecordHoldsLatin1) {
    TID3v1 tag;
    tag.setTitle(std::string(40, 'a') + " \t");
    EXPECT_EQ(tag.title(), std::string(30, 'a'));
    tag.setYear("2024-05");
    EXPECT_EQ(tag.year(), "2024");
    tag.setArtist("  Lead  \n");
    EXPECT_EQ(tag.artist(), "  Lead");     // only the right end is trimmed
    tag.setAlbum("Caf\xC3\xA9 \xCE\xB1");  // é fits Latin-1, α does not
    tag.setComment(std::string(30, 'k'));
    tag.setTrack(12);
    tag.setGenreIndex(200);
    EXPECT_EQ(tag.genreName(), "");

    const TID3v1::Record r = tag.record();
    EXPECT_EQ(std::string(r.begin(), r.begin() + 3), "TAG");
    EXPECT_EQ(std::string(r.begin() + 63, r.begin() + 70), std::string("Caf\xE9 ?\0", 7));
    EXPECT_EQ(r[125], 0);
    EXPECT_EQ(r[126], 12);
    EXPECT_EQ(r[127], 200);

    TID3v1 back;
    back.readRecord(r);
    EXPECT_EQ(back.album(), "Caf\xC3\xA9 ?");
    EXPECT_EQ(back.comment(), std::string(28, 'k'));  // the track took the last two bytes
    EXPECT_EQ(back.track(), 12);
}

TEST(Id3v1, GenreTableHasItsNamesAtTheirIndexes) {
    EXPECT_STREQ(GenreName(0), "Blues");
    EXPECT_STREQ(GenreName(67), "Psychadelic");
    EXPECT_STREQ(GenreName(85), "Bebob");
    EXPECT_STREQ(GenreName(92), "Progessive Rock");
    EXPECT_STREQ(GenreName(144), "Trash Metal");
    EXPECT_STREQ(GenreName(147), "Synthpop");
    EXPECT_STREQ(GenreName(148), "");
    EXPECT_STREQ(GenreName(-1), "");
    EXPECT_EQ(GenreIndex("Synthpop"), 147);
    EXPECT_EQ(GenreIndex("synthpop"), -1);
}

TEST(Id3v1, WritingAppendsOnceThenReplacesInPlace) {
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const std::string audio = tagtest::audioBytes(1000);
    writeBytes(path, audio);

    TID3v1 tag;
    tag.setTitle("First");
    ASSERT_TRUE(tag.writeToFile(path));
    EXPECT_EQ(readBytes(path).size(), 1128u);
    tag.setTitle("Second");
    ASSERT_TRUE(tag.writeToFile(path));
    const std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 1128u);
    EXPECT_EQ(bytes.substr(0, 1000), audio);

    TID3v1 back;
    ASSERT_TRUE(back.readFromFile(path));
    EXPECT_TRUE(back.exists());
    EXPECT_EQ(back.title(), "Second");

    ASSERT_TRUE(back.removeFromFile(path));
    EXPECT_EQ(readBytes(path), audio);
    ASSERT_TRUE(back.removeFromFile(path));  // nothing to remove
    EXPECT_EQ(readBytes(path), audio);
}

TEST(Id3v1, FilesThatCannotBeReadOrWrittenAreLeftAlone) {
    TempDir dir;
    TID3v1 tag;
    EXPECT_FALSE(tag.readFromFile(dir.file("missing.mp3")));
    EXPECT_FALSE(tag.writeToFile(dir.file("missing.mp3")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.mp3")));

    writeBytes(dir.file("short.mp3"), std::string(127, 'x'));
    EXPECT_FALSE(tag.readFromFile(dir.file("short.mp3")));
    EXPECT_FALSE(tag.readFromFile(dir.path().string()));  // a folder

    const std::string ro = dir.file("ro.mp3");
    writeBytes(ro, tagtest::audioBytes(300));
    ::chmod(ro.c_str(), 0444);
    if (::geteuid() != 0) {
        tag.setTitle("x");
        EXPECT_FALSE(tag.writeToFile(ro));
        EXPECT_EQ(readBytes(ro), tagtest::audioBytes(300));
    }
}

}  // namespace
}  // namespace sonthra
