#include "wave/riff.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "wave/wave_test_files.h"

namespace sonthra {
namespace {

using testing::chunk;
using testing::chunkWithSize;
using testing::get32;
using testing::readBytes;
using testing::riff;
using testing::TempDir;
using testing::writeBytes;

TEST(RiffFile, CreatedChunksGetTheirSizesAndPadBytesWhenSteppedOutOf) {
    TempDir dir;
    const std::string path = dir.file("a.riff");
    {
        RiffFile f;
        ASSERT_EQ(f.open(path, RiffFile::Mode::Create), kRiffOk);
        RiffChunk form;
        form.id = kRiffId;
        form.formType = fourCC("TEST");
        ASSERT_EQ(f.createChunk(form), kRiffOk);
        RiffChunk odd;
        odd.id = fourCC("odd ");
        ASSERT_EQ(f.createChunk(odd), kRiffOk);
        ASSERT_TRUE(f.write("abc", 3));
        ASSERT_EQ(f.ascend(odd), kRiffOk);
        EXPECT_EQ(odd.size, 3u);
        RiffChunk even;
        even.id = fourCC("even");
        ASSERT_EQ(f.createChunk(even), kRiffOk);
        ASSERT_TRUE(f.write("wxyz", 4));
        ASSERT_EQ(f.ascend(even), kRiffOk);
        ASSERT_EQ(f.ascend(form), kRiffOk);
        ASSERT_EQ(f.close(), kRiffOk);
    }
    const std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 12u + 8 + 4 + 8 + 4);  // the odd chunk carries one pad byte
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(get32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(8, 4), "TEST");
    EXPECT_EQ(get32(bytes, 16), 3u);
    EXPECT_EQ(bytes[23], '\0');
    EXPECT_EQ(bytes.substr(24, 4), "even");

