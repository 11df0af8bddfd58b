// Partial files that killed writers left: which names are ours, and that only those whose maker
// is gone are removed, never one a writer still fills.
#include "platform/leftovers.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using testing::TempDir;

TEST(Leftovers, OnlyOurPartialNamesAreTaken) {
    for (const char* name : {".ST32Ab12cd", ".ST32Ab12cd.tmp.0123456789", ".song.wav.00012a4f3c",
                             ".sonthra-convert-aB3xYz", ".a.b.c.ffffffffff"}) {
        EXPECT_TRUE(IsPartialFileName(name)) << name;
    }
    for (const char* name :
         {"song.wav", ".song.wav", ".song.wav.0123456789a", ".song.012345678G", "..0123456789",
          ".ST32ab", ".bashrc", ".sonthra-convert-abc", "ST32Ab12cd", ".0123456789", ""}) {
        EXPECT_FALSE(IsPartialFileName(name)) << name;
    }
}

// A writer that makes path, writes to it and holds it open until it is killed.
pid_t writerThatHolds(const std::string& path) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        (void)!::write(fd, "partial", 7);
        ::pause();
        ::_exit(0);
    }
    struct stat st {};
    while (::stat(path.c_str(), &st) != 0 || st.st_size < 7) ::usleep(1000);
    return child;
}

void kill(pid_t child) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

std::string hexPid(pid_t pid) {
    char text[16];
    std::snprintf(text, sizeof text, "%06x", static_cast<unsigned>(pid));
    return text;
}

void age(const std::string& path) {
    const struct timespec old[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
}

TEST(Leftovers, OnlyPartialsWhoseMakerIsGoneAreRemoved) {
    TempDir dir;
    testing::writeBytes(dir.file("song.wav"), "the user's file");
    // Killed while it wrote: its process number is in the name and nobody holds the file.
    const pid_t killed = ::fork();
    if (killed == 0) ::_exit(0);
    ::waitpid(killed, nullptr, 0);
    const std::string orphan = dir.file(".song.wav." + hexPid(killed) + "beef");
    const pid_t writer = writerThatHolds(orphan);
    kill(writer);
    age(orphan);
    // A writer still at work: its file is open.
    const std::string held = dir.file(".ST32Ab12cd");
    const pid_t busy = writerThatHolds(held);
    age(held);
    // A maker that still lives, between writes; one just made; a name that is not ours.
    const std::string living = dir.file(".song.wav." + hexPid(::getpid()) + "0001");
    const std::string fresh = dir.file(".ST32Zz9876");
    for (const std::string& path : {living, fresh, dir.file(".song.wav.notours")}) {
        testing::writeBytes(path, "x");
    }
    age(living);
    age(dir.file(".song.wav.notours"));

    EXPECT_EQ(RemoveAbandonedPartials(dir.path()), 1);
    EXPECT_EQ(::access(orphan.c_str(), F_OK), -1);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{".ST32Ab12cd", ".ST32Zz9876",
                                                     ".song.wav." + hexPid(::getpid()) + "0001",
                                                     ".song.wav.notours", "song.wav"}));
    kill(busy);
    EXPECT_EQ(RemoveAbandonedPartials(dir.path()), 1) << "once its writer is gone";
    EXPECT_EQ(::access(held.c_str(), F_OK), -1);
    EXPECT_EQ(RemoveAbandonedPartials(dir.file("missing")), 0);
}

}  // namespace
}  // namespace sonthra
