#include "wave/safe_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(SafeFile, FolderOf) {
    EXPECT_EQ(folderOf("/a/b/c.wav"), "/a/b");
    EXPECT_EQ(folderOf("/c.wav"), "/");
    EXPECT_EQ(folderOf("c.wav"), ".");
}

}  // namespace
}  // namespace sonthra
