// Long random runs of every edit, undo and redo against a plain model of the audio and its
// history, with saves and recoveries in between, and the block files on the disk checked
// against what the document still refers to.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "sequence/sequence_document.h"
#include "sequence/sequence_test_support.h"

namespace sonthra {
namespace {

using testing::Frames;
using testing::Model;
using testing::TempDir;

// The block files on the disk are exactly the document's blocks, and those are exactly what the
// audio and the clip refer to once the history is dropped.
void expectNoLeak(SequenceDocument& doc, const TempDir& dir) {
    std::set<std::string> onDisk;
    for (const std::string& name : dir.names()) {
        if (name != JournalFile::kName) onDisk.insert(name);
    }
    const std::vector<std::string> names = doc.blockNames();
    EXPECT_EQ(onDisk, std::set<std::string>(names.begin(), names.end()));
    ASSERT_EQ(doc.setLevelLimit(0), 0);
    if (doc.frames() > 0) {
        ASSERT_EQ(doc.copy(0, 1), 0);
    }
    std::set<BlockId> used;
    for (const Piece& p : doc.pieces().pieces()) {
        if (p.block != kSilenceBlock) used.insert(p.block);
    }
    EXPECT_EQ(doc.blockNames().size(), used.size());
}

void runModel(std::uint32_t seed, int steps, std::uint64_t limit) {
    TempDir dir;
    auto doc = testing::openWorkingCopy(dir, 5000);
    ASSERT_TRUE(doc);
    Model m;
    m.audio = testing::framesOf(*doc);
    ASSERT_EQ(m.audio.size(), 5000u);
    if (limit != kUnlimitedLevels) {
        ASSERT_EQ(doc->setLevelLimit(limit), 0);
        m.limit = limit;
    }
    std::mt19937 rng(seed);
    std::uint32_t fresh = 0;
    const std::string saved = dir.path() + "-saved.wav";
    for (int i = 0; i < steps; ++i) {
        SCOPED_TRACE("step " + std::to_string(i));
        testing::randomStep(rng, doc.get(), m, fresh);
        if (::testing::Test::HasFatalFailure()) return;
        ASSERT_EQ(testing::framesOf(*doc), m.audio);
        ASSERT_EQ(doc->undoLevels(), m.undo.size());
        ASSERT_EQ(doc->redoLevels(), m.redo.size());
        if (!m.undo.empty()) {
            ASSERT_EQ(doc->undoLabel(), m.undo.back().label);
        }
        if (!m.redo.empty()) {
            ASSERT_EQ(doc->redoLabel(), m.redo.back().label);
        }
        if (i % 37 == 0) {
            ASSERT_EQ(saveWave(*doc->snapshot(), saved), 0);
            ASSERT_EQ(testing::framesOfFile(saved), m.audio);
        }
        if (i % 101 == 100) {
            // A new start from the journal: the same audio and history, and no clip.
            doc.reset();
            ASSERT_EQ(SequenceDocument::recover(dir.path(), &doc), 0);
            m.clip.clear();
            ASSERT_EQ(testing::framesOf(*doc), m.audio);
            ASSERT_EQ(doc->undoLevels(), m.undo.size());
            ASSERT_EQ(doc->redoLevels(), m.redo.size());
        }
    }
    testing::expectSameHistory(*doc, m);
    if (testing::haveSox()) {
        ASSERT_EQ(saveWave(*doc->snapshot(), saved), 0);
        const auto soxi = testing::run("soxi -s '" + saved + "'");
        EXPECT_EQ(soxi.output, std::to_string(doc->frames()) + "\n");
    }
    ::unlink(saved.c_str());
    expectNoLeak(*doc, dir);
}

TEST(SequenceModel, LongRandomRunsMatchThePlainModel) {
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        runModel(seed, 600, kUnlimitedLevels);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(SequenceModel, ALevelLimitDropsTheOldestLevelsAndTheirBlocks) {
    runModel(7, 600, 5);
}

TEST(SequenceModel, EditsSplitOnlyTheEndPiecesAndUndoJoinsThemAgain) {
    TempDir dir;
    auto doc = testing::openWorkingCopy(dir, 1000);
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->cut(100, 200), 0);
    EXPECT_EQ(doc->pieces().size(), 2u);
    ASSERT_EQ(doc->paste(100, 100), 0);
    // The clip pasted back where it came from continues both neighbours.
    EXPECT_EQ(doc->pieces().size(), 1u);
    EXPECT_EQ(doc->undoLabel(), "Paste");
    ASSERT_EQ(doc->undo(), 0);
    EXPECT_EQ(doc->redoLabel(), "Paste");
    ASSERT_EQ(doc->undo(), 0);
    EXPECT_EQ(doc->pieces().size(), 1u);
    EXPECT_EQ(doc->undo(), 134);
    // A new edit after an undo drops the redo branch.
    ASSERT_EQ(doc->mute(0, 10), 0);
    EXPECT_FALSE(doc->canRedo());
    EXPECT_EQ(doc->redo(), 134);
}

TEST(SequenceModel, BadRangesAreRefusedWithTheProductsMessages) {
    TempDir dir;
    auto doc = testing::openWorkingCopy(dir, 100);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->cut(5, 5), 122);
    EXPECT_EQ(doc->copy(7, 7), 125);
    EXPECT_EQ(doc->paste(0, 0), 130);
    EXPECT_EQ(doc->clear(3, 3), 138);
    EXPECT_EQ(doc->crop(9, 9), 139);
    EXPECT_EQ(doc->cut(50, 101), 131);
    EXPECT_EQ(doc->insertSilence(101, 5), 131);
    EXPECT_EQ(doc->mute(60, 50), 143);
    EXPECT_EQ(testing::framesOf(*doc).size(), 100u);
    EXPECT_FALSE(doc->canUndo());
}

TEST(SequenceModel, AReaderKeepsItsSnapshotWhileTheDocumentMovesOn) {
    TempDir dir;
    auto doc = testing::openWorkingCopy(dir, 2000);
    ASSERT_TRUE(doc);
    auto audio = doc->newAudio();
    const Frames made(300, 0x12345678u);
    ASSERT_TRUE(audio->append(made.data(), made.size() * 4));
    ASSERT_EQ(doc->replace(0, 2000, *audio, "Effect"), 0);
    const auto before = doc->snapshot();
    // The effect's block is no longer referred to by anything once the history is gone: its
    // file goes, and the older snapshot still reads it through its open descriptor.
    ASSERT_EQ(doc->clear(0, 300), 0);
    ASSERT_EQ(doc->setLevelLimit(0), 0);
    EXPECT_TRUE(doc->blockNames().empty());
    EXPECT_EQ(testing::framesOf(*before), made);
    EXPECT_EQ(dir.names(), std::vector<std::string>{JournalFile::kName});
}

TEST(SequenceModel, ReadersOnOtherThreadsSeeWholeStatesWhileEditsGoOn) {
    TempDir dir;
    auto doc = testing::openWorkingCopy(dir, 3000);
    ASSERT_TRUE(doc);
    // Each state is published with the frames the model expects of it; the reader checks the
    // latest one it finds while the edits, and the removal of blocks no state needs, go on.
    struct Published {
        std::shared_ptr<const SequenceSnapshot> snapshot;
        Frames expected;
    };
    std::mutex mutex;
    Published latest{doc->snapshot(), testing::framesOf(*doc)};
    std::atomic<bool> done{false};
    std::atomic<int> checked{0};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        while (!done.load()) {
            Published p;
            {
                const std::lock_guard<std::mutex> lock(mutex);
                p = latest;
            }
            SequenceReader r(p.snapshot);
            Frames got(r.frames());
            if (r.read(0, got.size(), got.data()) != 0 || got != p.expected) ++wrong;
            ++checked;
        }
    });
    Model m;
    m.audio = latest.expected;
    ASSERT_EQ(doc->setLevelLimit(3), 0);
    m.limit = 3;
    std::mt19937 rng(5);
    std::uint32_t fresh = 0;
    for (int i = 0; i < 300 && !HasFatalFailure(); ++i) {
        testing::randomStep(rng, doc.get(), m, fresh);
        const std::lock_guard<std::mutex> lock(mutex);
        latest = Published{doc->snapshot(), m.audio};
    }
    done = true;
    reader.join();
    EXPECT_GT(checked.load(), 0);
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace sonthra
