#include "wave/safe_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/other_user.h"
#include "wave/file_release.h"
#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

mode_t modeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(SafeFile, ReplacesTheWholeFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.file("settings.ini");
    writeBytes(path, "old and longer contents");
    ::chmod(path.c_str(), 0640);
    int err = -1;
    ASSERT_TRUE(writeFileSafely(path, "new", std::nullopt, &err));
    EXPECT_EQ(err, 0);
    EXPECT_EQ(readBytes(path), "new");
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"settings.ini"});

    ASSERT_TRUE(writeFileSafely(dir.file("secret"), "account", 0600));
    EXPECT_EQ(modeOf(dir.file("secret")), 0600u);
}

TEST(SafeFile, AFailureOrADiscardLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.file("keep.txt");
    writeBytes(path, "precious");
    {
        SafeFileWriter writer(path);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.write("half of a new"));
        EXPECT_EQ(readBytes(path), "precious");
    }  // dropped without commit
    EXPECT_EQ(readBytes(path), "precious");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"keep.txt"});

    int err = 0;
    EXPECT_FALSE(writeFileSafely(dir.file("gone/x.txt"), "data", std::nullopt, &err));
    EXPECT_EQ(err, ENOENT);

    // The rename fails when the target has become a folder; the temporary file goes away.
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.file("folder/inside").c_str(), 0755), 0);
    SafeFileWriter writer(dir.file("folder"));
    ASSERT_TRUE(writer.open());
    ASSERT_TRUE(writer.write("x"));
    EXPECT_FALSE(writer.commit());
    EXPECT_NE(writer.error(), 0);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"folder", "keep.txt"}));
}

TEST(SafeFile, WritesThroughASymbolicLink) {
    TempDir dir;
    writeBytes(dir.file("real.txt"), "one");
    ASSERT_EQ(::symlink("real.txt", dir.file("link.txt").c_str()), 0);
    ASSERT_TRUE(writeFileSafely(dir.file("link.txt"), "two"));
    EXPECT_EQ(readBytes(dir.file("real.txt")), "two");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// A link in a shared folder may have been planted by anyone: following it would overwrite
// whatever file of the user's it names. Only links the user made are followed, along the whole
// chain.
TEST(SafeFile, NeverFollowsALinkAnotherUserPlanted) {
    if (!testing::canActAsOtherUser()) GTEST_SKIP() << "needs root to act as a second user";
    TempDir dir;
    const std::string victim = dir.file("notes.txt");
    writeBytes(victim, "notes");
    const std::string planted = "/tmp/sonthra-planted-" + std::to_string(::getpid()) + ".cvp";
    ASSERT_TRUE(testing::runAsOtherUser("ln -s " + victim + " " + planted));
    for (const bool flush : {true, false}) {
        SafeFileWriter writer(planted);
        EXPECT_FALSE(writer.open() && writer.write("peaks") && writer.commit(flush));
        EXPECT_EQ(writer.error(), ELOOP);
    }
    // The user's own link leading to the planted one is refused too.
    ASSERT_EQ(::symlink(planted.c_str(), dir.file("mine.txt").c_str()), 0);
    int err = 0;
    EXPECT_FALSE(writeFileSafely(dir.file("mine.txt"), "peaks", std::nullopt, &err));
    EXPECT_EQ(err, ELOOP);
    EXPECT_EQ(readBytes(victim), "notes");
    struct stat st {};
    EXPECT_EQ(::lstat(planted.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"mine.txt", "notes.txt"}));
    ::unlink(planted.c_str());
}

// The unflushed commit swaps names instead of renaming over the target: the result must be the
// same change, with the old file gone, no temporary left, a folder never swapped away, and a
// reader of the old file still reading it whole.
TEST(SafeFile, AnUnflushedCommitReplacesTheTargetLikeARename) {
    TempDir dir;
    const std::string path = dir.file("peaks.cvp");
    writeBytes(path, "old peaks");
    ::chmod(path.c_str(), 0600);
    const int reader = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    for (const char* contents : {"new peaks", "newer"}) {
        SafeFileWriter writer(path);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.write(contents));
        ASSERT_TRUE(writer.commit(false));
        EXPECT_EQ(readBytes(path), contents);
        EXPECT_EQ(modeOf(path), 0600u);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"peaks.cvp"});
    }
    char old[16] = {};
    EXPECT_EQ(::pread(reader, old, sizeof old, 0), 9);
    EXPECT_STREQ(old, "old peaks");
    ::close(reader);

    // A new target, and a folder in the target's place, which stays a folder.
    SafeFileWriter fresh(dir.file("fresh.cvp"));
    ASSERT_TRUE(fresh.open() && fresh.write("1") && fresh.commit(false));
    EXPECT_EQ(readBytes(dir.file("fresh.cvp")), "1");
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    SafeFileWriter blocked(dir.file("folder"));
    ASSERT_TRUE(blocked.open() && blocked.write("x"));
    EXPECT_FALSE(blocked.commit(false));
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("folder").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"folder", "fresh.cvp", "peaks.cvp"}));
}

TEST(FileRelease, TheNameGoesAtOnceAndOnlyRegularFilesAreHeld) {
    TempDir dir;
    const std::string path = dir.file("undo.wav");
    writeBytes(path, "audio");
    EXPECT_TRUE(unlinkInBackground(path));
    EXPECT_TRUE(dir.names().empty());
    EXPECT_FALSE(unlinkInBackground(path));
    EXPECT_EQ(errno, ENOENT);

    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(holdFile(dir.file("pipe")), -1);  // and does not wait for a writer
    EXPECT_EQ(holdFile(dir.path()), -1);
    EXPECT_EQ(holdFile(""), -1);
    writeBytes(path, "kept");
    const int held = holdFile(path);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    char text[8] = {};
    EXPECT_EQ(::pread(held, text, sizeof text, 0), 4);
    closeInBackground(held);
    closeInBackground(-1);
}

TEST(SafeFile, FolderOf) {
    EXPECT_EQ(folderOf("/a/b/c.wav"), "/a/b");
    EXPECT_EQ(folderOf("/c.wav"), "/");
    EXPECT_EQ(folderOf("c.wav"), ".");
}

}  // namespace
}  // namespace sonthra
