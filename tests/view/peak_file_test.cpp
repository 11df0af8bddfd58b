// Peak files: the name beside the WAV file and its fallback, the exact byte layout, every
// reason a stored file is refused, and the in-place update after a deletion.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

#include "support/file_size_limit.h"
#include "support/other_user.h"
#include "view/peak_file.h"
#include "view/view_errors.h"
#include "view/wave_view_model.h"
#include "view_test_support.h"

namespace sonthra {
namespace {

using testing::exists;
using testing::noise;
using testing::readBytes;
using testing::setWriteTime;
using testing::TempDir;
using testing::writeBytes;
using testing::writeWav;

// A model with a built file of the given frames and channels.
struct Built {
    Built(const std::string& path, int channels, std::size_t frames, int bits = 16) {
        values =
            bits == 16 ? noise(frames * channels, -3000, 3000) : noise(frames * channels, 0, 255);
        writeWav(path, channels, bits, values);
        model.setClientSize(200, 80);
        EXPECT_EQ(model.OpenWaveFile(path), 0);
        std::atomic<std::int32_t> progress{0};
        EXPECT_EQ(model.BuildPeaks(progress), 0);
    }
    std::vector<int> values;
    WaveViewModel model;
};

TEST(PeakFileName, ReplacesTheExtensionOfTheFileNameOnly) {
    TempDir dir;
    const std::string folder = dir.file("take.one");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    EXPECT_EQ(GetPeakFileName(folder + "/song.wav", "/nowhere"), folder + "/song.cvp");
    EXPECT_FALSE(exists(folder + "/song.cvp")) << "nothing is created to find out";
    EXPECT_EQ(GetPeakFileName(folder + "/song", "/nowhere"), folder + "/song.cvp");
    EXPECT_EQ(GetPeakFileName(folder + "/a.b.wav", "/nowhere"), folder + "/a.b.cvp");
    EXPECT_EQ(GetPeakFileName(folder + "/.hidden", "/nowhere"), folder + "/.hidden.cvp");
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        const char* old = std::getenv(name);
        if (old) m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(PeakFileName, FallsBackToThePrivateCacheFolder) {
    TempDir dir;
    const ScopedEnv cache("XDG_CACHE_HOME", dir.file("cache").c_str());
    const std::string folder = dir.file("cache/Corvanta/Sonthra/peaks/");
    const std::string gone = GetPeakFileName(dir.file("gone/song.wav"), dir.path());
    EXPECT_EQ(gone.rfind(folder + "song-", 0), 0u) << gone;
    EXPECT_EQ(gone.size(), folder.size() + 4 + 1 + 16 + 4) << gone;
    EXPECT_TRUE(gone.ends_with(".cvp"));
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Two files of one name in different folders do not share a peak file.
    EXPECT_NE(GetPeakFileName(dir.file("other/song.wav"), dir.path()), gone);
    EXPECT_EQ(GetPeakFileName(dir.file("gone/song.wav"), ""), gone);
    // A peak file name that is a folder cannot be opened for writing either.
    ASSERT_EQ(::mkdir(dir.file("clip.cvp").c_str(), 0755), 0);
    EXPECT_EQ(GetPeakFileName(dir.file("clip.wav"), "").rfind(folder + "clip-", 0), 0u);
}

// A WAV in a folder every user may write: its peak file goes to the cache, and a link that
// another user planted under the name beside it leads no write anywhere.
TEST(PeakFileName, NoPeakFileIsWrittenThroughAPlantedLink) {
    if (!testing::canActAsOtherUser()) GTEST_SKIP() << "needs root to act as a second user";
    TempDir dir;
    TempDir shared;
    ASSERT_EQ(::chmod(shared.path().c_str(), 01777), 0);
    const ScopedEnv cache("XDG_CACHE_HOME", dir.file("cache").c_str());
    const std::string victim = dir.file("notes.txt");
    writeBytes(victim, "notes");
    const std::string wav = shared.file("song.wav");
    writeWav(wav, 1, 16, {1, 2, 3});
    ASSERT_TRUE(testing::runAsOtherUser("ln -s " + victim + " " + shared.file("song.cvp")));
    const std::string name = GetPeakFileName(wav, shared.path());
    EXPECT_EQ(name.rfind(dir.file("cache/"), 0), 0u) << name;
    EXPECT_EQ(SavePeakFile(name, 1, PeakData({{{-2, 3}}}), wav), 0);
    EXPECT_EQ(readBytes(victim), "notes");
    // Even where the caller names the planted link itself.
    EXPECT_EQ(SavePeakFile(shared.file("song.cvp"), 1, PeakData({{{-2, 3}}}), wav),
              kViewErrPeakCreate);
    EXPECT_EQ(readBytes(victim), "notes");
}

TEST(PeakFile, WritesTheDocumentedLayout) {
    TempDir dir;
    PeakData peaks({{{-2, 3}, {-32768, 32767}}, {{0x1234, 0x5678}, {-1, 1}}});
    ASSERT_EQ(SavePeakFile(dir.file("p.cvp"), 2, peaks), 0);
    const std::string expected =
        std::string("\x02\x00", 2) +          // channels
        std::string("\x02\x00\x00\x00", 4) +  // blocks
        std::string("\xfe\xff\x03\x00", 4) + std::string("\x00\x80\xff\x7f", 4) +
        std::string("\x34\x12\x78\x56", 4) + std::string("\xff\xff\x01\x00", 4);
    EXPECT_EQ(readBytes(dir.file("p.cvp")), expected);

    // Without peaks the block count is 0 and nothing follows.
    ASSERT_EQ(SavePeakFile(dir.file("e.cvp"), 1, PeakData{}), 0);
    EXPECT_EQ(readBytes(dir.file("e.cvp")), std::string("\x01\x00\x00\x00\x00\x00", 6));
}

TEST(PeakFile, TakesTheModeOfTheAudioItDescribes) {
    TempDir dir;
    const std::string wav = dir.file("private.wav");
    testing::writeBytes(wav, testing::wavBytes(1, 8000, 16, std::string(64, '\x10')));
    const PeakData peaks({{{-2, 3}}});
    for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0664}}) {
        ASSERT_EQ(::chmod(wav.c_str(), mode), 0);
        // A file left from before with looser permissions is replaced, not kept as it was.
        testing::writeBytes(dir.file("private.cvp"), "old");
        ::chmod(dir.file("private.cvp").c_str(), 0666);
        const std::string name = GetPeakFileName(wav, dir.path());
        ASSERT_EQ(name, dir.file("private.cvp"));
        ASSERT_EQ(SavePeakFile(name, 1, peaks, wav), 0);
        struct stat st {};
        ASSERT_EQ(::stat(name.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, mode);
    }
    // Through the display, as the program and the peaks command save them.
    ::chmod(wav.c_str(), 0600);
    WaveViewModel model;
    model.setClientSize(10, 10);
    ASSERT_EQ(model.OpenWaveFile(wav), 0);
    std::atomic<std::int32_t> progress{0};
    ASSERT_EQ(model.BuildPeaks(progress), 0);
    ASSERT_EQ(model.SavePeaks(dir.file("model.cvp")), 0);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("model.cvp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(PeakFile, SavedPeaksLoadBackIntoAFreshDisplay) {
    TempDir dir;
    const std::string wav = dir.file("a.wav");
    Built b(wav, 2, 1000);
    ASSERT_EQ(b.model.SavePeaks(dir.file("a.cvp")), 0);
    EXPECT_EQ(readBytes(dir.file("a.cvp")).size(), 6u + 2 * 32 * 4);

    WaveViewModel fresh;
    fresh.setClientSize(200, 80);
    ASSERT_EQ(fresh.OpenWaveFile(wav), 0);
    ASSERT_EQ(fresh.LoadPeaks(dir.file("a.cvp")), 0);
    EXPECT_EQ(fresh.peaks().channels(), b.model.peaks().channels());
    // A loaded file renders like a built one while its state stays FileSet.
    EXPECT_EQ(fresh.peakState(), PeakState::FileSet);
    RenderResult r;
    EXPECT_EQ(fresh.RenderView(32, 0, r), 0);
    EXPECT_EQ(r.kind, RenderKind::Waveform);
}

// After an edit the peak file is written in the background: the old one never stands under the
// name meanwhile, a load or a later save waits for the write, and the file carries the audio's
// time so that it counts as current.
TEST(PeakFile, ABackgroundWriteIsNeverOvertakenOrTakenForTheOldFile) {
    TempDir dir;
    const std::string wav = dir.file("a.wav");
    const std::string cvp = dir.file("a.cvp");
    Built b(wav, 2, 40000);
    ASSERT_EQ(b.model.SavePeaks(cvp), 0);
    const std::string old = readBytes(cvp);
    setWriteTime(cvp, 1000);  // older than the audio: no longer current
    std::vector<int> rest = b.values;
    rest.resize(2 * 30000);
    writeWav(wav, 2, 16, rest);
    ASSERT_EQ(b.model.RemovePeakRange(30000, 40000), 0);
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(b.model.SavePeaksInBackground(cvp), 0);
        if (exists(cvp)) EXPECT_NE(readBytes(cvp), old);
        WaveViewModel fresh;
        fresh.setClientSize(200, 80);
        ASSERT_EQ(fresh.OpenWaveFile(wav), 0);
        ASSERT_EQ(fresh.LoadPeaks(cvp), 0) << "round " << round;
        EXPECT_EQ(fresh.peaks().channels(), testing::naivePeaks(rest, 2));
    }
    struct stat peaks {};
    struct stat audio {};
    ASSERT_EQ(::stat(cvp.c_str(), &peaks), 0);
    ASSERT_EQ(::stat(wav.c_str(), &audio), 0);
    EXPECT_EQ(peaks.st_mtim.tv_sec, audio.st_mtim.tv_sec);
    EXPECT_EQ(peaks.st_mtim.tv_nsec, audio.st_mtim.tv_nsec);

    // A save right after a background write is the one that stays.
    Built other(dir.file("b.wav"), 2, 30000);
    ASSERT_EQ(b.model.SavePeaksInBackground(cvp), 0);
    ASSERT_EQ(other.model.SavePeaks(cvp), 0);
    FinishPeakFileWrite(cvp);
    ASSERT_EQ(other.model.SavePeaks(dir.file("b.cvp")), 0);
    EXPECT_EQ(readBytes(cvp), readBytes(dir.file("b.cvp")));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.cvp", "a.wav", "b.cvp", "b.wav"}));
}

// Background writes of one name in quick succession (edits one after another): each newer one
// gives up the older, which leaves neither a file nor a failure; the newest is what stays.
TEST(PeakFile, ANewerBackgroundWriteGivesUpTheOlderOneSilently) {
    TempDir dir;
    const std::string cvp = dir.file("a.cvp");
    Built big(dir.file("a.wav"), 2, 4'000'000);  // several blocks of writes per channel
    Built small(dir.file("b.wav"), 2, 30000);
    ASSERT_EQ(big.model.SavePeaks(dir.file("big.cvp")), 0);
    ASSERT_EQ(small.model.SavePeaks(dir.file("small.cvp")), 0);
    std::atomic<int> failures{0};
    auto failed = [&failures](int) { ++failures; };
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(big.model.SavePeaksInBackground(cvp, failed), 0);
        const bool smallLast = round % 2 == 0;
        if (smallLast) ASSERT_EQ(small.model.SavePeaksInBackground(cvp, failed), 0);
        FinishPeakFileWrite(cvp);
        EXPECT_EQ(readBytes(cvp), readBytes(dir.file(smallLast ? "small.cvp" : "big.cvp")))
            << "round " << round;
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"a.cvp", "a.wav", "b.wav", "big.cvp", "small.cvp"}));
}

