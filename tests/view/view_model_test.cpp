// The display's position rules without pixels: coordinate mapping, the whole-file zoom, the
// scrolling limit, the left position for a caret, resetting, and handing a build's results
// from the worker to the GUI thread.
#include <thread>

#include <gtest/gtest.h>

#include "view/overview_sync.h"
#include "view/view_errors.h"
#include "view/wave_view_model.h"
#include "view_test_support.h"

namespace sonthra {
namespace {

using testing::noise;
using testing::TempDir;
using testing::writeWav;

class ViewModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeWav(dir.file("a.wav"), 2, 16, noise(2 * 100'000, -100, 100));
        model.setClientSize(1000, 100);
        ASSERT_EQ(model.OpenWaveFile(dir.file("a.wav")), 0);
        std::atomic<std::int32_t> progress{0};
        ASSERT_EQ(model.BuildPeaks(progress), 0);
    }
    void render(std::uint32_t zoom, std::uint32_t left) {
        RenderResult r;
        ASSERT_EQ(model.RenderView(zoom, left, r), 0);
    }
    TempDir dir;
    WaveViewModel model;
};

TEST_F(ViewModelTest, PixelsAndSamplesMapThroughZoomAndLeft) {
    render(10, 5000);
    EXPECT_EQ(model.PixelToSample(0), 5000u);
    EXPECT_EQ(model.PixelToSample(7), 5070u);
    EXPECT_EQ(model.PixelToSample(-600), 0u);  // never below the start
    EXPECT_EQ(model.SampleToPixel(5079), 7);
    EXPECT_EQ(model.SampleToPixel(4990), -1);
    EXPECT_EQ(model.SampleToPixel(15000), 1000);
}

TEST_F(ViewModelTest, WholeFileZoomAndScrollingLimit) {
    EXPECT_EQ(model.MaxZoomLevel(), 101u);
    render(10, 0);
    EXPECT_EQ(model.MaxPosition(), 90'000u);
    render(10, 90'000);
    EXPECT_EQ(model.MaxPosition(), 90'000u);
    EXPECT_EQ(model.LeftSamplePos(), 90'000u);
    render(model.MaxZoomLevel(), 0);
    EXPECT_EQ(model.MaxPosition(), 0u);  // the view reaches the end
    model.setClientSize(0, 0);
    EXPECT_EQ(model.MaxZoomLevel(), 100'001u);  // a width below 1 counts as 1
}

TEST_F(ViewModelTest, LeftForPositionKeepsThePositionInView) {
    render(10, 0);                                   // span 10,000
    EXPECT_EQ(model.LeftForPosition(9'999, 0), 0u);  // still in the first screen
    EXPECT_EQ(model.LeftForPosition(10'000, 0), 10'000u);
    EXPECT_EQ(model.LeftForPosition(50'000, 50), 45'000u);
    EXPECT_EQ(model.LeftForPosition(95'000, 0), 90'000u);  // never past the last screen
}

TEST_F(ViewModelTest, ResetReturnsToTheStateAfterConstruction) {
    render(10, 300);
    model.setCaret(400);
    model.setSelection(10, 20);
    model.ResetDisplay();
    EXPECT_FALSE(model.hasFile());
    EXPECT_EQ(model.peakState(), PeakState::Idle);
    EXPECT_EQ(model.ZoomLevel(), 1u);
    EXPECT_EQ(model.LeftSamplePos(), 0u);
    EXPECT_EQ(model.TotalSamples(), 0u);
    EXPECT_EQ(model.caret(), 0u);
    EXPECT_EQ(model.SelectionEndPos(), 0u);
    EXPECT_TRUE(model.peaks().empty());
    EXPECT_EQ(model.format().channels, 0);
    EXPECT_EQ(model.MaxZoomLevel(), 1u);
}

TEST_F(ViewModelTest, ReopeningAttachesAFreshView) {
    render(10, 300);
    model.setCaret(400);
    ASSERT_EQ(model.OpenWaveFile(dir.file("a.wav")), 0);
    EXPECT_EQ(model.ZoomLevel(), 32u);
    EXPECT_EQ(model.LeftSamplePos(), 0u);
    EXPECT_EQ(model.caret(), 0u);
    EXPECT_TRUE(model.peaks().empty());
    EXPECT_EQ(model.peakState(), PeakState::FileSet);
    // A failed open keeps what was attached.
    EXPECT_EQ(model.OpenWaveFile(dir.file("none.wav")), kViewErrCannotOpen);
    EXPECT_EQ(model.WaveFileName(), dir.file("a.wav"));
}

TEST_F(ViewModelTest, CaretAndSelectionAreCutToTheTotal) {
    model.setCaret(500'000);
    EXPECT_EQ(model.caret(), 100'000u);
    model.setSelection(200'000, 5);
    EXPECT_EQ(model.SelectionStartPos(), 100'000u);
    EXPECT_EQ(model.SelectionEndPos(), 5u);
    std::string a = "x", b = "y";
    int n = 7;
    model.setLastError(113);
    EXPECT_EQ(model.GetLastErrorDetails(a, n, b), 113);
    EXPECT_TRUE(a.empty());
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(n, 0);
}

TEST_F(ViewModelTest, ABuildOnAWorkerHandsItsResultsToTheGuiThread) {
    // The file grows to three times its length; the worker re-reads it.
    const std::vector<int> longer = noise(2 * 300'000, -100, 100, 9);
    writeWav(dir.file("a.wav"), 2, 16, longer);
    std::atomic<std::int32_t> progress{0};
    int code = -1;
    std::thread worker([&] { code = model.BuildPeaks(progress); });
    worker.join();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(model.TotalSamples(), 300'000u);
    EXPECT_EQ(model.peaks().blockCount(), peakBlockCount(300'000));
    EXPECT_EQ(model.peaks().channels(), testing::naivePeaks(longer, 2));
}

TEST(OverviewSync, FrameFollowsTheMainViewAndAsksForViews) {
    // Overview rendered at 100 frames per pixel, 500 wide.
    const FrameSpan span = FrameForView(20'000, 45'000, 100, 500);
    EXPECT_EQ(span.left, 200);
    EXPECT_EQ(span.width, 250);
    EXPECT_EQ(FrameForView(0, 10'000'000, 100, 500).width, 500);  // at most the overview
    EXPECT_EQ(FrameForView(0, 50, 0, 500).width, 50);             // a zoom of 0 counts as 1

    const ViewRequest request = ViewForFrame(200, 250, 100, 1000);
    EXPECT_EQ(request.left, 20'000u);
    EXPECT_EQ(request.zoom, 25u);
    EXPECT_EQ(ViewForFrame(10, 251, 100, 1000).zoom, 26u);  // rounded up
    EXPECT_EQ(ViewForFrame(10, 0, 100, 1000).zoom, 0u);

    EXPECT_EQ(ClampFrameLeft(-30, 100, 500), 0);
    EXPECT_EQ(ClampFrameLeft(450, 100, 500), 400);
    EXPECT_EQ(ClampFrameLeft(120, 100, 500), 120);
    EXPECT_EQ(ClampFrameLeft(10, 600, 500), 0);
}

}  // namespace
}  // namespace sonthra
