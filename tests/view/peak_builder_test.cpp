// The peak scan and the display's build around it: values against hand-computed blocks, every
// sample layout, buffer boundaries, progress, cancelling, and the files it must refuse.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "view/peak_builder.h"
#include "view/view_errors.h"
#include "view/wave_view_model.h"
#include "view_test_support.h"

namespace sonthra {
namespace {

using testing::naivePeaks;
using testing::noise;
using testing::TempDir;
using testing::writeWav;

// A model attached to path with a client area, ready to build.
struct Attached {
    explicit Attached(const std::string& path) {
        model.setClientSize(400, 100);
        opened = model.OpenWaveFile(path);
    }
    int build() { return model.BuildPeaks(progress); }
    WaveViewModel model;
    std::atomic<std::int32_t> progress{-1};
    int opened = -1;
};

TEST(PeakBuild, StereoBlocksMatchHandComputedValues) {
    // Left: frame f of block k is (f mod 32) x 100 - 1000 k, so block k spans
    // [-1000 k, 3100 - 1000 k]; right is the negated left. 5 whole blocks and 7 frames.
    std::vector<int> values;
    const int frames = 5 * 32 + 7;
    for (int f = 0; f < frames; ++f) {
        const int v = (f % 32) * 100 - 1000 * (f / 32);
        values.push_back(v);
        values.push_back(-v);
    }
    TempDir dir;
    writeWav(dir.file("a.wav"), 2, 16, values);
    Attached a(dir.file("a.wav"));
    ASSERT_EQ(a.opened, 0);
    ASSERT_EQ(a.build(), 0);
    EXPECT_EQ(a.progress.load(), 100);
    EXPECT_EQ(a.model.peakState(), PeakState::Built);
    const PeakData& peaks = a.model.peaks();
    ASSERT_EQ(peaks.channelCount(), 2u);
    ASSERT_EQ(peaks.blockCount(), 6u);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(peaks.channel(0)[k], (TPeak{static_cast<std::int16_t>(-1000 * k),
                                              static_cast<std::int16_t>(3100 - 1000 * k)}));
        EXPECT_EQ(peaks.channel(1)[k], (TPeak{static_cast<std::int16_t>(1000 * k - 3100),
                                              static_cast<std::int16_t>(1000 * k)}));
    }
    // The last block summarises only its 7 frames: 0..600 less 5000.
    EXPECT_EQ(peaks.channel(0)[5], (TPeak{-5000, -4400}));
    EXPECT_EQ(peaks.channel(1)[5], (TPeak{4400, 5000}));
}

TEST(PeakBuild, EveryLayoutAcrossSeveralReadsMatchesTheSlowScan) {
    struct Case {
        int channels, bits;
    };
    TempDir dir;
    for (const Case c : {Case{1, 8}, Case{2, 8}, Case{1, 16}, Case{2, 16}}) {
        SCOPED_TRACE(::testing::Message() << c.channels << " channel(s), " << c.bits << " bits");
        // More than two reads, ending in a part block, with the extreme values present.
        const std::size_t frames = (2 * kPeakReadBytes) / (c.channels * c.bits / 8) + 1000 + 13;
        std::vector<int> values = c.bits == 16 ? noise(frames * c.channels, -32768, 32767)
                                               : noise(frames * c.channels, 0, 255);
        values[5] = c.bits == 16 ? -32768 : 0;
        values[values.size() - 1] = c.bits == 16 ? 32767 : 255;
        const std::string path = dir.file("n.wav");
        writeWav(path, c.channels, c.bits, values);
        Attached a(path);
        ASSERT_EQ(a.opened, 0);
        ASSERT_EQ(a.build(), 0);
        EXPECT_EQ(a.model.peaks().channels(), naivePeaks(values, c.channels));
        EXPECT_EQ(a.model.TotalSamples(), frames);
    }
}

// Across several windows of the memory map, ending in a part block: the map and plain reads
// give the blocks of the slow scan.
TEST(PeakBuild, MappedAndReadScansAgreeAcrossMapWindows) {
    TempDir dir;
    for (const int channels : {1, 2}) {
        const int bits = channels == 2 ? 16 : 8;
        const std::size_t frames = (2 * kPeakMapBytes) / (channels * bits / 8) + 77;
        const std::vector<int> values = bits == 16 ? noise(frames * channels, -32768, 32767, 7)
                                                   : noise(frames * channels, 0, 255, 7);
        const std::string path = dir.file("m.wav");
        writeWav(path, channels, bits, values);
        for (const bool map : {true, false}) {
            SCOPED_TRACE(::testing::Message() << channels << " channel(s), map " << map);
            SampleFile file;
            ASSERT_EQ(file.open(path), 0);
            file.allowMapping(map);
            EXPECT_EQ(file.mapped(), map);
            std::vector<PeakData::Channel> out;
            std::atomic<std::int32_t> progress{0};
            std::atomic<PeakState> state{PeakState::Building};
            ASSERT_EQ(ScanPeaks(file, out, progress, state), 0);
            EXPECT_EQ(out, naivePeaks(values, channels));
            EXPECT_EQ(progress.load(), 99);
        }
    }
}

TEST(SampleFile, TheMapShowsTheBytesReadsGetAndRefusesWhatTheFileNoLongerHolds) {
    TempDir dir;
    const std::string path = dir.file("v.wav");
    const std::vector<int> values = noise(300000 * 2, -32768, 32767, 3);
    writeWav(path, 2, 16, values);
    SampleFile file;
    ASSERT_EQ(file.open(path), 0);
    ASSERT_TRUE(file.mapped());
    std::vector<unsigned char> read(5000);
    ASSERT_EQ(file.read(777, read.data(), read.size()), 5000);
    const unsigned char* seen = file.view(777, 5000);
    ASSERT_NE(seen, nullptr);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), seen));
    EXPECT_EQ(file.view(file.dataBytes(), 10), nullptr);
    // Cut short after opening: what lies past the new end is refused, not a crash.
    ASSERT_EQ(::truncate(path.c_str(), 46 + 4096), 0);
    EXPECT_EQ(file.view(600000, 4096), nullptr);
}