TEST(PeakFile, StaleWrongSizedOrBrokenFilesAreRefusedAndLeaveNoPeaks) {
    TempDir dir;
    const std::string wav = dir.file("a.wav");
    const std::string cvp = dir.file("a.cvp");
    Built b(wav, 2, 100);  // 4 blocks
    ASSERT_EQ(b.model.SavePeaks(cvp), 0);
    const std::string good = readBytes(cvp);
    setWriteTime(wav, 1000000);

    auto loadFresh = [&](const std::string& bytes) {
        writeBytes(cvp, bytes);
        setWriteTime(cvp, 2000000);
        WaveViewModel m;
        m.setClientSize(200, 80);
        EXPECT_EQ(m.OpenWaveFile(wav), 0);
        const int code = m.LoadPeaks(cvp);
        EXPECT_EQ(m.peaks().empty(), code != 0);
        return code;
    };
    EXPECT_EQ(loadFresh(good), 0);

    // Older than its WAV file.
    writeBytes(cvp, good);
    setWriteTime(cvp, 999999);
    EXPECT_EQ(b.model.LoadPeaks(cvp), kViewErrPeakStale);
    EXPECT_TRUE(b.model.peaks().empty());

    std::string other = good;
    other[2] = 5;  // 5 blocks where the WAV file has 4
    EXPECT_EQ(loadFresh(other), kViewErrPeakStale);
    other = good;
    other[0] = 1;  // one channel for a stereo file
    EXPECT_EQ(loadFresh(other), kViewErrPeakStale);
    other = good;
    other[0] = 0;
    EXPECT_EQ(loadFresh(other), kViewErrPeakStale);
    EXPECT_EQ(loadFresh(good.substr(0, good.size() - 1)), kViewErrPeakRead);
    EXPECT_EQ(loadFresh(good.substr(0, 4)), kViewErrPeakRead);
    EXPECT_EQ(loadFresh(""), kViewErrPeakRead);
    // Trailing bytes are not the display's business.
    EXPECT_EQ(loadFresh(good + "xyz"), 0);

    ::unlink(cvp.c_str());
    EXPECT_EQ(b.model.LoadPeaks(cvp), kViewErrPeakOpen);
    EXPECT_EQ(b.model.LoadPeaks(""), kViewErrNoPeakName);
    WaveViewModel none;
    EXPECT_EQ(none.LoadPeaks(cvp), kViewErrNoFile);
    EXPECT_EQ(none.SavePeaks(cvp), kViewErrNoFile);
    EXPECT_EQ(b.model.SavePeaks(""), kViewErrNoPeakName);
}

