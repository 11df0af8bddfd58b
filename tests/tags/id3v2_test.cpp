// Version 2 tags in memory and at the start of a file: the frame table with its fallbacks, the
// track and genre rules, the text encodings, hostile sizes, the 4096-byte target with writes in
// place, and the rebuild that never loses the file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "tag_test_support.h"
#include "tags/id3v2.h"

namespace sonthra {
namespace {

using tagtest::readBytes;
using tagtest::TempDir;
using tagtest::writeBytes;

std::string be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::string syncSafe(std::uint32_t v) {
    return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
            static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

std::string frame(const std::string& id, const std::string& data, int version = 3,
                  char flags2 = 0) {
    if (version == 2) return id + be32(static_cast<std::uint32_t>(data.size())).substr(1) + data;
    const std::string size = version == 4 ? syncSafe(static_cast<std::uint32_t>(data.size()))
                                          : be32(static_cast<std::uint32_t>(data.size()));
    return id + size + std::string(1, '\0') + std::string(1, flags2) + data;
}

std::string latin(const std::string& text) {
    return std::string(1, '\0') + text;
}

std::string tag(int version, const std::string& body, char flags = 0) {
    return std::string("ID3") + static_cast<char>(version) + '\0' + flags +
           syncSafe(static_cast<std::uint32_t>(body.size())) + body;
}

TID3v2 parsed(const std::string& bytes) {
    TID3v2 t;
    t.readTag(bytes);
    return t;
}

TEST(Id3v2, FieldsComeFromTheirFramesWithTheTrackAndGenreRules) {
    const std::string body =
        frame("TIT2", latin(std::string("  Title \0\0", 10))) + frame("TPE1", latin("Artist")) +
        frame("TALB", latin("Album")) + frame("TRCK", latin("3/12")) +
        frame("TYER", latin("1998")) + frame("TCON", latin("(13)Pop")) +
        frame("COMM", std::string("\0eng\0A comment", 14)) + frame("TCOM", latin("Composer")) +
        frame("TENC", latin("Enc 1.0")) + frame("TCOP", latin("(c) Me")) +
        frame("TLAN", latin("eng")) + frame("WXXX", std::string("\0\0http://x.example/", 19)) +
        std::string(100, '\0');
    const TID3v2 t = parsed(tag(3, body));
    EXPECT_TRUE(t.exists());
    EXPECT_EQ(t.version(), 3);
    EXPECT_EQ(t.size(), static_cast<int>(10 + body.size()));
    EXPECT_EQ(t.title(), "Title");
    EXPECT_EQ(t.artist(), "Artist");
    EXPECT_EQ(t.album(), "Album");
    EXPECT_EQ(t.track(), 3);
    EXPECT_EQ(t.year(), "1998");
    EXPECT_EQ(t.genre(), "Pop");
    EXPECT_EQ(t.comment(), "A comment");
    EXPECT_EQ(t.composer(), "Composer");
    EXPECT_EQ(t.encoder(), "Enc 1.0");
    EXPECT_EQ(t.copyright(), "(c) Me");
    EXPECT_EQ(t.language(), "eng");
    EXPECT_EQ(t.link(), "http://x.example/");

    EXPECT_EQ(TrackFromText("300"), 44);
    EXPECT_EQ(TrackFromText(" 7 / 9"), 7);
    bool ok = true;
    EXPECT_EQ(TrackFromText("seven", &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(TrackFromText("", &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(parsed(tag(3, frame("TCON", latin("(17)")))).genre(), "Rock");
    EXPECT_EQ(parsed(tag(3, frame("TCON", latin("(1)(2)Funky")))).genre(), "Funky");
}

TEST(Id3v2, FallbackFramesFillOnlyWhatIsMissingAndLaterFramesWin) {
    const std::string body = frame("TDRC", latin("2004-05-01")) + frame("TOPE", latin("Orig")) +
                             frame("TIT1", latin("Group")) + frame("TOAL", latin("Old Album")) +
                             frame("TALB", latin("First")) + frame("TALB", latin("Second"));
    const TID3v2 t = parsed(tag(4, body));
    EXPECT_EQ(t.year(), "2004");
    EXPECT_EQ(t.artist(), "Orig");
    EXPECT_EQ(t.title(), "Group");
    EXPECT_EQ(t.album(), "Second");

    // A rewrite keeps the frames the fields came from: the full date stays whole.
    TID3v2 copy = t;
    std::string written = copy.buildTag(0);
    EXPECT_NE(written.find("2004-05-01"), std::string::npos);
    EXPECT_EQ(written.find("TYER"), std::string::npos);
    EXPECT_EQ(written.find("First"), std::string::npos) << "a replaced frame is not carried";
    const TID3v2 again = parsed(written);
    EXPECT_EQ(again.year(), "2004");
    EXPECT_EQ(again.title(), "Group");
    EXPECT_EQ(again.album(), "Second");
    // A new year replaces the date, which would contradict it.
    copy.setYear("2010");
    written = copy.buildTag(0);
    EXPECT_EQ(written.find("TDRC"), std::string::npos);
    EXPECT_EQ(parsed(written).year(), "2010");
}

TEST(Id3v2, Version22UsesThreeLetterFramesAndIsWrittenBackAs23) {
    const std::string body = frame("TT2", latin("Old Song"), 2) + frame("TP1", latin("Band"), 2) +
                             frame("COM", std::string("\0eng\0Hi", 7), 2) +
                             frame("TOR", latin("1977"), 2) + frame("TRK", latin("5"), 2);
    const TID3v2 t = parsed(tag(2, body));
    EXPECT_EQ(t.title(), "Old Song");
    EXPECT_EQ(t.artist(), "Band");
    EXPECT_EQ(t.comment(), "Hi");
    EXPECT_EQ(t.year(), "1977");
    EXPECT_EQ(t.track(), 5);
    const TID3v2 again = parsed(t.buildTag(4096));
    EXPECT_EQ(again.version(), 3);
    EXPECT_EQ(again.title(), "Old Song");
    EXPECT_EQ(again.size(), 4096);
}

TEST(Id3v2, Utf16AndUtf8FramesAreReadAndNonLatinTextIsWrittenAsUtf16) {
    const std::string greekUtf8 = "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7";  // Καλη
    const std::string greekLe = std::string("\xFF\xFE\x9A\x03\xB1\x03\xBB\x03\xB7\x03\0\0", 12);
    const std::string greekBe = std::string("\x03\x9A\x03\xB1\x03\xBB\x03\xB7", 8);
    const std::string body = frame("TIT2", "\x01" + greekLe) + frame("TPE1", "\x02" + greekBe) +
                             frame("TALB",
                                   "\x03"
                                   "\xE6\x97\xA5\xE6\x9C\xAC") +
                             frame("COMM", std::string("\x01"
                                                       "eng\xFF\xFE\0\0",
                                                       8) +
                                               greekLe) +
                             frame("TCON",
                                   "\x09"
                                   "bad encoding");
    const TID3v2 t = parsed(tag(3, body));
    EXPECT_EQ(t.title(), greekUtf8);
    EXPECT_EQ(t.artist(), greekUtf8);
    EXPECT_EQ(t.album(), "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(t.comment(), greekUtf8);
    EXPECT_EQ(t.genre(), "");

    TID3v2 w;
    w.setTitle(greekUtf8);
    w.setArtist("Caf\xC3\xA9");  // Latin-1 text keeps encoding 0
    w.setComment(greekUtf8);
    const std::string bytes = w.buildTag(0);
    EXPECT_NE(bytes.find(std::string("TPE1\0\0\0\x05\0\0\0Caf\xE9", 15)), std::string::npos);
    EXPECT_NE(bytes.find("TIT2" + be32(11) + std::string("\0\0\x01\xFF\xFE", 5)),
              std::string::npos);
    const TID3v2 back = parsed(bytes);
    EXPECT_EQ(back.title(), greekUtf8);
    EXPECT_EQ(back.artist(), "Caf\xC3\xA9");
    EXPECT_EQ(back.comment(), greekUtf8);
}

TEST(Id3v2, WrittenFramesFollowTheLayout) {
    TID3v2 w;
    w.setTitle("  T  ");
    w.setTrack(9);
    w.setComment("C");
    w.setLink("http://a/\xCE\xB1");
    const std::string bytes = w.buildTag(0);
    const std::string expected = std::string("ID3\3\0\0", 6) + syncSafe(12 + 12 + 16 + 27) +
                                 "TIT2" + be32(2) + std::string("\0\0\0T", 4) + "TRCK" + be32(2) +
                                 std::string(
                                     "\0\0\0"
                                     "9",
                                     4) +
                                 "COMM" + be32(6) + std::string("\0\0\0eng\0C", 8) + "WXXX" +
                                 be32(17) + std::string("\0\0\0\0", 4) + "http://a/%CE%B1";
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(w.neededSize(), expected.size());
}

TEST(Id3v2, FrameDataIsCutAt250BytesAndOddFlagsAreHandled) {
    const std::string longTitle(400, 'L');
    std::string body = frame("TIT2", latin(longTitle)) + frame("TPE1", latin("After"));
    // A compressed frame is skipped, a grouped one loses its group byte.
    body += frame("TALB", latin("zipped"), 3, '\x80') +
            frame("TCOM", "G" + latin("Grouped"), 3, '\x20');
    const TID3v2 t = parsed(tag(3, body));
    EXPECT_EQ(t.title(), std::string(249, 'L'));
    EXPECT_EQ(t.artist(), "After");
    EXPECT_EQ(t.album(), "");
    EXPECT_EQ(t.composer(), "Grouped");

    // Version 2.4: sync-safe sizes, a data length indicator, per-frame unsynchronisation.
    std::string body4 =
        frame("TIT2", latin(std::string(200, 'S')), 4) + frame("TPE1",
                                                               be32(6) + std::string("\0A\xFF\0"
                                                                                     "BC",
                                                                                     6),
                                                               4, '\x03');
    const TID3v2 t4 = parsed(tag(4, body4));
    EXPECT_EQ(t4.title(), std::string(200, 'S'));
    EXPECT_EQ(t4.artist(),
              "A\xC3\xBF"
              "BC");
}

TEST(Id3v2, ExtendedHeadersFootersAndUnsynchronisedTagsAreRead) {
    const std::string ext3 = be32(6) + std::string(6, '\0');
    EXPECT_EQ(parsed(tag(3, ext3 + frame("TIT2", latin("E3")), '\x40')).title(), "E3");
    const std::string ext4 = syncSafe(6) + std::string("\x01\0", 2);
    EXPECT_EQ(parsed(tag(4, ext4 + frame("TIT2", latin("E4"), 4), '\x40')).title(), "E4");
    std::string withFooter = tag(4, frame("TIT2", latin("F"), 4), '\x10');
    withFooter += "3DI" + withFooter.substr(3, 7);
    const TID3v2 f = parsed(withFooter);
    EXPECT_EQ(f.title(), "F");
    EXPECT_EQ(f.size(), static_cast<int>(withFooter.size()));
    // Whole-tag unsynchronisation in version 2.3.
    const std::string raw = "TIT2" + be32(3) + std::string(2, '\0') +
                            std::string(
                                "\0\xFF\0"
                                "x",
                                4);
    EXPECT_EQ(parsed(tag(3, raw, '\x80')).title(), "\xC3\xBFx");
}

TEST(Id3v2, HostileSizesAreRefusedWithoutReadingPastTheTag) {
    // A frame size beyond the tag, 0xFFFFFFFF, a tag size beyond the bytes, a bad size field.
    const std::string good = frame("TIT2", latin("Kept"));
    EXPECT_EQ(parsed(tag(3, good + "TPE1" + be32(5000) + std::string(2, '\0') + "x")).title(),
              "Kept");
    const TID3v2 huge = parsed(tag(3, good + "TPE1" + be32(0xFFFFFFFFu) + std::string(12, '\0')));
    EXPECT_EQ(huge.title(), "Kept");
    EXPECT_EQ(huge.artist(), "");
    std::string cut = tag(3, good + frame("TPE1", latin("A")));
    cut.resize(cut.size() - 3);
    const TID3v2 shortTag = parsed(cut);
    EXPECT_TRUE(shortTag.exists());
    EXPECT_EQ(shortTag.size(), 0);
    EXPECT_EQ(shortTag.title(), "");
    std::string badSize = tag(3, good);
    badSize[6] = '\x80';
    EXPECT_EQ(parsed(badSize).size(), 0);
    EXPECT_EQ(parsed(tag(3, be32(0xFFFFFFF0u) + "xx", '\x40')).title(), "");  // extended header
    EXPECT_FALSE(parsed("ID").exists());
    EXPECT_FALSE(parsed(tag(3, good).substr(0, 9)).exists());
    EXPECT_EQ(parsed(tag(5, good)).title(), "");  // unknown major version
}

class Id3v2File : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("song.mp3");
    std::string audio = tagtest::audioBytes(20000);
};

TEST_F(Id3v2File, FirstTagAdds4096BytesAndLaterTagsThatFitAreWrittenInPlace) {
    writeBytes(path, audio);
    TID3v2 t;
    t.setTitle("One");
    ASSERT_TRUE(t.writeToFile(path));
    std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), audio.size() + 4096);
    EXPECT_EQ(bytes.substr(4096), audio);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    t.setTitle("A somewhat longer title");
    t.setComment(std::string(1000, 'c'));
    ASSERT_TRUE(t.writeToFile(path));
    bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), audio.size() + 4096);
    EXPECT_EQ(bytes.substr(4096), audio);
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_ino, before.st_ino);  // written in place, not rebuilt

    TID3v2 back;
    ASSERT_TRUE(back.readFromFile(path));
    EXPECT_EQ(back.title(), "A somewhat longer title");
    EXPECT_EQ(back.comment().size(), 245u);  // read back through the 250-byte limit
    EXPECT_EQ(back.size(), 4096);
}

TEST_F(Id3v2File, TagsThatOutgrowTheOldOneOrExceed4096AreRebuilt) {
    // An old 30-byte tag from another program: the new one needs more, so the file is rebuilt
    // with the 4096-byte target and the audio after it.
    writeBytes(path, tag(3, frame("TIT2", latin("Old"))) + audio);
    TID3v2 t;
    ASSERT_TRUE(t.readFromFile(path));
    t.setArtist("Somebody new");
    ASSERT_TRUE(t.writeToFile(path));
    std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 4096 + audio.size());
    EXPECT_EQ(bytes.substr(4096), audio);

