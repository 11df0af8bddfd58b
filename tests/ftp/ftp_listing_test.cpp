// Reading listings and folder replies of several servers, and hostile ones.
#include <gtest/gtest.h>

#include "ftp/ftp_listing.h"

namespace sonthra::ftp {
namespace {

TEST(FtpListing, MachineReadableLines) {
    auto file = parseMlsdLine("type=file;size=1234;modify=20240102030405;perm=r; my show.mp3");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->cFileName, "my show.mp3");
    EXPECT_EQ(file->size(), 1234u);
    EXPECT_FALSE(file->isDirectory());
    EXPECT_EQ(file->ftLastWriteTime, 1704164645);
    auto dir = parseMlsdLine("Type=dir;Modify=20240102030405; pods");
    ASSERT_TRUE(dir);
    EXPECT_TRUE(dir->isDirectory());
    auto huge = parseMlsdLine("type=file;size=6000000000; big.wav");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->nFileSizeHigh, 1u);
    EXPECT_EQ(huge->size(), 6000000000u);
    EXPECT_FALSE(parseMlsdLine("type=cdir; ."));
    EXPECT_FALSE(parseMlsdLine("type=pdir; .."));
    EXPECT_FALSE(parseMlsdLine("size=1; nofacttype"));
    EXPECT_FALSE(parseMlsdLine("type=file;size=1;"));
    EXPECT_FALSE(parseMlsdLine("type=file; a/b"));
    EXPECT_FALSE(parseMlsdLine(std::string("type=file; a\0b", 14)));
    const auto all = parseListing("type=dir; a\r\ntype=file;size=2; b\r\ngarbage\r\n", true);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].cFileName, "b");
}

TEST(FtpListing, UnixAndDosLines) {
    auto f = parseListLine("-rw-r--r--   1 ann  staff   4096 Mar  7 09:05 episode one.mp3");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->cFileName, "episode one.mp3");
    EXPECT_EQ(f->size(), 4096u);
    auto d = parseListLine("drwxr-xr-x 2 ann 512 Dec 31  2019 old");
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->isDirectory());
    EXPECT_EQ(d->cFileName, "old");
    auto l = parseListLine("lrwxrwxrwx 1 a b 7 Jan 1 2020 www -> public_html");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->cFileName, "www");
    EXPECT_FALSE(parseListLine("total 12"));
    EXPECT_FALSE(parseListLine("drwxr-xr-x 2 a b 512 Jan 1 2020 ."));
    EXPECT_FALSE(parseListLine("-rw-r--r-- 1 a b x Jan 1 2020 bad-size"));
    EXPECT_FALSE(parseListLine("-rw-r--r-- 1 a b 5 Foo 1 2020 bad-month"));
    auto dosDir = parseListLine("01-31-24  10:05AM       <DIR>          shows");
    ASSERT_TRUE(dosDir);
    EXPECT_TRUE(dosDir->isDirectory());
    auto dosFile = parseListLine("01-31-2024  10:05PM             1234 a b.mp3");
    ASSERT_TRUE(dosFile);
    EXPECT_EQ(dosFile->cFileName, "a b.mp3");
    EXPECT_EQ(dosFile->size(), 1234u);
    EXPECT_FALSE(parseListLine("01-31-24  10:05XM"));
}

TEST(FtpListing, FolderReplies) {
    EXPECT_EQ(parsePwdReply("257 \"/\" is the current directory."), "/");
    EXPECT_EQ(parsePwdReply("257 \"/a \"\"b\"\"\" created"), "/a \"b\"");
    EXPECT_FALSE(parsePwdReply("250 \"/x\""));
    EXPECT_FALSE(parsePwdReply("257 \"/unterminated"));
    EXPECT_FALSE(parsePwdReply("257 no quotes"));
    EXPECT_FALSE(parsePwdReply("257 \"\""));
}

TEST(FtpListing, Patterns) {
    EXPECT_TRUE(matchesPattern("", "x"));
    EXPECT_TRUE(matchesPattern("*", "x"));
    EXPECT_TRUE(matchesPattern("*.mp3", "a.mp3"));
    EXPECT_FALSE(matchesPattern("*.mp3", "a.mp3x"));
    EXPECT_TRUE(matchesPattern("ep?so*", "episode 1"));
    EXPECT_FALSE(matchesPattern("ep?de*", "episode 1"));
    EXPECT_TRUE(matchesPattern("a*b*c", "axxbyyc"));
    EXPECT_FALSE(matchesPattern("a*b*c", "axxbyy"));
    EXPECT_TRUE(matchesPattern("feed.xml", "feed.xml"));
    EXPECT_FALSE(matchesPattern("feed.xml", "Feed.xml"));
    // Many stars against a long name stay fast.
    EXPECT_FALSE(matchesPattern(std::string(50, '*') + "b", std::string(5000, 'a')));
}

}  // namespace
}  // namespace sonthra::ftp
