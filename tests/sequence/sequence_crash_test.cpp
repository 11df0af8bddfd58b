// A process killed at random moments while it edits and saves: the journal brings back the last
// finished state (or the one whose record was already whole) with its history, and the saved
// file is always one of the two last saves, whole. A torn or damaged journal tail is ignored.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "sequence/sequence_document.h"
#include "sequence/sequence_test_support.h"

namespace sonthra {
namespace {

using testing::Frames;
using testing::Model;
using testing::TempDir;

constexpr int kSteps = 400;

// The child: edits from the recovered start, saving after each step, and says each finished
// step's number through the pipe. Never returns.
[[noreturn]] void editForever(const std::string& folder, const std::string& saved, int out,
                              std::uint32_t seed) {
    std::unique_ptr<SequenceDocument> doc;
    if (SequenceDocument::recover(folder, &doc) != 0) ::_exit(2);
    Model m;
    m.audio = testing::framesOf(*doc);
    std::mt19937 rng(seed);
    std::uint32_t fresh = 0;
    for (int step = 1; step <= kSteps; ++step) {
        testing::randomStep(rng, doc.get(), m, fresh);
        if (saveWave(*doc->snapshot(), saved) != 0) ::_exit(3);
        if (::write(out, &step, sizeof step) != sizeof step) ::_exit(4);
    }
    ::pause();
    ::_exit(0);
}

TEST(SequenceCrash, AKillAtAnyMomentBringsBackTheLastFinishedStateWithItsHistory) {
    std::mt19937 timing(99);
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        TempDir dir;
        testing::writeWorkingCopy(dir.path(), 3000);
        const std::string saved = dir.path() + "-saved.wav";
        {
            std::unique_ptr<SequenceDocument> doc;
            ASSERT_EQ(SequenceDocument::open(dir.path(), "work.wav", &doc), 0);
            ASSERT_EQ(saveWave(*doc->snapshot(), saved), 0);
        }
        const std::uint32_t seed = 1000 + round;
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            editForever(dir.path(), saved, fds[1], seed);
        }
        ::close(fds[1]);
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(5000, 400000)(timing)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        int finished = 0;
        int step = 0;
        while (::read(fds[0], &step, sizeof step) == sizeof step) finished = step;
        ::close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself: " << status;

        // The states the child went through, step by step, made again by the model.
        std::vector<Model> states;
        Model m;
        m.audio.resize(3000);
        for (std::uint32_t i = 0; i < 3000; ++i) m.audio[i] = i + 1;
        std::mt19937 rng(seed);
        std::uint32_t fresh = 0;
        states.push_back(m);
        for (int s = 1; s <= finished + 1 && s <= kSteps; ++s) {
            testing::randomStep(rng, nullptr, m, fresh);
            states.push_back(m);
        }

        std::unique_ptr<SequenceDocument> doc;
        ASSERT_EQ(SequenceDocument::recover(dir.path(), &doc), 0);
        const Frames got = testing::framesOf(*doc);
        const bool inFlight = finished + 1 < static_cast<int>(states.size()) &&
                              got == states[finished + 1].audio &&
                              doc->undoLevels() == states[finished + 1].undo.size() &&
                              doc->redoLevels() == states[finished + 1].redo.size();
        const Model& expected = inFlight ? states[finished + 1] : states[finished];
        testing::expectSameHistory(*doc, expected);
        if (::testing::Test::HasFatalFailure()) return;
        const Frames file = testing::framesOfFile(saved);
        EXPECT_TRUE(
            file == states[finished].audio ||
            (finished + 1 < static_cast<int>(states.size()) && file == states[finished + 1].audio))
            << "the saved file is neither of the last two saves";
        ::unlink(saved.c_str());
    }
}

// The journal's bytes, and the same file cut or changed at its end.
std::string journalOf(const TempDir& dir) {
    return testing::readBytes(dir.file(JournalFile::kName));
}