TEST(PeakBuild, EveryStereoKernelGivesTheSameBlocks) {
    // Extremes at every position of a block, so that a lane mixed up between the channels or
    // lost in a reduction step shows.
    const std::size_t blocks = 200;
    std::vector<int> values = noise(blocks * 64, -32768, 32767, 5);
    for (std::size_t b = 0; b < blocks; ++b) {
        values[b * 64 + (b % 64)] = b % 2 ? 32767 : -32768;
    }
    const std::string bytes = testing::sampleBytes(values, 16);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto want = naivePeaks(values, 2);
    for (const PeakKernel kernel : {PeakKernel::Plain, PeakKernel::Sse2, PeakKernel::Avx2}) {
        PeakData::Channel left(blocks), right(blocks);
        if (!ScanStereo16(kernel, p, blocks, left.data(), right.data())) continue;
        EXPECT_EQ(left, want[0]) << "kernel " << static_cast<int>(kernel);
        EXPECT_EQ(right, want[1]) << "kernel " << static_cast<int>(kernel);
    }
}

TEST(PeakBuild, ProgressRisesToNinetyNineThenEndsAtHundred) {
    TempDir dir;
    const std::size_t frames = 6 * kPeakReadBytes / 4;
    writeWav(dir.file("p.wav"), 2, 16, noise(frames * 2, -100, 100));
    Attached a(dir.file("p.wav"));
    ASSERT_EQ(a.opened, 0);
    std::vector<int> seen;
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        while (!done.load()) {
            const int p = a.progress.load();
            if (seen.empty() || seen.back() != p) seen.push_back(p);
        }
    });
    const int code = a.build();
    done = true;
    watcher.join();
    ASSERT_EQ(code, 0);
    EXPECT_EQ(a.progress.load(), 100);
    int last = -1;
    for (int p : seen) {
        if (p == -1) continue;  // before the build wrote its first value
        EXPECT_GE(p, last);
        if (p != 100) {
            EXPECT_LE(p, 99);
        }
        last = p;
    }
}

TEST(PeakBuild, ProgressFormulaPassesFortyNineAtHalfWay) {
    EXPECT_EQ(roundHalfEven(99 * 1, 2), 50);  // 49.5 rounds to the even 50
    EXPECT_EQ(roundHalfEven(99 * 49, 100), 49);
    EXPECT_EQ(roundHalfEven(5, 2), 2);
    EXPECT_EQ(roundHalfEven(7, 2), 4);
    EXPECT_EQ(roundHalfEven(99, 99), 1);
}