TEST(PeakFile, AFileWithoutFramesHasNothingToLoad) {
    TempDir dir;
    writeWav(dir.file("e.wav"), 1, 16, {});
    setWriteTime(dir.file("e.wav"), 1000);
    writeBytes(dir.file("e.cvp"), std::string(6, '\0'));
    WaveViewModel m;
    m.setClientSize(10, 10);
    ASSERT_EQ(m.OpenWaveFile(dir.file("e.wav")), 0);
    EXPECT_EQ(m.LoadPeaks(dir.file("e.cvp")), kViewErrNothingToDraw);
}

using testing::FileSizeLimit;

TEST(PeakFile, AFailedWriteKeepsTheOldFileWhole) {
    TempDir dir;
    Built b(dir.file("a.wav"), 2, 40000);
    const std::string cvp = dir.file("a.cvp");
    writeBytes(cvp, "old contents");
    {
        FileSizeLimit limit(1000);
        EXPECT_EQ(b.model.SavePeaks(cvp), kViewErrPeakWrite);
    }
    EXPECT_EQ(readBytes(cvp), "old contents");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.cvp", "a.wav"}));
    EXPECT_EQ(b.model.SavePeaks(dir.file("gone/a.cvp")), kViewErrPeakCreate);
}

TEST(RemovePeakRange, DropsOnlyBlocksWhollyInsideTheRange) {
    // Eight blocks whose minimum tells their number.
    std::vector<PeakData::Channel> old(2);
    for (std::int16_t k = 0; k < 8; ++k) {
        old[0].push_back({k, static_cast<std::int16_t>(k + 100)});
        old[1].push_back({static_cast<std::int16_t>(-k), 0});
    }
    // 256 frames; delete [40, 150): blocks 2, 3 lie wholly inside (64..127); 1 and 4 in part.
    const auto out = RemovePeakBlocks(old, 256 - 110, 40, 150);
    ASSERT_EQ(out.size(), 2u);
    ASSERT_EQ(out[0].size(), 5u);  // ceil(146 / 32)
    const std::int16_t kept[] = {0, 1, 4, 5, 6};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(out[0][i].minimum, kept[i]);
        EXPECT_EQ(out[1][i].minimum, -kept[i]);
    }
    // A range inside one block drops nothing; the array just gets shorter.
    const auto inner = RemovePeakBlocks(old, 256 - 10, 33, 43);
    ASSERT_EQ(inner[0].size(), 8u);
    EXPECT_EQ(inner[0][7].minimum, 7);
    // Deleting exactly the first two blocks.
    const auto head = RemovePeakBlocks(old, 192, 0, 64);
    ASSERT_EQ(head[0].size(), 6u);
    EXPECT_EQ(head[0][0].minimum, 2);
}

