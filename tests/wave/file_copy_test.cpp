#include "wave/file_copy.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "wave_test_files.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

std::string noise(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(random());
    return s;
}

int openRead(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}
int openWrite(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

// Odd offsets and lengths, larger than the fallback's buffer and the pipe, into a file that
// already holds bytes before and after the stretch: both methods leave exactly the same file.
TEST(FileCopy, KernelAndReadWriteWriteTheSameBytesAtAnyOffsets) {
    TempDir dir;
    const std::string data = noise((3 << 20) + 777, 1);
    writeBytes(dir.file("in"), data);
    const std::string before = noise(5000, 2);
    constexpr std::uint64_t kEnd = 4001 + (2 << 20) + 5;
    constexpr std::uint64_t kAlignedFrom = 4096 + kEnd % 4096;
    std::string results[2];
    for (int m = 0; m < 2; ++m) {
        const std::string out = dir.file("out" + std::to_string(m));
        writeBytes(out, before);
        Fd in(openRead(dir.file("in")));
        Fd o(::open(out.c_str(), O_RDWR | O_CLOEXEC));
        const auto method = m == 0 ? CopyMethod::Kernel : CopyMethod::ReadWrite;
        ASSERT_TRUE(copyFileBytes(in.fd, 13, o.fd, 4001, (2 << 20) + 5, method).ok());
        ASSERT_TRUE(copyFileBytes(in.fd, 0, o.fd, 1, 3, method).ok());
        // Then a stretch at the same place within its pages, after the end, and one from a
        // page start to a page start (which the kernel may share) over what is there.
        ASSERT_TRUE(copyFileBytes(in.fd, kAlignedFrom, o.fd, kEnd, 100000, method).ok());
        ASSERT_TRUE(copyFileBytes(in.fd, 8192, o.fd, 8192, 3000, method).ok());
        // The descriptor's own offset is neither used nor moved.
        EXPECT_EQ(::lseek(o.fd, 0, SEEK_CUR), 0);
        results[m] = readBytes(out);
    }
    std::string expected = before;
    expected.replace(1, 3, data.substr(0, 3));
    expected.resize(4001);
    expected += data.substr(13, (2 << 20) + 5);
    expected += data.substr(kAlignedFrom, 100000);
    expected.replace(8192, 3000, data.substr(8192, 3000));
    EXPECT_EQ(results[0], expected);
    EXPECT_EQ(results[1], expected);
}

// A source on a memory file system copied to a file in the temporary folder: where the two are
// different file systems the kernel refuses its copy (EXDEV) and the bytes still arrive. (Where
// the folder's file system only splices, a pipe of ours carries them; the refusal itself is
// met on a file system that shares blocks, in the engine's shared-blocks tests.)
TEST(FileCopy, ARefusedKernelCopyFallsBackToReadAndWrite) {
    TempDir dir;
    Fd memory(::memfd_create("copy-test", MFD_CLOEXEC));
    ASSERT_GE(memory.fd, 0);
    const std::string data = noise((1 << 20) * 2 + 3, 3);
    ASSERT_EQ(::pwrite(memory.fd, data.data(), data.size(), 0), static_cast<ssize_t>(data.size()));
    Fd out(openWrite(dir.file("out")));
    ASSERT_TRUE(copyFileBytes(memory.fd, 0, out.fd, 0, data.size()).ok());
    EXPECT_EQ(readBytes(dir.file("out")), data);
    // At offsets that differ within a page, where a pipe carries the bytes across.
    Fd shifted(openWrite(dir.file("shifted")));
    ASSERT_TRUE(copyFileBytes(memory.fd, 3, shifted.fd, 0, data.size() - 3).ok());
    EXPECT_EQ(readBytes(dir.file("shifted")), data.substr(3));

    EXPECT_TRUE(kernelCopyRefused(EXDEV));
    EXPECT_TRUE(kernelCopyRefused(EOPNOTSUPP));
    EXPECT_TRUE(kernelCopyRefused(ENOSYS));
    EXPECT_TRUE(kernelCopyRefused(EINVAL));
    EXPECT_FALSE(kernelCopyRefused(ENOSPC));
    EXPECT_FALSE(kernelCopyRefused(EIO));
}

// Also after more than a pipe's worth, from page start to page start (the kernel's copy) or not
// (a pipe of our own).
TEST(FileCopy, ASourceThatEndsEarlyIsAReadFailureForBothMethods) {
    TempDir dir;
    const std::uint64_t size = (2 << 20) + 1000;
    writeBytes(dir.file("in"), noise(size, 4));
    for (auto method : {CopyMethod::Kernel, CopyMethod::ReadWrite}) {
        for (const std::uint64_t from : {std::uint64_t{4096}, std::uint64_t{500}}) {
            Fd in(openRead(dir.file("in")));
            Fd out(openWrite(dir.file("out")));
            const CopyResult r = copyFileBytes(in.fd, from, out.fd, 0, size - from + 1, method);
            EXPECT_EQ(r.error, EIO);
            EXPECT_TRUE(r.reading);
        }
    }
    // A descriptor open only for reading cannot be written, at aligned offsets or not.
    for (const std::uint64_t to : {std::uint64_t{0}, std::uint64_t{7}}) {
        Fd in(openRead(dir.file("in")));
        Fd readOnly(openRead(dir.file("in")));
        const CopyResult r = copyFileBytes(in.fd, 0, readOnly.fd, to, 10, CopyMethod::Kernel);
        EXPECT_NE(r.error, 0);
        EXPECT_FALSE(r.reading);
    }
}

TEST(FileCopy, WholeFileCopyReportsEachStepAndStopsWhenAsked) {
    TempDir dir;
    constexpr std::uint64_t kStep = 100000;
    const std::string data = noise(kStep * 2 + 11, 5);
    writeBytes(dir.file("in"), data);
    Fd in(openRead(dir.file("in")));
    {
        Fd out(openWrite(dir.file("out")));
        std::vector<std::uint64_t> steps;
        const CopyResult r = copyFileContents(
            in.fd, out.fd, data.size(),
            [&](auto done, auto all) {
                EXPECT_EQ(all, data.size());
                steps.push_back(done);
                return true;
            },
            CopyMethod::Kernel, kStep);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(steps, (std::vector<std::uint64_t>{kStep, kStep * 2, data.size()}));
        EXPECT_EQ(readBytes(dir.file("out")), data);
    }
    Fd out(openWrite(dir.file("stopped")));
    const CopyResult r = copyFileContents(
        in.fd, out.fd, data.size(), [](auto, auto) { return false; }, CopyMethod::ReadWrite, kStep);
    EXPECT_EQ(r.error, ECANCELED);
    EXPECT_EQ(readBytes(dir.file("stopped")), data.substr(0, kStep));
}

TEST(FileCopy, DescribesTheFolderFileSystemAndLeavesNothingBehind) {
    TempDir dir;
    const FileSystemInfo info = describeFileSystem(dir.path());
    EXPECT_FALSE(info.name.empty());
    EXPECT_TRUE(dir.names().empty());
    EXPECT_EQ(describeFileSystem(dir.file("missing")).name, "unknown");
}

}  // namespace
}  // namespace sonthra
