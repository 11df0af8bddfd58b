// The folders of ours inside shared folders: never one another user made or points at.
#include "platform/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/other_user.h"
#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using testing::TempDir;

void expectPrivate(const std::string& folder) {
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0) << folder;
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << folder;
    EXPECT_EQ(st.st_uid, ::geteuid());
    EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
}

TEST(PrivateFolder, ASharedFolderGetsAFolderOfOursInside) {
    TempDir dir;
    EXPECT_EQ(PrivateFolderIn(dir.path()), dir.path()) << "a folder of ours alone stays";
    EXPECT_EQ(PrivateFolderIn(dir.path() + "/"), dir.path());
    ASSERT_EQ(::chmod(dir.path().c_str(), 01777), 0);
    const std::string own = dir.file("sonthra-" + std::to_string(::geteuid()));
    EXPECT_EQ(PrivateFolderIn(dir.path()), own);
    expectPrivate(own);
    // One of ours left open is closed again.
    ASSERT_EQ(::chmod(own.c_str(), 0755), 0);
    EXPECT_EQ(PrivateFolderIn(dir.path()), own);
    expectPrivate(own);
}

// Another user who makes the usual name first (a folder of theirs, or a link to one) only
// makes us use another name.
TEST(PrivateFolder, ANamePlantedFirstIsNeverUsed) {
    if (!testing::canActAsOtherUser()) GTEST_SKIP() << "needs root to act as a second user";
    for (const char* plant : {"mkdir -m 0777 %s", "mkdir -m 0777 %s.real && ln -s %s.real %s"}) {
        TempDir dir;
        ASSERT_EQ(::chmod(dir.path().c_str(), 01777), 0);
        const std::string own = dir.file("sonthra-" + std::to_string(::geteuid()));
        std::string command = plant;
        for (auto at = command.find("%s"); at != std::string::npos; at = command.find("%s")) {
            command.replace(at, 2, own);
        }
        ASSERT_TRUE(testing::runAsOtherUser(command));
        const std::string instead = PrivateFolderIn(dir.path());
        ASSERT_FALSE(instead.empty());
        EXPECT_NE(instead, own);
        EXPECT_EQ(instead.rfind(own, 0), 0u);
        expectPrivate(instead);
        EXPECT_EQ(PrivateFolderIn(dir.path()), instead) << "the same one for the process";
    }
}

}  // namespace
}  // namespace sonthra