TEST(RemovePeakRange, UpdatesTheDisplaysTotalAndPeaks) {
    TempDir dir;
    Built b(dir.file("a.wav"), 1, 256);
    const PeakData::Channel before = b.model.peaks().channel(0);
    ASSERT_EQ(b.model.RemovePeakRange(150, 40), 0);  // either order
    EXPECT_EQ(b.model.TotalSamples(), 146u);
    const PeakData::Channel expected = {before[0], before[1], before[4], before[5], before[6]};
    EXPECT_EQ(b.model.peaks().channel(0), expected);

    // A range running past the end is cut to the file, never wrapping the total.
    ASSERT_EQ(b.model.RemovePeakRange(100, 5000), 0);
    EXPECT_EQ(b.model.TotalSamples(), 100u);
    EXPECT_EQ(b.model.peaks().blockCount(), 4u);

    // Removing everything leaves an empty view.
    b.model.setCaret(50);
    b.model.setSelection(10, 20);
    ASSERT_EQ(b.model.RemovePeakRange(0, 100), 0);
    EXPECT_EQ(b.model.TotalSamples(), 0u);
    EXPECT_TRUE(b.model.peaks().empty());
    EXPECT_EQ(b.model.ZoomLevel(), 1u);
    EXPECT_EQ(b.model.caret(), 0u);
    EXPECT_EQ(b.model.SelectionEndPos(), 0u);
}