    // Walking it back finds the chunk after the padded one.
    RiffFile f;
    ASSERT_EQ(f.open(path, RiffFile::Mode::Read), kRiffOk);
    RiffChunk form;
    form.formType = fourCC("TEST");
    ASSERT_EQ(f.descend(form, nullptr, RiffFind::RiffForm), kRiffOk);
    EXPECT_EQ(f.tell(), 12u);
    RiffChunk even;
    even.id = fourCC("even");
    ASSERT_EQ(f.descend(even, &form, RiffFind::ChunkId), kRiffOk);
    char body[4];
    ASSERT_EQ(f.read(body, 4), 4);
    EXPECT_EQ(std::string(body, 4), "wxyz");
    RiffChunk missing;
    missing.id = fourCC("none");
    f.seek(12);
    EXPECT_EQ(f.descend(missing, &form, RiffFind::ChunkId), kRiffErrChunkNotFound);
}

TEST(RiffFile, SearchStaysInsideTheParentChunk) {
    TempDir dir;
    const std::string path = dir.file("b.riff");
    // The second chunk lies after the end the RIFF size states.
    const std::string inner = riff("WAVE", {chunk("one ", "1234")});
    writeBytes(path, inner + chunk("two ", "5678"));
    RiffFile f;
    ASSERT_EQ(f.open(path, RiffFile::Mode::Read), kRiffOk);
    RiffChunk form;
    ASSERT_EQ(f.descend(form, nullptr, RiffFind::AnyRiff), kRiffOk);
    RiffChunk two;
    two.id = fourCC("two ");
    EXPECT_EQ(f.descend(two, &form, RiffFind::ChunkId), kRiffErrChunkNotFound);
    f.seek(0);
    EXPECT_EQ(f.descend(two, nullptr, RiffFind::ChunkId), kRiffOk);
}

TEST(RiffFile, SizesFromHostileFilesAreCutToTheFile) {
    TempDir dir;
    const std::string path = dir.file("c.riff");
    // A RIFF size of 0 (a crashed writer), and a child whose size runs far past the end.
    writeBytes(path, riff("WAVE", {chunkWithSize("big ", 0xFFFFFFF0u, "abcd")}, 0));
    RiffFile f;
    ASSERT_EQ(f.open(path, RiffFile::Mode::Read), kRiffOk);
    RiffChunk form;
    ASSERT_EQ(f.descend(form, nullptr, RiffFind::AnyRiff), kRiffOk);
    EXPECT_EQ(form.statedSize, 0u);
    EXPECT_EQ(form.size, 4u + 8 + 4);
    EXPECT_TRUE(form.flags & kChunkRepaired);
    RiffChunk big;
    big.id = fourCC("big ");
    ASSERT_EQ(f.descend(big, &form, RiffFind::ChunkId), kRiffOk);
    EXPECT_EQ(big.statedSize, 0xFFFFFFF0u);
    EXPECT_EQ(big.size, 4u);
    // Stepping out of it and looking further ends cleanly instead of wandering off.
    ASSERT_EQ(f.ascend(big), kRiffOk);
    RiffChunk next;
    EXPECT_EQ(f.descend(next, &form, RiffFind::Next), kRiffErrChunkNotFound);
}

TEST(RiffFile, TruncatedHeadersAndEmptyFilesFindNothing) {
    TempDir dir;
    for (const std::string& bytes : {std::string(), std::string("RIF"), std::string("RIFF\x10"),
                                     std::string("RIFF\x04\0\0\0", 8)}) {
        writeBytes(dir.file("t"), bytes);
        RiffFile f;
        ASSERT_EQ(f.open(dir.file("t"), RiffFile::Mode::Read), kRiffOk);
        RiffChunk form;
        EXPECT_EQ(f.descend(form, nullptr, RiffFind::AnyRiff), kRiffErrChunkNotFound)
            << bytes.size();
    }
}

TEST(RiffFile, OpenFailuresKeepTheirNumbers) {
    TempDir dir;
    RiffFile f;
    EXPECT_EQ(f.open(dir.file("missing.wav"), RiffFile::Mode::Read), kRiffErrFileNotFound);
    EXPECT_EQ(f.open(dir.file("no/such/folder.wav"), RiffFile::Mode::Read), kRiffErrPathNotFound);
    EXPECT_EQ(f.open(dir.path(), RiffFile::Mode::Read), kRiffErrInvalidFile);
    // A named pipe would block a plain open; it is refused at once.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(f.open(dir.file("pipe"), RiffFile::Mode::Read), kRiffErrInvalidFile);
    EXPECT_EQ(f.open("", RiffFile::Mode::Read), kRiffErrFileNotFound);

    EXPECT_EQ(riffOpenError(EACCES, "x"), kRiffErrAccessDenied);
    EXPECT_EQ(riffOpenError(EROFS, "x"), kRiffErrAccessDenied);
    EXPECT_EQ(riffOpenError(ETXTBSY, "x"), kRiffErrSharingViolation);
    EXPECT_EQ(riffOpenError(ESTALE, "x"), kRiffErrNetworkError);
    EXPECT_EQ(riffOpenError(EMFILE, "x"), kRiffErrTooManyOpenFiles);
    EXPECT_EQ(riffOpenError(ENFILE, "x"), kRiffErrTooManyOpenFiles);
    EXPECT_EQ(riffOpenError(EIO, "x"), kRiffErrInvalidFile);
}

TEST(RiffFile, BufferedReadsAndWritesMeetAtAnyPosition) {
    TempDir dir;
    const std::string path = dir.file("d");
    std::string pattern;
    for (int i = 0; i < 200000; ++i) pattern.push_back(static_cast<char>(i * 7 % 251));
    RiffFile f;
    ASSERT_EQ(f.open(path, RiffFile::Mode::Create), kRiffOk);
    // Small and large writes mixed, crossing the buffer's size.
    std::size_t at = 0;
    for (std::size_t step : {1u, 100u, 70000u, 3u, 129896u}) {
        ASSERT_TRUE(f.write(pattern.data() + at, step));
        at += step;
    }
    ASSERT_EQ(at, pattern.size());
    EXPECT_EQ(f.size(), pattern.size());
    // Overwrite in the middle, then read across the change.
    ASSERT_TRUE(f.seek(65530));
    ASSERT_TRUE(f.write("XYZ", 3));
    pattern.replace(65530, 3, "XYZ");
    ASSERT_TRUE(f.seek(65000));
    std::string back(2000, '\0');
    ASSERT_EQ(f.read(back.data(), back.size()), 2000);
    EXPECT_EQ(back, pattern.substr(65000, 2000));
    ASSERT_TRUE(f.seek(199990));
    EXPECT_EQ(f.read(back.data(), back.size()), 10);
    ASSERT_EQ(f.close(), kRiffOk);
    EXPECT_EQ(readBytes(path), pattern);
}

}  // namespace
}  // namespace sonthra
