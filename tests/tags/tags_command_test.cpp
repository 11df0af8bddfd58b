// sonthra-cli tags and tag: the listing of each tag version, the messages for files that
// cannot be read, and changes in place that keep the other fields and the audio.
#include <gtest/gtest.h>

#include "tag_test_support.h"
#include "tag_verbs.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"
#include "tags/wave_tag.h"

namespace sonthra {
namespace {

using tagtest::readBytes;
using tagtest::TempDir;
using tagtest::writeBytes;

using tagtest::tag;
using tagtest::tags;
using tagtest::VerbRun;

TEST(TagsCommand, PrintsEachVersionAndNoneAndFailsOnUnreadableFiles) {
    TempDir dir;
    const std::string mp3 = dir.file("a.mp3");
    writeBytes(mp3, tagtest::audioBytes(600));
    EXPECT_EQ(tags({mp3}).out, "version: none\n");
    EXPECT_EQ(tags({mp3}).code, 0);

    TID3v1 v1;
    v1.setTitle("One");
    v1.setGenreIndex(0);
    ASSERT_TRUE(v1.writeToFile(mp3));
    EXPECT_EQ(tags({mp3}).out, "version: 1.0\ntitle: One\ngenre: Blues\n");
    v1.setTrack(2);
    ASSERT_TRUE(v1.writeToFile(mp3));
    EXPECT_EQ(tags({mp3}).out, "version: 1.1\ntitle: One\ntrack: 2\ngenre: Blues\n");

    TID3v2 v2;
    v2.setTitle("Two");
    v2.setLink("http://l/");
    ASSERT_TRUE(v2.writeToFile(mp3));
    EXPECT_EQ(tags({mp3}).out, "version: 2.3\ntitle: Two\nlink: http://l/\n");

    const std::string wav = dir.file("b.wav");
    writeBytes(wav, tagtest::wavBytes(tagtest::audioBytes(200)));
    EXPECT_EQ(tags({wav}).out, "version: none\n");
    ASSERT_EQ(WriteId3Chunk(wav, v2), 0);
    EXPECT_EQ(tags({wav}).out, "version: 2.3\ntitle: Two\nlink: http://l/\n");

    const VerbRun missing = tags({dir.file("nope.mp3")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "Error : The file " + dir.file("nope.mp3") + " does not exist.\n");
    const VerbRun folder = tags({dir.path().string()});
    EXPECT_EQ(folder.code, 1);
    EXPECT_NE(folder.err.find("Cannot read data from file"), std::string::npos);
    EXPECT_EQ(tags({}).code, 2);
    EXPECT_EQ(tags({mp3, mp3}).code, 2);
}

TEST(TagsCommand, TagChangesNamedFieldsInPlaceKeepingTheRest) {
    TempDir dir;
    const std::string mp3 = tagtest::makeMp3(dir, "a.mp3");
    if (mp3.empty()) GTEST_SKIP() << "sox or lame is missing";
    const std::string audio = readBytes(mp3);
    VerbRun r =
        tag({mp3, "--title", "Song", "--artist", "Band", "--track", "44", "--genre", "Rock"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "version: 2.3\ntitle: Song\nartist: Band\ntrack: 44\ngenre: Rock\n");
    EXPECT_EQ(readBytes(mp3).substr(4096), audio);
    r = tag({mp3, "--album", "Record", "--title", ""});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(tags({mp3}).out,
              "version: 2.3\nartist: Band\nalbum: Record\ntrack: 44\ngenre: Rock\n");
    EXPECT_EQ(readBytes(mp3).size(), audio.size() + 4096);

    // --v1: the record at the end, started from the version 2 fields.
    r = tag({mp3, "--v1", "--comment", "note"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "version: 1.1\nartist: Band\nalbum: Record\ntrack: 44\ngenre: Rock\ncomment: note\n");
    const std::string bytes = readBytes(mp3);
    ASSERT_EQ(bytes.size(), 4096 + audio.size() + 128);
    EXPECT_EQ(bytes.substr(4096, audio.size()), audio);

    // A WAV file: the chunk, the audio untouched.
    const std::string wav = dir.file("b.wav");
    const std::string samples = tagtest::audioBytes(2000);
    writeBytes(wav, tagtest::wavBytes(samples));
    r = tag({wav, "--title", "\xCE\xB1\xCE\xB2", "--composer", "C"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "version: 2.3\ntitle: \xCE\xB1\xCE\xB2\ncomposer: C\n");
    EXPECT_EQ(readBytes(wav).substr(44, samples.size()), samples);
    r = tag({wav, "--year", "2020"});
    EXPECT_EQ(r.out, "version: 2.3\ntitle: \xCE\xB1\xCE\xB2\nyear: 2020\ncomposer: C\n");
}

TEST(TagsCommand, TagRefusesWrongWordsWithoutTouchingTheFile) {
    TempDir dir;
    const std::string mp3 = dir.file("a.mp3");
    writeBytes(mp3, tagtest::audioBytes(300));
    const std::string wav = dir.file("b.wav");
    writeBytes(wav, tagtest::wavBytes(tagtest::audioBytes(100)));
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {mp3},
        {mp3, "--title"},
        {mp3, "--bogus", "x"},
        {mp3, "--track", "x1"},
        {mp3, "stray"},
        {mp3, "--v1", "--link", "http://x"},
        {mp3, "--v1", "--genre", "Not a genre"},
        {wav, "--v1", "--title", "x"},
    };
    for (const auto& args : wrong) {
        const VerbRun r = tag(args);
        EXPECT_EQ(r.code, 2) << (args.size() > 1 ? args[1] : "");
        EXPECT_NE(r.err.find("sonthra-cli tag FILE"), std::string::npos);
    }
    EXPECT_EQ(readBytes(mp3), tagtest::audioBytes(300));
    EXPECT_EQ(readBytes(wav), tagtest::wavBytes(tagtest::audioBytes(100)));
    EXPECT_EQ(tag({dir.file("none.mp3"), "--title", "x"}).code, 1);
    // A file too short to be audio takes no tag.
    writeBytes(mp3, "short");
    const VerbRun r = tag({mp3, "--title", "x"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, mp3 +
                         " is an unrecognised file; Sonthra writes song information into MP3 "
                         "and WAV files only.\n");
    EXPECT_EQ(readBytes(mp3), "short");
}

}  // namespace
}  // namespace sonthra