// The patch after a removal against a full scan of the file the removal left: ranges on and
// off block boundaries, whole blocks and not, at the head, inside one block and at the tail,
// plus random ones, for every sample layout.
TEST(PatchPeaksAfterRemoval, GivesWhatAFullScanOfTheShorterFileGives) {
    struct Layout {
        int channels, bits;
    };
    TempDir dir;
    std::uint32_t seed = 11;
    for (const Layout l : {Layout{1, 8}, Layout{2, 8}, Layout{1, 16}, Layout{2, 16}}) {
        const std::uint32_t frames = 4000 + 13 * l.channels;
        const std::vector<int> values = l.bits == 16 ? noise(frames * l.channels, -32768, 32767)
                                                     : noise(frames * l.channels, 0, 255);
        const auto old = testing::naivePeaks(values, l.channels);
        writeWav(dir.file("before.wav"), l.channels, l.bits, values);
        SampleFile before;
        ASSERT_EQ(before.open(dir.file("before.wav")), 0);
        std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges = {{0, 32},
                                                                       {64, 128},
                                                                       {40, 150},
                                                                       {33, 43},
                                                                       {100, 164},
                                                                       {0, 1},
                                                                       {5, 5},
                                                                       {frames - 7, frames},
                                                                       {frames - 40, frames},
                                                                       {0, frames - 1},
                                                                       {31, 32},
                                                                       {17, frames - 1},
                                                                       {3200, 3200 + 320}};
        for (int i = 0; i < 20; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const std::uint32_t a = (seed >> 8) % (frames + 1);
            seed = seed * 1664525u + 1013904223u;
            const std::uint32_t b = (seed >> 8) % (frames + 1);
            ranges.emplace_back(std::min(a, b), std::max(a, b));
        }
        for (const auto& [start, end] : ranges) {
            SCOPED_TRACE(::testing::Message() << l.channels << "x" << l.bits << " removing ["
                                              << start << ", " << end << ")");
            std::vector<int> rest = values;
            rest.erase(rest.begin() + start * l.channels, rest.begin() + end * l.channels);
            const std::string path = dir.file("cut.wav");
            writeWav(path, l.channels, l.bits, rest);
            SampleFile file;
            ASSERT_EQ(file.open(path), 0);
            const auto expected = testing::naivePeaks(rest, l.channels);
            std::vector<PeakData::Channel> patched = old;
            ASSERT_EQ(PatchPeaksAfterRemoval(patched, file, start, end), 0);
            EXPECT_EQ(patched, expected) << "from the file after";
            std::vector<PeakData::Channel> out;
            ASSERT_EQ(PatchPeaksForRemoval(old, before, start, end, out), 0);
            EXPECT_EQ(out, expected) << "from the file before";
            ASSERT_EQ(PatchPeaksFromAfter(old, file, start, end, out), 0);
            EXPECT_EQ(out, expected) << "from the file after, into new arrays";
        }
    }
}