TEST(SequenceCrash, ATornOrDamagedLastRecordIsIgnored) {
    TempDir dir;
    testing::writeWorkingCopy(dir.path(), 1000);
    std::string whole;
    Frames afterCut;
    {
        std::unique_ptr<SequenceDocument> doc;
        ASSERT_EQ(SequenceDocument::open(dir.path(), "work.wav", &doc), 0);
        ASSERT_EQ(doc->cut(10, 20), 0);
        afterCut = testing::framesOf(*doc);
        const std::string beforeMute = journalOf(dir);
        ASSERT_EQ(doc->mute(0, 5), 0);
        whole = journalOf(dir);
        ASSERT_GT(whole.size(), beforeMute.size());
    }
    for (const bool torn : {true, false}) {
        std::string bytes = whole;
        if (torn) {
            bytes.resize(bytes.size() - 3);
        } else {
            bytes[bytes.size() - 2] ^= 0x40;
        }
        testing::writeBytes(dir.file(JournalFile::kName), bytes);
        std::unique_ptr<SequenceDocument> doc;
        ASSERT_EQ(SequenceDocument::recover(dir.path(), &doc), 0);
        EXPECT_EQ(testing::framesOf(*doc), afterCut);
        EXPECT_EQ(doc->undoLevels(), 1u);
        EXPECT_EQ(doc->undoLabel(), "Cut");
    }
    // Garbage in place of a journal is refused, not read.
    testing::writeBytes(dir.file(JournalFile::kName), std::string(200, 'x'));
    std::unique_ptr<SequenceDocument> doc;
    EXPECT_EQ(SequenceDocument::recover(dir.path(), &doc), 142);
}

TEST(SequenceCrash, AWholeRecordOfHostileBytesIsRefusedOrIsAWholeStep) {
    TempDir dir;
    Frames afterCut;
    std::string journal;
    {
        auto doc = testing::openWorkingCopy(dir, 500);
        ASSERT_TRUE(doc);
        ASSERT_EQ(doc->cut(10, 20), 0);
        afterCut = testing::framesOf(*doc);
        journal = journalOf(dir);
        ASSERT_EQ(doc->insertSilence(5, 7), 0);
    }
    std::string last;
    {
        std::unique_ptr<Workspace> workspace;
        ASSERT_EQ(Workspace::open(dir.path(), &workspace), 0);
        std::vector<std::string> payloads;
        std::unique_ptr<JournalFile> file;
        ASSERT_EQ(JournalFile::open(*workspace, &payloads, &file), 0);
        ASSERT_EQ(payloads.size(), 3u);
        last = payloads.back();
    }
    std::mt19937 rng(17);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        testing::writeBytes(dir.file(JournalFile::kName), journal);
        // After the cut, a record whose checksum is right and whose body is nonsense: the
        // insertion's record with bytes changed or cut short (counts, indexes, blocks and
        // frames pointing anywhere), or random bytes of any kind.
        std::string bad = last;
        if (round % 2 == 0) {
            for (int k = 0; k < 2; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
            if (round % 4 == 0) bad.resize(1 + rng() % bad.size());
        } else {
            bad.resize(2 + rng() % 200);
            for (char& c : bad) c = static_cast<char>(rng());
            bad[0] = static_cast<char>(1 + rng() % 5);
        }
        {
            std::unique_ptr<Workspace> workspace;
            ASSERT_EQ(Workspace::open(dir.path(), &workspace), 0);
            std::vector<std::string> payloads;
            std::unique_ptr<JournalFile> file;
            ASSERT_EQ(JournalFile::open(*workspace, &payloads, &file), 0);
            ASSERT_EQ(file->append(bad), 0);
        }
        std::unique_ptr<SequenceDocument> doc;
        ASSERT_EQ(SequenceDocument::recover(dir.path(), &doc), 0);
        // Whatever was taken reads (at both ends: a silence may be days long); a step taken is
        // undone whole.
        SequenceReader reader(doc->snapshot());
        Frames ends(4096);
        ASSERT_EQ(reader.read(0, ends.size(), ends.data()), 0);
        const std::uint64_t tail = reader.frames() - std::min<std::uint64_t>(reader.frames(), 4096);
        ASSERT_EQ(reader.read(tail, ends.size(), ends.data()), 0);
        if (doc->undoLevels() == 2) ASSERT_EQ(doc->undo(), 0);
        if (doc->redoLevels() == 1 && doc->undoLevels() == 0) ASSERT_EQ(doc->redo(), 0);
        EXPECT_EQ(testing::framesOf(*doc), afterCut);
        EXPECT_EQ(doc->undoLevels(), 1u);
    }
}

}  // namespace
}  // namespace sonthra
