// Edits on a file system that shares blocks between files (reflinks), mounted for the tests in
// $SONTHRA_REFLINK_DIR: the unchanged start of the file is shared with the source instead of
// copied, and every result still holds exactly the samples a copy would.
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "edit_test_support.h"
#include "wave/file_copy.h"

namespace sonthra {
namespace {

using namespace sonthra::testing;

// Whether any of the file's first extents is shared with another file (the first block holds
// the result's own header, written over the shared one, so it is the result's alone).
bool startShared(const std::string& path) {
    constexpr unsigned kExtents = 8;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<unsigned char> buffer(sizeof(fiemap) + kExtents * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    map->fm_start = 0;
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = kExtents;
    bool shared = false;
    if (::ioctl(fd, FS_IOC_FIEMAP, map) == 0) {
        for (unsigned i = 0; i < map->fm_mapped_extents; ++i) {
            shared = shared || (map->fm_extents[i].fe_flags & FIEMAP_EXTENT_SHARED) != 0;
        }
    }
    ::close(fd);
    return shared;
}

class SharedBlocks : public ::testing::Test {
protected:
    void SetUp() override {
        const char* root = std::getenv("SONTHRA_REFLINK_DIR");
        ASSERT_NE(root, nullptr) << "the reflink fixture names no folder";
        dir = std::string(root) + "/shared-" + std::to_string(::getpid());
        std::filesystem::create_directories(dir);
        ASSERT_TRUE(describeFileSystem(dir).reflinks)
            << dir << " does not share blocks (" << describeFileSystem(dir).name << ")";
        // 64 blocks of 4 KB and a little more, in the writer's own layout (46-byte header).
        wav = makeWav(2, 16, 65'600);
        src = dir + "/src.wav";
        out = dir + "/out.wav";
        writeWav(src, wav);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    std::string dir;
    Wav wav;
    std::string src;
    std::string out;
    AudioEditor editor;
};

TEST_F(SharedBlocks, TheUnchangedStartIsSharedAndEveryResultHoldsTheSamplesACopyWould) {
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCut(src, 40'000, 41'003, 1, h, 0, out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 40'000) + wav.from(41'003));
    EXPECT_TRUE(startShared(out)) << "the start before the cut was copied";
    EXPECT_EQ(probeWave(out, nullptr, nullptr), 0);

    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioPasteEx(src, 30'001, 1, h, 0, "", out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav),
              wav.bytes(0, 30'001) + wav.bytes(40'000, 41'003) + wav.from(30'001));
    EXPECT_TRUE(startShared(out));

    // The shared blocks bring the source's header along; the result's is the writer's own
    // (here the source's format record says 5 extra bytes, which a PCM record does not have).
    std::string oddFormat = fmtBody(2, wav.rate, 16);
    oddFormat[16] = 5;
    writeBytes(src, riff("WAVE", {chunk("fmt ", oddFormat), chunk("data", wav.samples)}));
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCut(src, 40'000, 41'003, 1, h, 0, out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 40'000) + wav.from(41'003));
    EXPECT_TRUE(startShared(out));
    writeWav(src, wav);

    // A start shorter than one block is copied; the result is the same either way.
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioClear(src, 100, 65'000, 1, h, 0, out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 100) + wav.from(65'000));

    // A source whose header is of another length (no cbSize) is copied whole, never shared.
    writeBytes(src, riff("WAVE", {chunk("fmt ", fmtBody(2, wav.rate, 16, false)),
                                  chunk("data", wav.samples)}));
    ASSERT_EQ(
        runEdit(editor, [&](auto h) { return editor.AudioCut(src, 40'000, 41'003, 1, h, 0, out); }),
        0);
    EXPECT_EQ(samplesOf(out, wav), wav.bytes(0, 40'000) + wav.from(41'003));
    EXPECT_FALSE(startShared(out));
}

// The working copy made when a file is opened is a whole-file copy: here it shares the source's
// blocks instead of copying them. From a file on another file system (a memory file) the kernel
// refuses to share or copy, and the bytes still arrive.
TEST_F(SharedBlocks, AWholeFileCopySharesItsBlocksAndOneFromElsewhereStillArrives) {
    const std::string bytes = readBytes(src);
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    const int copy = ::open(out.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(in, 0);
    ASSERT_GE(copy, 0);
    EXPECT_TRUE(copyFileContents(in, copy, bytes.size()).ok());
    ::close(in);
    ::close(copy);
    EXPECT_EQ(readBytes(out), bytes);
    EXPECT_TRUE(startShared(out)) << "the whole-file copy shared nothing";

    const int memory = ::memfd_create("shared-blocks-test", MFD_CLOEXEC);
    ASSERT_GE(memory, 0);
    ASSERT_EQ(::pwrite(memory, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    const std::string fromMemory = dir + "/from-memory.wav";
    const int target = ::open(fromMemory.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(target, 0);
    EXPECT_TRUE(copyFileBytes(memory, 0, target, 0, bytes.size()).ok());
    ::close(memory);
    ::close(target);
    EXPECT_EQ(readBytes(fromMemory), bytes);
}

}  // namespace
}  // namespace sonthra