TEST(PatchPeaksAfterRemoval, RefusesPeaksOrRangesThatDoNotFitTheFile) {
    TempDir dir;
    const std::vector<int> values = noise(2 * 500, -100, 100);
    writeWav(dir.file("a.wav"), 2, 16, values);
    SampleFile file;
    ASSERT_EQ(file.open(dir.file("a.wav")), 0);
    const auto peaks = testing::naivePeaks(values, 2);
    // 500 frames with 100 more before the removal would need 19 blocks, not 16.
    auto patched = peaks;
    EXPECT_EQ(PatchPeaksAfterRemoval(patched, file, 10, 110), kViewErrPeakStale);
    EXPECT_EQ(patched, peaks) << "refused peaks stay as they were";
    std::vector<PeakData::Channel> one = {peaks[0]};
    EXPECT_EQ(PatchPeaksAfterRemoval(one, file, 10, 10), kViewErrPeakStale);
    EXPECT_EQ(PatchPeaksAfterRemoval(patched, file, 600, 600), kViewErrPeakStale);
    EXPECT_EQ(PatchPeaksAfterRemoval(patched, file, 7, 7), 0);
    EXPECT_EQ(patched, peaks);

    std::vector<PeakData::Channel> out;
    EXPECT_EQ(PatchPeaksForRemoval(peaks, file, 400, 501, out), kViewErrPeakStale);
    EXPECT_EQ(PatchPeaksForRemoval(one, file, 1, 2, out), kViewErrPeakStale);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(PatchPeaksForRemoval(peaks, file, 0, 500, out), 0);
    EXPECT_EQ(out, std::vector<PeakData::Channel>(2));
}

// The display after its file was really cut: the peaks are those of a fresh build.
TEST(RemovePeakRange, IsExactOnceTheFileHoldsWhatTheRemovalLeft) {
    TempDir dir;
    const std::string path = dir.file("w.wav");
    Built b(path, 2, 3000);
    std::vector<int> rest = b.values;
    rest.erase(rest.begin() + 2 * 1001, rest.begin() + 2 * 1500);
    writeWav(path, 2, 16, rest);
    ASSERT_EQ(b.model.RemovePeakRange(1500, 1001), 0);
    EXPECT_EQ(b.model.TotalSamples(), 2501u);
    EXPECT_EQ(b.model.peaks().channels(), testing::naivePeaks(rest, 2));
    RenderResult r;
    EXPECT_EQ(b.model.RenderView(b.model.MaxZoomLevel(), 0, r), 0);
}