TEST(PeakBuild, ScanStopsAtOnceWhenNotBuilding) {
    TempDir dir;
    writeWav(dir.file("c.wav"), 1, 16, noise(5000, -10, 10));
    SampleFile file;
    ASSERT_EQ(file.open(dir.file("c.wav")), 0);
    std::vector<PeakData::Channel> out{PeakData::Channel(3)};
    std::atomic<std::int32_t> progress{0};
    std::atomic<PeakState> state{PeakState::CancelRequested};
    EXPECT_EQ(ScanPeaks(file, out, progress, state), kViewErrCancelled);
    EXPECT_TRUE(out.empty());
}

TEST(PeakBuild, CancelFromAnotherThreadEndsWithCancelledAndNoPeaks) {
    // A large sparse file (no disk used) takes long enough to read that the cancel lands.
    TempDir dir;
    const std::string path = dir.file("big.wav");
    const std::uint32_t dataBytes = 1500u * 1024 * 1024;
    std::string header = testing::riff("WAVE",
                                       {testing::chunk("fmt ", testing::fmtBody(2, 44100, 16)),
                                        testing::chunkWithSize("data", dataBytes, "")},
                                       static_cast<long long>(4 + 26 + 8 + dataBytes));
    testing::writeBytes(path, header);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(header.size() + dataBytes)), 0);

    Attached a(path);
    ASSERT_EQ(a.opened, 0);
    int code = -1;
    std::thread worker([&] { code = a.build(); });
    while (a.progress.load() < 1) std::this_thread::yield();
    a.model.CancelPeakBuild();
    worker.join();
    EXPECT_EQ(code, kViewErrCancelled);
    EXPECT_EQ(a.progress.load(), 100);
    EXPECT_TRUE(a.model.peaks().empty());
    // The file stays attached without peaks: a render now reports that nothing can be drawn.
    EXPECT_EQ(a.model.peakState(), PeakState::FileSet);
    RenderResult r;
    EXPECT_EQ(a.model.RenderView(32, 0, r), kViewErrNothingToDraw);
    EXPECT_EQ(a.model.lastError(), kViewErrNothingToDraw);
}

TEST(PeakBuild, CancelOutsideABuildChangesNothing) {
    TempDir dir;
    writeWav(dir.file("a.wav"), 1, 16, {1, 2, 3});
    Attached a(dir.file("a.wav"));
    a.model.CancelPeakBuild();
    EXPECT_EQ(a.model.peakState(), PeakState::FileSet);
    EXPECT_EQ(a.build(), 0);
    EXPECT_EQ(a.model.peakState(), PeakState::Built);
}

TEST(PeakBuild, DataThatVanishesWhileReadingIsAReadError) {
    TempDir dir;
    const std::string path = dir.file("t.wav");
    writeWav(path, 2, 16, noise(20000 * 2, -5, 5));
    SampleFile file;
    ASSERT_EQ(file.open(path), 0);
    ASSERT_EQ(::truncate(path.c_str(), 46 + 1000), 0);
    std::vector<PeakData::Channel> out;
    std::atomic<std::int32_t> progress{0};
    std::atomic<PeakState> state{PeakState::Building};
    EXPECT_EQ(ScanPeaks(file, out, progress, state), kViewErrCannotRead);
    EXPECT_TRUE(out.empty());
}

TEST(PeakBuild, AnEmptyFileLeavesNoPeaksAndAnEmptyView) {
    TempDir dir;
    writeWav(dir.file("e.wav"), 2, 16, {});
    Attached a(dir.file("e.wav"));
    ASSERT_EQ(a.opened, 0);
    EXPECT_EQ(a.model.ZoomLevel(), 32u);
    EXPECT_EQ(a.build(), 0);
    EXPECT_TRUE(a.model.peaks().empty());
    EXPECT_EQ(a.model.ZoomLevel(), 1u);
    EXPECT_EQ(a.model.MaxZoomLevel(), 1u);
    RenderResult r;
    EXPECT_EQ(a.model.RenderView(1, 0, r), 0);
    EXPECT_EQ(r.kind, RenderKind::Empty);
}

