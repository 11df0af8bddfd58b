// Temporary names, the workspace copy, the safe save copy and the peak-file hand-over, on real
// files, including a full disk and a vanished folder.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

#include "app/document_files.h"
#include "app/save_copy.h"
#include "app/temp_names.h"
#include "app/workspace_job.h"
#include "engine/wav_maker.h"

namespace sonthra {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

// Bytes that differ from block to block, so a block copied twice or skipped shows.
std::string pattern(std::size_t size, unsigned seed = 1) {
    std::string bytes(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return bytes;
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

TEST(TempNames, NewEmptyPrivateFilesWithThePrefix) {
    TempFolder folder;
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string name = ReserveTempName(folder.path());
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(fs::path(name).parent_path(), fs::path(folder.path()));
        EXPECT_TRUE(fs::path(name).filename().string().starts_with("ST32")) << name;
        EXPECT_EQ(fs::path(name).extension(), ".tmp");
        struct stat st {};
        ASSERT_EQ(::stat(name.c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_TRUE(seen.insert(name).second) << "name given twice: " << name;
    }
}

TEST(TempNames, VanishedFolderFallsBackToTheSystemFolder) {
    TempFolder system;
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", system.path().c_str(), 1);
    TempFolder preferred;  // made inside the new TMPDIR; removed below
    const std::string gone = preferred.path() + "/gone";
    EXPECT_EQ(ResolveTempFolder(gone), system.path() + "/");
    const std::string name = ReserveTempName(gone);
    EXPECT_EQ(fs::path(name).parent_path(), fs::path(system.path()));
    // A file is not a folder either.
    writeFile(preferred.file("plain"), "x");
    EXPECT_EQ(fs::path(ReserveTempName(preferred.file("plain"))).parent_path(),
              fs::path(system.path()));
    if (old) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
}

// Working copies never lie where another user may plant their names first (/tmp).
TEST(TempNames, ASharedFolderGetsTheWorkingFilesInAFolderOfOurs) {
    TempFolder shared;
    ASSERT_EQ(::chmod(shared.path().c_str(), 01777), 0);
    const std::string own = shared.path() + "/sonthra-" + std::to_string(::geteuid());
    EXPECT_EQ(ResolveTempFolder(shared.path()), own);
    const std::string name = ReserveTempName(shared.path());
    EXPECT_EQ(fs::path(name).parent_path(), fs::path(own));
    EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_all);
}

TEST(WorkspaceCopy, CopiesInBlocksWithProgress) {
    TempFolder folder;
    // Not a whole number of 65,520-byte blocks.
    const std::string bytes = pattern(kCopyBlockBytes * 3 + 1234);
    writeFile(folder.file("in.wav"), bytes);
    writeFile(folder.file("out.tmp"), pattern(kCopyBlockBytes * 5, 2));  // longer: truncated
    ProcessRecord record(ProcessKind::WorkspaceCopy);
    EXPECT_EQ(CopyWorkspaceFile(folder.file("in.wav"), folder.file("out.tmp"), record), 0);
    EXPECT_EQ(readFile(folder.file("out.tmp")), bytes);
    EXPECT_EQ(record.progress.load(), 100);

    // An empty file and a missing destination.
    writeFile(folder.file("empty.wav"), "");
    EXPECT_EQ(CopyWorkspaceFile(folder.file("empty.wav"), folder.file("new.tmp"), record), 0);
    EXPECT_TRUE(fs::exists(folder.file("new.tmp")));
    EXPECT_EQ(fs::file_size(folder.file("new.tmp")), 0u);
}

TEST(WorkspaceCopy, ResultsOfFailures) {
    TempFolder folder;
    writeFile(folder.file("in.wav"), pattern(1000));
    ProcessRecord record(ProcessKind::WorkspaceCopy);
    EXPECT_EQ(CopyWorkspaceFile(folder.file("missing.wav"), folder.file("o"), record), 148);
    EXPECT_EQ(CopyWorkspaceFile(folder.path(), folder.file("o"), record), 149);
    EXPECT_EQ(CopyWorkspaceFile(folder.file("in.wav"), folder.file("no/such/o"), record), 150);
    // Onto itself: nothing changes.
    EXPECT_EQ(CopyWorkspaceFile(folder.file("in.wav"), folder.file("in.wav"), record), 0);
    fs::create_symlink(folder.file("in.wav"), folder.file("link.wav"));
    EXPECT_EQ(CopyWorkspaceFile(folder.file("in.wav"), folder.file("link.wav"), record), 0);
    EXPECT_EQ(readFile(folder.file("in.wav")), pattern(1000));
    // A stop asked before the first block.
    record.runState = RunState::CancelRequested;
    EXPECT_EQ(CopyWorkspaceFile(folder.file("in.wav"), folder.file("o"), record), 129);
}

// Both ways of copying give the same bytes, step by step with progress, whatever the step.
TEST(WorkspaceCopy, KernelAndBufferedCopiesAgree) {
    TempFolder folder;
    const std::string bytes = pattern(3 * 100000 + 777, 4);
    writeFile(folder.file("in.wav"), bytes);
    for (const CopyMethod method : {CopyMethod::Kernel, CopyMethod::ReadWrite}) {
        writeFile(folder.file("out.tmp"), pattern(500000, 2));  // longer: truncated
        ProcessRecord record(ProcessKind::WorkspaceCopy);
        record.runState = RunState::Running;
        std::vector<int> seen;
        WorkspaceCopyOptions options;
        options.method = method;
        options.stepBytes = 100000;
        options.afterStep = [&](std::uint64_t) { seen.push_back(record.progress.load()); };
        EXPECT_EQ(CopyWorkspaceFile(folder.file("in.wav"), folder.file("out.tmp"), record, options),
                  0);
        EXPECT_EQ(readFile(folder.file("out.tmp")), bytes);
        EXPECT_EQ(seen, (std::vector<int>{33, 66, 100, 100}));
    }
}

// A stop seen between two steps ends the copy there with 129.
TEST(WorkspaceCopy, StopBetweenStepsIsACancel) {
    TempFolder folder;
    writeFile(folder.file("in.wav"), pattern(400000));
    ProcessRecord record(ProcessKind::WorkspaceCopy);
    record.runState = RunState::Running;
    WorkspaceCopyOptions options;
    options.stepBytes = 100000;
    options.afterStep = [&](std::uint64_t) { record.runState = RunState::CancelRequested; };
    EXPECT_EQ(CopyWorkspaceFile(folder.file("in.wav"), folder.file("out.tmp"), record, options),
              129);
    EXPECT_EQ(fs::file_size(folder.file("out.tmp")), 100000u);
}

// The source shrinking under the copy is a failed read (152) with either method; a destination
// that cannot grow is a failed write (153).
TEST(WorkspaceCopy, ReadAndWriteFailuresAreToldApart) {
    TempFolder folder;
    for (const CopyMethod method : {CopyMethod::Kernel, CopyMethod::ReadWrite}) {
        writeFile(folder.file("in.wav"), pattern(400000));
        ProcessRecord record(ProcessKind::WorkspaceCopy);
        record.runState = RunState::Running;
        WorkspaceCopyOptions options;
        options.method = method;
        options.stepBytes = 100000;
        options.afterStep = [&](std::uint64_t) {
            ::truncate(folder.file("in.wav").c_str(), 150000);
        };
        EXPECT_EQ(CopyWorkspaceFile(folder.file("in.wav"), folder.file("o"), record, options), 152);
    }
    writeFile(folder.file("in.wav"), pattern(400000));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{150000, 150000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ProcessRecord record(ProcessKind::WorkspaceCopy);
        record.runState = RunState::Running;
        ::_exit(CopyWorkspaceFile(folder.file("in.wav"), folder.file("o2"), record) == 153 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// The job's thread copies at the lowest priority and leaves the caller's thread as it was; a
// cancel posts nothing, a failure is reported.
TEST(WorkspaceJobTest, CopiesAtLowPriorityAndCancelsBetweenSteps) {
    TempFolder folder;
    writeFile(folder.file("in.wav"), pattern(400000));
    errno = 0;
    const int callerBefore = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    std::atomic<int> copyPriority{-100};
    WorkspaceJob* self = nullptr;
    WorkspaceCopyOptions options;
    options.stepBytes = 100000;
    options.afterStep = [&](std::uint64_t) {
        copyPriority = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
        self->cancel();
    };
    WorkspaceJob job(folder.file("in.wav"), folder.file("work.tmp"), 7, options);
    self = &job;
    std::atomic<int> completions{0};
    ASSERT_EQ(job.start([&](WorkspaceJob&) { ++completions; }), 0);
    ASSERT_TRUE(job.waitForEnd(std::chrono::milliseconds(10000)));
    EXPECT_TRUE(job.wasCancelled());
    EXPECT_EQ(job.result(), 129);
    EXPECT_EQ(copyPriority.load(), 19);
    EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())), callerBefore);
    EXPECT_EQ(completions.load(), 0);

    WorkspaceCopyOptions shrink;
    shrink.stepBytes = 100000;
    shrink.afterStep = [&](std::uint64_t) { ::truncate(folder.file("in.wav").c_str(), 100); };
    WorkspaceJob failing(folder.file("in.wav"), folder.file("w2.tmp"), 1, shrink);
    ASSERT_EQ(failing.start([&](WorkspaceJob&) { ++completions; }), 0);
    ASSERT_TRUE(failing.waitForEnd(std::chrono::milliseconds(10000)));
    EXPECT_EQ(failing.result(), 152);
    EXPECT_EQ(failing.record().runState.load(), RunState::Failed);
    EXPECT_EQ(completions.load(), 1);  // a failure is reported, unlike a cancel
}

TEST(WorkspaceJobTest, CompletionReportsTheJob) {
    TempFolder folder;
    writeFile(folder.file("in.wav"), pattern(200000));
    auto job = std::make_unique<WorkspaceJob>(folder.file("in.wav"), folder.file("work.tmp"), 3);
    std::atomic<std::uint32_t> reportedId{99};
    std::atomic<int> completions{0};
    ASSERT_EQ(job->start([&](WorkspaceJob& j) {
        reportedId = j.documentId();
        ++completions;
    }),
              0);
    ASSERT_TRUE(job->waitForEnd(std::chrono::milliseconds(10000)));
    EXPECT_TRUE(job->succeeded());
    EXPECT_EQ(job->result(), 0);
    EXPECT_EQ(readFile(folder.file("work.tmp")), pattern(200000));
    job.reset();  // joins: the completion has run by now
    EXPECT_EQ(completions.load(), 1);
    EXPECT_EQ(reportedId.load(), 3u);

    WorkspaceJob missing(folder.file("missing.wav"), folder.file("w2.tmp"), 4);
    ASSERT_EQ(missing.start({}), 0);
    ASSERT_TRUE(missing.waitForEnd(std::chrono::milliseconds(10000)));
    EXPECT_EQ(missing.result(), 148);
    EXPECT_EQ(missing.record().runState.load(), RunState::Failed);
}

TEST(SaveCopyTest, ReplacesTheTargetWhole) {
    TempFolder folder;
    const std::string bytes = pattern(kCopyBlockBytes * 2 + 17);
    writeFile(folder.file("work.tmp"), bytes);
    writeFile(folder.file("song.wav"), "old contents");
    ::chmod(folder.file("song.wav").c_str(), 0640);
    ProcessRecord record(ProcessKind::FileCopy);
    EXPECT_EQ(SaveCopy(folder.file("work.tmp"), folder.file("song.wav"), record), 0);
    EXPECT_EQ(readFile(folder.file("song.wav")), bytes);
    EXPECT_EQ(record.progress.load(), 100);
    // The user's file keeps its permissions, and nothing else is left in the folder.
    EXPECT_EQ(fs::status(folder.file("song.wav")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(folder.path()), (std::set<std::string>{"song.wav", "work.tmp"}));
    // A new target.
    EXPECT_EQ(SaveCopy(folder.file("work.tmp"), folder.file("new.wav"), record), 0);
    EXPECT_EQ(readFile(folder.file("new.wav")), bytes);
    // The source itself.
    EXPECT_EQ(SaveCopy(folder.file("new.wav"), folder.file("new.wav"), record), 0);
    EXPECT_EQ(readFile(folder.file("new.wav")), bytes);
}

TEST(SaveCopyTest, FailuresLeaveTheTargetAsItWas) {
    TempFolder folder;
    writeFile(folder.file("work.tmp"), pattern(100000));
    writeFile(folder.file("song.wav"), "old contents");
    ProcessRecord record(ProcessKind::FileCopy);
    int err = 0;
    // The source is gone.
    EXPECT_EQ(SaveCopy(folder.file("nothing.tmp"), folder.file("song.wav"), record, &err), 146);
    EXPECT_EQ(err, ENOENT);
    // The target's folder is gone.
    fs::create_directory(folder.file("sub"));
    fs::remove(folder.file("sub"));
    EXPECT_EQ(SaveCopy(folder.file("work.tmp"), folder.file("sub/song.wav"), record, &err), 146);
    EXPECT_FALSE(fs::exists(folder.file("sub")));
    // A stop: 129, and the old file stays.
    record.runState = RunState::CancelRequested;
    EXPECT_EQ(SaveCopy(folder.file("work.tmp"), folder.file("song.wav"), record, &err), 129);
    EXPECT_EQ(readFile(folder.file("song.wav")), "old contents");
    EXPECT_EQ(namesIn(folder.path()), (std::set<std::string>{"song.wav", "work.tmp"}));
}

// A child process with a file size limit stands for a disk that fills up during the save.
TEST(SaveCopyTest, FullDiskLeavesTheOldFileByteIdentical) {
    TempFolder folder;
    const std::string old = pattern(50000, 9);
    writeFile(folder.file("work.tmp"), pattern(kCopyBlockBytes * 10));
    writeFile(folder.file("song.wav"), old);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{kCopyBlockBytes * 3, kCopyBlockBytes * 3};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ProcessRecord record(ProcessKind::FileCopy);
        int err = 0;
        const int result = SaveCopy(folder.file("work.tmp"), folder.file("song.wav"), record, &err);
        ::_exit(result == 146 && err == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(folder.file("song.wav")), old);
    EXPECT_EQ(namesIn(folder.path()), (std::set<std::string>{"song.wav", "work.tmp"}));
}

// The same on a real, tiny file system, where the disk itself says it is full.
TEST(SaveCopyTest, FullFileSystemLeavesTheOldFileByteIdentical) {
    TempFolder folder;
    const std::string mountPoint = folder.file("small");
    fs::create_directory(mountPoint);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here";
    }
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{mountPoint};
    const std::string target = mountPoint + "/song.wav";
    const std::string old = pattern(100000, 5);
    writeFile(target, old);
    writeFile(folder.file("work.tmp"), pattern(kCopyBlockBytes * 4));
    ProcessRecord record(ProcessKind::FileCopy);
    int err = 0;
    EXPECT_EQ(SaveCopy(folder.file("work.tmp"), target, record, &err), 146);
    EXPECT_EQ(err, ENOSPC);
    EXPECT_EQ(readFile(target), old);
    EXPECT_EQ(namesIn(mountPoint), (std::set<std::string>{"song.wav"}));
}

TEST(FileCopyJobTest, RunsOnItsOwnThread) {
    TempFolder folder;
    writeFile(folder.file("a"), pattern(300000));
    FileCopyJob job(folder.file("a"), folder.file("b"));
    ASSERT_EQ(job.start(), 0);
    job.wait();
    EXPECT_TRUE(job.ended());
    EXPECT_EQ(job.result(), 0);
    EXPECT_EQ(job.record().runState.load(), RunState::Finished);
    EXPECT_EQ(readFile(folder.file("b")), pattern(300000));

    FileCopyJob failing(folder.file("a"), folder.file("gone/b"));
    ASSERT_EQ(failing.start(), 0);
    failing.wait();
    EXPECT_EQ(failing.result(), 146);
    EXPECT_EQ(failing.systemError(), ENOENT);
    EXPECT_EQ(failing.record().runState.load(), RunState::Failed);
}

TEST(DocumentFiles, SpaceEstimate) {
    EXPECT_EQ(EstimateWorkspaceBytes(1000000, false, 0), 1000000u);
    // A 1,000,000-byte MP3 at 128 kbit/s decodes to about 11,025,000 bytes.
    EXPECT_EQ(EstimateWorkspaceBytes(1000000, true, 128), 11025000u);
    EXPECT_EQ(EstimateWorkspaceBytes(1000000, true, 0), EstimateWorkspaceBytes(1000000, true, 8));
    EXPECT_TRUE(HasExtension("song.MP3", ".mp3"));
    EXPECT_TRUE(HasExtension("a.wav", ".WAV"));
    EXPECT_FALSE(HasExtension("mp3", ".mp3"));
    EXPECT_FALSE(HasExtension("a.mp3.wav", ".mp3"));
    TempFolder folder;
    EXPECT_TRUE(FreeSpaceBytes(folder.path()).has_value());
    EXPECT_FALSE(FreeSpaceBytes(folder.file("missing")).has_value());
    writeFile(folder.file("f"), "12345");
    EXPECT_EQ(FileSize(folder.file("f")), std::optional<std::uint64_t>(5));
    EXPECT_EQ(FileSize(folder.path()), std::nullopt);
}

struct timespec mtimeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim;
}

void setMtime(const std::string& path, time_t seconds, long nanoseconds) {
    const struct timespec times[2] = {{0, UTIME_NOW}, {seconds, nanoseconds}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TEST(PeakHandOver, MovedPeakFileTakesTheWavTime) {
    TempFolder folder;
    writeFile(folder.file("song.wav"), "wav");
    setMtime(folder.file("song.wav"), 1'600'000'000, 123456789);
    writeFile(folder.file("ST32abc.cvp"), "fresh peaks");
    writeFile(folder.file("song.cvp"), "old peaks");
    EXPECT_EQ(HandOverPeakFile(folder.file("ST32abc.cvp"), folder.file("song.cvp"),
                               folder.file("song.wav")),
              0);
    EXPECT_FALSE(fs::exists(folder.file("ST32abc.cvp")));
    EXPECT_EQ(readFile(folder.file("song.cvp")), "fresh peaks");
    const struct timespec t = mtimeOf(folder.file("song.cvp"));
    EXPECT_EQ(t.tv_sec, 1'600'000'000);
    EXPECT_EQ(t.tv_nsec, 123456789);
}

TEST(PeakHandOver, EmptyOrMissingWorkingPeakFileKeepsTheOldOne) {
    TempFolder folder;
    writeFile(folder.file("song.wav"), "wav");
    setMtime(folder.file("song.wav"), 1'400'000'000, 42);
    writeFile(folder.file("song.cvp"), "old peaks");
    writeFile(folder.file("ST32abc.cvp"), "");
    EXPECT_EQ(HandOverPeakFile(folder.file("ST32abc.cvp"), folder.file("song.cvp"),
                               folder.file("song.wav")),
              0);
    EXPECT_FALSE(fs::exists(folder.file("ST32abc.cvp")));
    EXPECT_EQ(readFile(folder.file("song.cvp")), "old peaks");
    EXPECT_EQ(mtimeOf(folder.file("song.cvp")).tv_sec, 1'400'000'000);
    EXPECT_EQ(mtimeOf(folder.file("song.cvp")).tv_nsec, 42);
    EXPECT_EQ(
        HandOverPeakFile(folder.file("none.cvp"), folder.file("song.cvp"), folder.file("song.wav")),
        0);
    EXPECT_EQ(readFile(folder.file("song.cvp")), "old peaks");
    // Without a user's peak file nothing is made up.
    EXPECT_EQ(HandOverPeakFile(folder.file("none.cvp"), folder.file("other.cvp"),
                               folder.file("song.wav")),
              0);
    EXPECT_FALSE(fs::exists(folder.file("other.cvp")));
    // A user's file that is gone: its error, and the working peak file is still removed.
    writeFile(folder.file("ST32def.cvp"), "peaks");
    EXPECT_EQ(HandOverPeakFile(folder.file("ST32def.cvp"), folder.file("song.cvp"),
                               folder.file("gone.wav")),
              ENOENT);
    EXPECT_FALSE(fs::exists(folder.file("ST32def.cvp")));
}

TEST(PeakHandOver, AcrossFileSystems) {
    struct stat a {
    }, b{};
    TempFolder folder;
    if (::stat("/dev/shm", &b) != 0 || ::stat(folder.path().c_str(), &a) != 0 ||
        a.st_dev == b.st_dev) {
        GTEST_SKIP() << "no second file system to cross to";
    }
    char shm[] = "/dev/shm/sonthra-peak-XXXXXX";
    ASSERT_NE(::mkdtemp(shm), nullptr);
    const std::string work = std::string(shm) + "/ST32x.cvp";
    writeFile(work, "peaks from the working copy");
    writeFile(folder.file("song.wav"), "wav");
    setMtime(folder.file("song.wav"), 1'500'000'000, 5);
    EXPECT_EQ(HandOverPeakFile(work, folder.file("song.cvp"), folder.file("song.wav")), 0);
    EXPECT_FALSE(fs::exists(work));
    EXPECT_EQ(readFile(folder.file("song.cvp")), "peaks from the working copy");
    EXPECT_EQ(mtimeOf(folder.file("song.cvp")).tv_sec, 1'500'000'000);
    EXPECT_EQ(mtimeOf(folder.file("song.cvp")).tv_nsec, 5);
    fs::remove_all(shm);
}

TEST(DocumentFiles, RemoveAndEmpty) {
    TempFolder folder;
    writeFile(folder.file("undo"), "data");
    EXPECT_TRUE(EmptyFile(folder.file("undo")));
    EXPECT_TRUE(fs::exists(folder.file("undo")));
    EXPECT_EQ(fs::file_size(folder.file("undo")), 0u);
    EXPECT_TRUE(RemoveFile(folder.file("undo")));
    EXPECT_FALSE(fs::exists(folder.file("undo")));
    EXPECT_TRUE(RemoveFile(folder.file("undo")));
    EXPECT_TRUE(RemoveFile(""));
}

}  // namespace
}  // namespace sonthra