    // A 10000-byte tag shrinks to the target.
    writeBytes(path, tag(3, frame("TIT2", latin("Big")) + std::string(9976, '\0')) + audio);
    ASSERT_TRUE(t.readFromFile(path));
    EXPECT_EQ(t.size(), 10000);
    ASSERT_TRUE(t.writeToFile(path));
    bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 4096 + audio.size());
    EXPECT_EQ(bytes.substr(4096), audio);

    // Frames longer than the target make a tag of their own length.
    TID3v2 big;
    big.setComment(std::string(5000, 'z'));
    ASSERT_TRUE(big.writeToFile(path));
    bytes = readBytes(path);
    EXPECT_EQ(bytes.size(), big.neededSize() + audio.size());
    EXPECT_EQ(bytes.substr(big.neededSize()), audio);

    // The rebuild went through a file beside this one that is gone now.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(Id3v2File, FailuresLeaveTheFileAsItWas) {
    TID3v2 t;
    t.setTitle("x");
    EXPECT_FALSE(t.writeToFile(dir.file("missing.mp3")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.mp3")));
    writeBytes(path, "123456789");
    EXPECT_FALSE(t.writeToFile(path));  // shorter than a header
    EXPECT_EQ(readBytes(path), "123456789");
    EXPECT_FALSE(t.readFromFile(path));

    if (::geteuid() != 0) {
        writeBytes(path, audio);
        ::chmod(path.c_str(), 0444);
        EXPECT_FALSE(t.writeToFile(path));
        EXPECT_EQ(readBytes(path), audio);
        ::chmod(path.c_str(), 0644);
        // A folder that takes no new file: the rebuild fails and the file stays whole.
        ::chmod(dir.path().c_str(), 0555);
        EXPECT_FALSE(t.writeToFile(path));
        ::chmod(dir.path().c_str(), 0755);
        EXPECT_EQ(readBytes(path), audio);
    }

    // A tag whose size claims more than the file: kept whole behind the new tag.
    const std::string broken = std::string("ID3\3\0\0", 6) + syncSafe(100000) + audio;
    writeBytes(path, broken);
    TID3v2 b;
    ASSERT_TRUE(b.readFromFile(path));
    EXPECT_TRUE(b.exists());
    EXPECT_EQ(b.size(), 0);
    b.setTitle("new");
    ASSERT_TRUE(b.writeToFile(path));
    EXPECT_EQ(readBytes(path).substr(4096), broken);
}

}  // namespace
}  // namespace sonthra