// The peaks after a cut are worked out from the file before it while the cut is made, and taken
// once the file holds what the cut left; a removal of another range scans instead.
TEST(RemovePeakRange, TakesThePeaksPreparedWhileTheFileWasCut) {
    TempDir dir;
    const std::string path = dir.file("w.wav");
    Built b(path, 1, 2000, 8);
    b.model.PreparePeakRemoval(777, 700);
    std::vector<int> rest = b.values;
    rest.erase(rest.begin() + 700, rest.begin() + 777);
    // A new file renamed over the name, as edits do. Its samples after the cut differ from the
    // old ones here, only to tell the prepared peaks from a scan of the new file.
    std::vector<int> scanned = rest;
    for (std::size_t i = 1500; i < scanned.size(); ++i) scanned[i] = 0;
    writeWav(path + ".new", 1, 8, scanned);
    ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
    ASSERT_EQ(b.model.RemovePeakRange(700, 777), 0);
    EXPECT_EQ(b.model.TotalSamples(), 1923u);
    EXPECT_EQ(b.model.peaks().channels(), testing::naivePeaks(rest, 1));

    // Prepared for one range, removed another: the file is scanned.
    b.model.PreparePeakRemoval(0, 100);
    std::vector<int> shorter = scanned;
    shorter.erase(shorter.begin() + 300, shorter.begin() + 400);
    writeWav(path + ".new", 1, 8, shorter);
    ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
    ASSERT_EQ(b.model.RemovePeakRange(300, 400), 0);
    EXPECT_EQ(b.model.peaks().channels(), testing::naivePeaks(shorter, 1));
}

// The overview shows the main display's peaks without a copy; a cut then patches the display's
// peaks into new arrays and leaves the overview's as they were until it takes the new ones.
TEST(SharePeaksOf, TheOverviewSharesAndACutLeavesItsPeaksAlone) {
    TempDir dir;
    const std::string path = dir.file("w.wav");
    Built b(path, 2, 3000);
    const auto before = testing::naivePeaks(b.values, 2);
    WaveViewModel overview;
    overview.setClientSize(100, 40);
    EXPECT_EQ(overview.SharePeaksOf(b.model), kViewErrPeakStale) << "no file attached";
    ASSERT_EQ(overview.OpenWaveFile(path), 0);
    ASSERT_EQ(overview.SharePeaksOf(b.model), 0);
    EXPECT_EQ(&overview.peaks(), &b.model.peaks());
    EXPECT_EQ(overview.peakState(), PeakState::Built);
    RenderResult r;
    EXPECT_EQ(overview.RenderView(overview.MaxZoomLevel(), 0, r), 0);

    std::vector<int> rest = b.values;
    rest.erase(rest.begin() + 2 * 1001, rest.begin() + 2 * 1500);
    writeWav(path, 2, 16, rest);
    ASSERT_EQ(b.model.RemovePeakRange(1001, 1500), 0);
    EXPECT_EQ(b.model.peaks().channels(), testing::naivePeaks(rest, 2));
    EXPECT_EQ(overview.peaks().channels(), before) << "the overview's peaks were changed";
    // Its header still says 3000 frames: the display's peaks of 2501 are not for it.
    EXPECT_EQ(overview.SharePeaksOf(b.model), kViewErrPeakStale);
    ASSERT_EQ(overview.OpenWaveFile(path), 0);
    ASSERT_EQ(overview.SharePeaksOf(b.model), 0);
    EXPECT_EQ(overview.peaks().channels(), testing::naivePeaks(rest, 2));

    // Another file, or a display whose peaks are not built, is refused.
    Built other(dir.file("o.wav"), 2, 2501);
    EXPECT_EQ(overview.SharePeaksOf(other.model), kViewErrPeakStale);
    WaveViewModel unbuilt;
    ASSERT_EQ(unbuilt.OpenWaveFile(path), 0);
    EXPECT_EQ(overview.SharePeaksOf(unbuilt), kViewErrPeakStale);
    EXPECT_EQ(overview.peaks().channels(), testing::naivePeaks(rest, 2));
}

}  // namespace
}  // namespace sonthra
