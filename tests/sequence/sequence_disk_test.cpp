// A full disk while an edit writes its block, while the journal takes its record, and while a
// save writes: the document, its history, its journal and the saved file stay as they were,
// and the call returns the product's message.
#include <sys/mount.h>

#include "sequence/sequence_document.h"
#include "sequence/sequence_test_support.h"
#include "support/file_size_limit.h"

namespace sonthra {
namespace {

using testing::Frames;
using testing::TempDir;

struct Before {
    Frames audio;
    std::size_t undo;
    std::vector<std::string> files;
    std::string journal;
};

Before stateOf(SequenceDocument& doc, const TempDir& dir) {
    return Before{testing::framesOf(doc), doc.undoLevels(), dir.names(),
                  testing::readBytes(dir.file(JournalFile::kName))};
}

// The document is as before; so is the one a new start finds in the journal, which then
// takes its place (two documents never share a folder).
void expectUnchanged(std::unique_ptr<SequenceDocument>& doc, const TempDir& dir,
                     const Before& before) {
    EXPECT_EQ(testing::framesOf(*doc), before.audio);
    EXPECT_EQ(doc->undoLevels(), before.undo);
    EXPECT_EQ(dir.names(), before.files);
    EXPECT_EQ(testing::readBytes(dir.file(JournalFile::kName)), before.journal);
    doc.reset();
    ASSERT_EQ(SequenceDocument::recover(dir.path(), &doc), 0);
    EXPECT_EQ(testing::framesOf(*doc), before.audio);
    EXPECT_EQ(doc->undoLevels(), before.undo);
}

TEST(SequenceDisk, AFullDiskWhileWritingABlockOrTheRecordLeavesTheDocumentAsItWas) {
    TempDir dir;
    auto doc = testing::openWorkingCopy(dir, 4000);
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->cut(100, 200), 0);
    Before before = stateOf(*doc, dir);
    {
        auto audio = doc->newAudio();
        const Frames made(20000, 7);
        testing::FileSizeLimit limit(30000);
        EXPECT_FALSE(audio->append(made.data(), made.size() * 4));
        EXPECT_EQ(doc->replace(0, 10, *audio, "Effect"), 121);
    }
    expectUnchanged(doc, dir, before);
    before = stateOf(*doc, dir);
    {
        auto audio = doc->newAudio();
        const Frames made(50, 7);
        ASSERT_TRUE(audio->append(made.data(), made.size() * 4));
        // Room for a few bytes of the record only: the files already there are larger.
        testing::FileSizeLimit limit(doc->journalBytes() + 5);
        EXPECT_EQ(doc->replace(0, 10, *audio, "Effect"), 121);
        EXPECT_EQ(doc->cut(0, 10), 121);
        EXPECT_EQ(doc->undo(), 121);
    }
    expectUnchanged(doc, dir, before);
    EXPECT_EQ(doc->undoLabel(), "Cut");
}

TEST(SequenceDisk, AFullDiskWhileSavingKeepsTheOldFile) {
    TempDir dir;
    auto doc = testing::openWorkingCopy(dir, 40000);
    ASSERT_TRUE(doc);
    const std::string target = dir.path() + "-target.wav";
    testing::writeBytes(target, "the user's own file");
    ASSERT_EQ(doc->mute(10, 20000), 0);
    {
        testing::FileSizeLimit limit(100000);
        EXPECT_EQ(saveWave(*doc->snapshot(), target), 146);
    }
    EXPECT_EQ(testing::readBytes(target), "the user's own file");
    ::unlink(target.c_str());
}

TEST(SequenceDisk, ASmallFileSystemFillsDuringEditsWithoutLosingTheDocument) {
    TempDir dir;
    const std::string mountPoint = dir.file("small");
    ::mkdir(mountPoint.c_str(), 0700);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    }
    {
        const std::string folder = mountPoint + "/ws";
        std::unique_ptr<SequenceDocument> doc;
        ASSERT_EQ(SequenceDocument::create(folder, testing::kTestFormat, &doc), 0);
        Frames expected;
        int full = 0;
        for (std::uint32_t round = 0; round < 64 && full == 0; ++round) {
            auto audio = doc->newAudio();
            const Frames made(4000, round + 1);
            if (!audio->append(made.data(), made.size() * 4)) {
                full = doc->replace(doc->frames(), doc->frames(), *audio, "Record");
                break;
            }
            full = doc->replace(doc->frames(), doc->frames(), *audio, "Record");
            if (full == 0) expected.insert(expected.end(), made.begin(), made.end());
        }
        EXPECT_EQ(full, 121);
        EXPECT_EQ(testing::framesOf(*doc), expected);
        doc.reset();
        ASSERT_EQ(SequenceDocument::recover(folder, &doc), 0);
        EXPECT_EQ(testing::framesOf(*doc), expected);
    }
    ::umount(mountPoint.c_str());
}

}  // namespace
}  // namespace sonthra