TEST(PeakBuild, WithoutFileOrClientAreaNothingHappens) {
    WaveViewModel none;
    none.setClientSize(10, 10);
    std::atomic<std::int32_t> progress{0};
    EXPECT_EQ(none.BuildPeaks(progress), 0);
    EXPECT_EQ(none.peakState(), PeakState::Idle);

    TempDir dir;
    writeWav(dir.file("a.wav"), 1, 16, {1, 2, 3});
    Attached a(dir.file("a.wav"));
    a.model.setClientSize(0, 10);
    EXPECT_EQ(a.build(), 0);
    EXPECT_TRUE(a.model.peaks().empty());
    EXPECT_EQ(a.model.peakState(), PeakState::FileSet);
}

TEST(PeakBuild, TheBuildSeesAFileChangedSinceItWasAttached) {
    TempDir dir;
    const std::string path = dir.file("a.wav");
    writeWav(path, 1, 16, noise(100, -9, 9));
    Attached a(path);
    ASSERT_EQ(a.opened, 0);
    const std::vector<int> longer = noise(2 * 300, -9, 9, 7);
    writeWav(path, 2, 16, longer);
    ASSERT_EQ(a.build(), 0);
    EXPECT_EQ(a.model.TotalSamples(), 300u);
    EXPECT_EQ(a.model.format().channels, 2);
    EXPECT_EQ(a.model.peaks().channels(), naivePeaks(longer, 2));

    testing::writeBytes(path, testing::wavBytes(6, 44100, 16, std::string(120, '\0')));
    EXPECT_EQ(a.build(), kViewErrUnsupported);
    EXPECT_TRUE(a.model.peaks().empty());
}

TEST(OpenWaveFile, RefusesWhatTheDisplayCannotShow) {
    TempDir dir;
    const std::string path = dir.file("x.wav");
    WaveViewModel m;
    m.setClientSize(100, 50);

    testing::writeBytes(path, testing::wavBytes(1, 44100, 24, std::string(30, '\0')));
    EXPECT_EQ(m.OpenWaveFile(path), kViewErrUnsupported);
    testing::writeBytes(path, testing::wavBytes(6, 44100, 16, std::string(120, '\0')));
    EXPECT_EQ(m.OpenWaveFile(path), kViewErrUnsupported);
    // Stereo 16-bit that claims 3 bytes per frame.
    std::string fmt = testing::fmtBody(2, 44100, 16);
    fmt[12] = 3;
    testing::writeBytes(path, testing::riff("WAVE", {testing::chunk("fmt ", fmt),
                                                     testing::chunk("data", std::string(12, 1))}));
    EXPECT_EQ(m.OpenWaveFile(path), kViewErrUnsupported);

    EXPECT_EQ(m.OpenWaveFile(dir.file("missing.wav")), kViewErrCannotOpen);
    testing::writeBytes(path, "not a riff file at all");
    EXPECT_EQ(m.OpenWaveFile(path), kViewErrNotWave);
    testing::writeBytes(path, testing::riff("WAVE", {testing::chunk("data", "abcd")}));
    EXPECT_EQ(m.OpenWaveFile(path), kViewErrNoFmt);
    testing::writeBytes(path, testing::riff("WAVE", {testing::chunk("fmt ", "short")}));
    EXPECT_EQ(m.OpenWaveFile(path), kViewErrFmtShort);
    testing::writeBytes(
        path, testing::riff("WAVE", {testing::chunk("fmt ", testing::fmtBody(1, 8000, 8))}));
    EXPECT_EQ(m.OpenWaveFile(path), kViewErrNoData);
    EXPECT_EQ(m.lastError(), kViewErrNoData);
    EXPECT_FALSE(m.hasFile());
    EXPECT_EQ(m.OpenWaveFile(""), 0);
    EXPECT_FALSE(m.hasFile());
}

TEST(ViewErrors, CodesMapToTheirMessages) {
    const std::pair<int, int> table[] = {{0, 0},     {112, 0},   {101, 103}, {102, 108}, {103, 161},
                                         {104, 109}, {105, 111}, {106, 104}, {107, 165}, {108, 164},
                                         {109, 158}, {110, 129}, {111, 166}, {113, 105}, {114, 411},
                                         {115, 412}, {116, 413}, {117, 369}, {118, 414}, {119, 415},
                                         {120, 368}, {121, 417}, {100, 168}, {122, 168}, {-1, 168}};
    for (const auto& [code, message] : table) {
        EXPECT_EQ(ViewErrorToMessage(code), message) << "code " << code;
    }
}

}  // namespace
}  // namespace sonthra
