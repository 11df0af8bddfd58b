// The peaks of a document's audio read through its sequence, and their patch after each edit:
// after long random runs of edits, undos and redos the patched peaks equal those worked out
// the slow way from a plain copy of the samples.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "sequence/sequence_document.h"
#include "view/peak_builder.h"
#include "view/peak_model.h"
#include "view/view_errors.h"
#include "view_test_support.h"

namespace sonthra {
namespace {

// One change as the peaks see it: `removed` frames from `from` became `inserted` others.
struct Change {
    std::uint64_t from = 0, removed = 0, inserted = 0;
};

class SequencePeaksTest : public ::testing::TestWithParam<int> {
protected:
    // Frames [from, from + removed) of the plain copy become the given values.
    void apply(const Change& c, const std::vector<int>& values) {
        const auto at = audio.begin() + static_cast<std::ptrdiff_t>(c.from * channels);
        audio.erase(at, at + static_cast<std::ptrdiff_t>(c.removed * channels));
        audio.insert(audio.begin() + static_cast<std::ptrdiff_t>(c.from * channels), values.begin(),
                     values.end());
    }
    std::vector<int> frames(std::uint64_t from, std::uint64_t to) const {
        return std::vector<int>(audio.begin() + static_cast<std::ptrdiff_t>(from * channels),
                                audio.begin() + static_cast<std::ptrdiff_t>(to * channels));
    }

    int bits = GetParam();
    int channels = bits == 16 ? 2 : 1;
    int silent = bits == 16 ? 0 : 128;
    std::vector<int> audio;
};

TEST_P(SequencePeaksTest, PatchedPeaksEqualAFreshScanAfterEveryEditUndoAndRedo) {
    testing::TempDir dir;
    audio =
        bits == 16 ? testing::noise(2 * 3000, -32768, 32767, 7) : testing::noise(3000, 0, 255, 7);
    testing::writeWav(dir.file("work.wav"), channels, bits, audio);
    std::unique_ptr<SequenceDocument> doc;
    ASSERT_EQ(SequenceDocument::open(dir.path(), "work.wav", &doc), 0);
    PeakModel model;
    ASSERT_EQ(model.BuildPeaksFromSequence("doc", doc->snapshot()), kViewOk);
    ASSERT_EQ(model.peaks().channels(), testing::naivePeaks(audio, channels));

    std::mt19937 random(static_cast<unsigned>(bits));
    // Lengths of a whole number of blocks move the later peaks; any other makes them rescan.
    const auto length = [&](std::uint64_t most) -> std::uint64_t {
        if (most == 0) return 0;
        const std::uint64_t n = 1 + random() % std::min<std::uint64_t>(most, 700);
        return random() % 2 && n >= 32 ? n / 32 * 32 : n;
    };
    // A level of the history: the change and the frames it took out and put in.
    struct Step {
        Change change;
        std::vector<int> before, after;
    };
    std::vector<Step> done, undone;
    std::vector<int> clip;
    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const std::uint64_t total = audio.size() / channels;
        const std::uint64_t from = total == 0 ? 0 : random() % total;
        const std::uint64_t n = length(total - from);
        Change change{from, 0, 0};
        std::vector<int> values;
        int r = 0;
        const unsigned kind = random() % 8;
        switch (kind) {
            case 0:  // cut
                if (n == 0) continue;
                clip = frames(from, from + n);
                r = doc->cut(from, from + n);
                change.removed = n;
                break;
            case 1:  // copy, then a paste over a range
                if (n == 0) continue;
                clip = frames(from, from + n);
                ASSERT_EQ(doc->copy(from, from + n), 0);
                [[fallthrough]];
            case 2: {  // paste at a point or over a range
                if (clip.empty()) continue;
                const std::uint64_t over = random() % 2 ? length(total - from) : 0;
                r = doc->paste(from, from + over);
                change = {from, over, clip.size() / channels};
                values = clip;
                break;
            }
            case 3:  // mute
                if (n == 0) continue;
                r = doc->mute(from, from + n);
                change = {from, n, n};
                values.assign(n * channels, silent);
                break;
            case 4:  // insert silence
                r = doc->insertSilence(from, n + 1);
                change = {from, 0, n + 1};
                values.assign((n + 1) * channels, silent);
                break;
            case 5:
            case 6:  // undo
                if (done.empty()) continue;
                r = doc->undo();
                change = {done.back().change.from, done.back().change.inserted,
                          done.back().change.removed};
                values = done.back().before;
                undone.push_back(std::move(done.back()));
                done.pop_back();
                break;
            default:  // redo
                if (undone.empty()) continue;
                r = doc->redo();
                change = undone.back().change;
                values = undone.back().after;
                done.push_back(std::move(undone.back()));
                undone.pop_back();
                break;
        }
        ASSERT_EQ(r, 0);
        if (kind < 5) {
            done.push_back(Step{change, frames(change.from, change.from + change.removed), values});
            undone.clear();
        }
        apply(change, values);
        ASSERT_EQ(doc->frames(), audio.size() / static_cast<std::size_t>(channels));
        ASSERT_EQ(model.PatchPeaksFromSequence(doc->snapshot(), change.from, change.removed,
                                               change.inserted),
                  kViewOk);
        ASSERT_EQ(model.header().totalSamples, doc->frames());
        if (doc->frames() == 0) {
            EXPECT_FALSE(model.hasPeaks());
            break;
        }
        ASSERT_EQ(model.peaks().channels(), testing::naivePeaks(audio, channels));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SequencePeaksTest, ::testing::Values(16, 8));

TEST(SequencePeaks, APatchThatDoesNotFitThePeaksIsRefused) {
    testing::TempDir dir;
    const std::vector<int> audio = testing::noise(2 * 1000, -30000, 30000, 3);
    testing::writeWav(dir.file("work.wav"), 2, 16, audio);
    std::unique_ptr<SequenceDocument> doc;
    ASSERT_EQ(SequenceDocument::open(dir.path(), "work.wav", &doc), 0);
    SequenceReader before(doc->snapshot());
    std::vector<PeakData::Channel> peaks;
    ASSERT_EQ(ScanSequencePeaks(before, peaks), kViewOk);
    ASSERT_EQ(doc->cut(100, 400), 0);
    SequenceReader after(doc->snapshot());
    // Peaks of a length the edit could not have started from, a range past the end, and a
    // removal longer than the whole audio.
    std::vector<PeakData::Channel> copy = peaks;
    EXPECT_EQ(PatchSequencePeaks(after, 100, 100, 0, copy), kViewErrPeakStale);
    EXPECT_EQ(PatchSequencePeaks(after, 800, 300, 0, copy), kViewErrPeakStale);
    EXPECT_EQ(PatchSequencePeaks(after, 0, ~0ull, 0, copy), kViewErrPeakStale);
    EXPECT_EQ(copy, peaks) << "a refused patch leaves the peaks as they were";
    EXPECT_EQ(PatchSequencePeaks(after, 100, 300, 0, copy), kViewOk);
}

}  // namespace
}  // namespace sonthra
