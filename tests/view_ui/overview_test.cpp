// The overview, its frame and the glue to the main display: the frame follows the display,
// dragging and resizing it re-renders the display once the drag is over, and the overview is
// built from or saved to the peak file.
#include <gtest/gtest.h>

#include "display_fixture.h"
#include "view/peak_file.h"
#include "view/ui/overview_link.h"
#include "view/view_errors.h"

namespace sonthra {
namespace {

using testing::buildOnWorker;
using testing::loudStretch;
using testing::TempDir;
using testing::writeWav;

// Drags the frame with the left button from one point to another, in frame coordinates.
void dragFrame(QWidget* frame, QPoint from, QPoint to) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(from), frame->mapToGlobal(QPointF(from)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &press);
    // Positions of a move are where the pointer is now, relative to where the frame now is.
    const QPoint global = frame->mapToGlobal(to);
    const QPointF local = frame->mapFromGlobal(QPointF(global));
    QMouseEvent move(QEvent::MouseMove, local, QPointF(global), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(frame, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(global), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &release);
}

struct Pair {
    Pair() {
        path = dir.file("a.wav");
        writeWav(path, 1, 16, loudStretch(100000, 0, 100000));
        main.resize(202, 62);
        overview.resize(202, 32);
        main.show();
        overview.show();
        EXPECT_EQ(main.OpenWaveFile(path), 0);
        EXPECT_EQ(buildOnWorker(main), 0);
        EXPECT_EQ(overview.OpenWaveFile(path), 0);
        EXPECT_EQ(buildOnWorker(overview), 0);
        EXPECT_EQ(overview.RenderView(overview.MaxZoomLevel(), 0), 0);
        link.setDisplays(&main, &overview);
        link.setScale(&scale);
        link.setOnZoomText([this](const QString& text) { zoomText = text; });
    }
    TempDir dir;
    std::string path;
    RIZI32DaziVereruz main;
    TLUM32Overview overview;
    TLUM32Scale scale;
    OverviewLink link;
    QString zoomText;
};

TEST(Overview, StartsWithoutCaretKeysOrMouseAndShowsItsFrameOnOpening) {
    TLUM32Overview overview;
    EXPECT_FALSE(overview.ShowCaret());
    EXPECT_FALSE(overview.EnableKeyboardSupport());
    EXPECT_FALSE(overview.EnableMouseSupport());
    EXPECT_FALSE(overview.TabStop());
    EXPECT_FALSE(overview.frame()->isVisibleTo(&overview));

    TempDir dir;
    writeWav(dir.file("a.wav"), 1, 16, loudStretch(1000, 0, 0));
    overview.resize(202, 32);
    ASSERT_EQ(overview.OpenWaveFile(dir.file("a.wav")), 0);
    EXPECT_TRUE(overview.frame()->isVisibleTo(&overview));
    // Over the whole client area and 40 pixels beyond its top and bottom.
    EXPECT_EQ(overview.frame()->frameLeft(), 0);
    EXPECT_EQ(overview.frame()->frameWidth(), 200);
    EXPECT_EQ(overview.frame()->geometry().top(), 1 - 40);
    EXPECT_EQ(overview.frame()->height(), 30 + 80);
}

TEST(Overview, TheFrameFollowsTheMainDisplay) {
    Pair p;
    EXPECT_EQ(p.overview.MaxZoomLevel(), 501u);
    ASSERT_EQ(p.main.RenderView(100, 25050), 0);  // 20,000 frames from 25,050
    p.link.SyncOverviewFrame();
    EXPECT_EQ(p.overview.frame()->frameLeft(), 50);
    EXPECT_EQ(p.overview.frame()->frameWidth(), 39);
    // Following the display never renders it again.
    QApplication::processEvents();
    EXPECT_EQ(p.main.ZoomLevel(), 100u);
    EXPECT_EQ(p.main.LeftSamplePos(), 25050u);
    EXPECT_TRUE(p.zoomText.isEmpty());
}

TEST(Overview, DraggingTheFrameScrollsTheMainDisplayOnceTheMoveIsOver) {
    Pair p;
    ASSERT_EQ(p.main.RenderView(100, 0), 0);
    p.link.SyncOverviewFrame();
    ASSERT_EQ(p.overview.frame()->frameWidth(), 39);
    TLUM32OViewFrame* frame = p.overview.frame();
    dragFrame(frame, {20, 50}, {60, 80});  // 40 right, 30 down
    EXPECT_EQ(frame->frameLeft(), 40);
    EXPECT_EQ(frame->geometry().top(), 1 - 40);  // vertical moves are refused
    // The render waits for the event queue.
    EXPECT_EQ(p.main.LeftSamplePos(), 0u);
    QApplication::processEvents();
    EXPECT_EQ(p.main.LeftSamplePos(), 40u * 501);
    EXPECT_EQ(p.main.ZoomLevel(), 98u);  // ceil(39 x 501 / 200)
    EXPECT_EQ(p.zoomText, "1:98");
    EXPECT_EQ(p.scale.ZoomLevel(), 98u);
    EXPECT_EQ(p.scale.LeftSamplePos(), 40u * 501);
    EXPECT_TRUE(p.scale.IsDataAvailable());
}

TEST(Overview, TheFrameStopsAtTheOverviewsEdges) {
    Pair p;
    ASSERT_EQ(p.main.RenderView(100, 0), 0);
    p.link.SyncOverviewFrame();
    TLUM32OViewFrame* frame = p.overview.frame();
    dragFrame(frame, {20, 50}, {-500, 50});
    EXPECT_EQ(frame->frameLeft(), 0);
    dragFrame(frame, {20, 50}, {900, 50});
    EXPECT_EQ(frame->frameLeft(), 200 - 39);
    QApplication::processEvents();
    EXPECT_EQ(p.main.RightSamplePos(), 100000u);
}

TEST(Overview, ResizingTheFrameZoomsTheMainDisplay) {
    Pair p;
    ASSERT_EQ(p.main.RenderView(100, 0), 0);
    p.link.SyncOverviewFrame();
    TLUM32OViewFrame* frame = p.overview.frame();
    // Drag the right border 20 pixels left: narrower, so the display zooms in.
    dragFrame(frame, {37, 50}, {17, 50});
    EXPECT_EQ(frame->frameWidth(), 19);
    QApplication::processEvents();
    EXPECT_EQ(p.main.ZoomLevel(), 48u);  // ceil(19 x 501 / 200)
    // The left border: the right edge stays.
    dragFrame(frame, {1, 50}, {-30, 50});
    EXPECT_EQ(frame->frameLeft(), 0);
    EXPECT_EQ(frame->frameWidth(), 19);
    // Never narrower than its two borders.
    dragFrame(frame, {17, 50}, {-100, 50});
    EXPECT_EQ(frame->frameWidth(), 2 * TLUM32OViewFrame::kBorder + 1);
}

TEST(Overview, TheReentryGuardAndMissingFilesKeepTheDisplayAsItIs) {
    Pair p;
    ASSERT_EQ(p.main.RenderView(100, 0), 0);
    p.link.SyncOverviewFrame();
    p.link.setReentryGuard(true);
    dragFrame(p.overview.frame(), {20, 50}, {60, 50});
    QApplication::processEvents();
    EXPECT_EQ(p.main.LeftSamplePos(), 0u);
    p.link.setReentryGuard(false);
    p.main.ResetDisplay();
    dragFrame(p.overview.frame(), {20, 50}, {40, 50});
    QApplication::processEvents();
    EXPECT_TRUE(p.zoomText.isEmpty());
}

TEST(Overview, AShortFileMapsPixelForFrame) {
    TempDir dir;
    writeWav(dir.file("s.wav"), 1, 16, loudStretch(150, 0, 150));
    TLUM32Overview overview;
    overview.resize(202, 32);
    ASSERT_EQ(overview.OpenWaveFile(dir.file("s.wav")), 0);
    ASSERT_EQ(buildOnWorker(overview), 0);
    ASSERT_EQ(overview.RenderView(overview.MaxZoomLevel(), 0), 0);
    EXPECT_EQ(overview.MaxZoomLevel(), 1u);
    EXPECT_EQ(overview.ZoomLevel(), 1u);
}

TEST(BuildOverview, LoadsTheCurrentPeakFileOrBuildsAndSavesOne) {
    TempDir dir;
    const std::string path = dir.file("a.wav");
    writeWav(path, 2, 16, testing::noise(2 * 50000, -1000, 1000));
    TLUM32Overview overview;
    overview.resize(202, 32);
    int builds = 0;
    const PeakBuildRunner run = [&](RIZI32DaziVereruz& d, const QString& caption) {
        EXPECT_EQ(caption, "Building Overview Peaks...");
        ++builds;
        return RunPeakBuildAndWait(d, caption);
    };
    std::vector<int> messages;
    auto show = [&](int m) { messages.push_back(m); };

    ASSERT_EQ(BuildOverview(overview, path, true, true, dir.path(), run, show), 0);
    EXPECT_EQ(builds, 1);
    EXPECT_TRUE(testing::exists(dir.file("a.cvp")));
    EXPECT_EQ(overview.ZoomLevel(), overview.MaxZoomLevel());
    EXPECT_EQ(overview.RightSamplePos(), 50000u);

    // Again: the peak file is current, so there is no scan.
    ASSERT_EQ(BuildOverview(overview, path, true, true, dir.path(), run, show), 0);
    EXPECT_EQ(builds, 1);
    // Without trying the peak file it scans.
    ASSERT_EQ(BuildOverview(overview, path, false, false, dir.path(), run, show), 0);
    EXPECT_EQ(builds, 2);
    EXPECT_TRUE(messages.empty());
}

// The display and the overview show the document's peak model, as in the window: after an edit
// the overview takes the display's peaks, with no peak file and no scan.
TEST(BuildOverview, TakesTheDisplaysPeaksOfTheSameFile) {
    TempDir dir;
    const std::string path = dir.file("a.wav");
    writeWav(path, 2, 16, testing::noise(2 * 50000, -1000, 1000));
    auto peaks = std::make_shared<PeakModel>();
    RIZI32DaziVereruz display;
    display.resize(400, 60);
    display.observe(peaks);
    TLUM32Overview overview;
    overview.resize(202, 32);
    overview.observe(peaks);
    int builds = 0;
    const PeakBuildRunner run = [&](RIZI32DaziVereruz& d, const QString& caption) {
        ++builds;
        return RunPeakBuildAndWait(d, caption);
    };
    auto show = [](int) {};
    // Not built yet: the overview builds them, for the display too.
    ASSERT_EQ(display.OpenWaveFile(path), 0);
    ASSERT_EQ(BuildOverview(overview, path, false, true, dir.path(), run, show, &display), 0);
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(display.model().peakState(), PeakState::Built);
    ASSERT_EQ(RunPeakBuildAndWait(display, {}), 0);
    std::remove(dir.file("a.cvp").c_str());
    ASSERT_EQ(BuildOverview(overview, path, true, true, dir.path(), run, show, &display), 0);
    EXPECT_EQ(builds, 1);
    EXPECT_FALSE(testing::exists(dir.file("a.cvp")));
    EXPECT_EQ(&overview.model().peaks(), &display.model().peaks());
    EXPECT_EQ(overview.RightSamplePos(), 50000u);
    EXPECT_TRUE(overview.frame()->isVisibleTo(&overview));
    // Peaks the display loaded from its peak file are shared the same way.
    ASSERT_EQ(display.SavePeaks(dir.file("a.cvp")), 0);
    ASSERT_EQ(display.OpenWaveFile(path), 0);
    ASSERT_EQ(display.LoadPeaks(dir.file("a.cvp")), 0);
    std::remove(dir.file("a.cvp").c_str());
    ASSERT_EQ(BuildOverview(overview, path, true, true, dir.path(), run, show, &display), 0);
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(&overview.model().peaks(), &display.model().peaks());
    // An overview emptied by a failure shows the document's file again.
    overview.ResetDisplay();
    EXPECT_FALSE(overview.frame()->isVisibleTo(&overview));
    ASSERT_EQ(BuildOverview(overview, path, true, true, dir.path(), run, show, &display), 0);
    EXPECT_EQ(builds, 1);
    EXPECT_TRUE(overview.model().showsModelOf(display.model()));
    EXPECT_TRUE(overview.frame()->isVisibleTo(&overview));
    // An overview of a model of its own attaches the file and then shares the display's peaks.
    TLUM32Overview alone;
    alone.resize(202, 32);
    ASSERT_EQ(BuildOverview(alone, path, false, true, dir.path(), run, show, &display), 0);
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(&alone.model().peaks(), &display.model().peaks());
}

TEST(BuildOverview, AFailureLeavesTheOverviewEmptyAndIsShown) {
    TempDir dir;
    TLUM32Overview overview;
    overview.resize(202, 32);
    std::vector<int> messages;
    const int code = BuildOverview(overview, dir.file("missing.wav"), true, true, dir.path(),
                                   RunPeakBuildAndWait, [&](int m) { messages.push_back(m); });
    EXPECT_EQ(code, kViewErrCannotOpen);
    EXPECT_EQ(messages, std::vector<int>{103});
    EXPECT_TRUE(overview.WaveFileName().empty());
    EXPECT_FALSE(overview.frame()->isVisibleTo(&overview)) << "no frame over nothing";

    // A cancelled build: message 129, and the overview is reset.
    writeWav(dir.file("b.wav"), 1, 16, loudStretch(1000, 0, 0));
    messages.clear();
    const PeakBuildRunner cancelled = [](RIZI32DaziVereruz&, const QString&) {
        return kViewErrCancelled;
    };
    EXPECT_EQ(BuildOverview(overview, dir.file("b.wav"), false, true, dir.path(), cancelled,
                            [&](int m) { messages.push_back(m); }),
              kViewErrCancelled);
    EXPECT_EQ(messages, std::vector<int>{129});
    EXPECT_TRUE(overview.WaveFileName().empty());
    EXPECT_EQ(overview.peakState(), PeakState::Idle);
    EXPECT_FALSE(overview.frame()->isVisibleTo(&overview));
}

}  // namespace
}  // namespace sonthra
