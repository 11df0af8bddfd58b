// The render computations: zoom and left clamping, the effective zoom and the stretch, point
// lists from the peaks and straight from the file, vertical scaling with ties to even.
#include <gtest/gtest.h>

#include "view/view_errors.h"
#include "view/view_render.h"
#include "view/wave_view_model.h"
#include "view_test_support.h"

namespace sonthra {
namespace {

using testing::naivePeaks;
using testing::noise;
using testing::TempDir;
using testing::writeWav;

TEST(RenderPlan, ZoomAboveThirtyTwoIsDrawnWithTheNearestMultipleAndStretched) {
    const std::uint32_t total = 10'000'000;
    const RenderPlan z40 = PlanRender(40, 0, total, 800, WholeFileZoom(total, 800));
    EXPECT_TRUE(z40.fromPeaks);
    EXPECT_EQ(z40.zoom, 40u);
    EXPECT_EQ(z40.effectiveZoom, 32u);
    EXPECT_EQ(z40.columns, 800 * 40 / 32);  // squeezed into 800
    EXPECT_EQ(z40.right, 32000u);

    const RenderPlan z48 = PlanRender(48, 0, total, 800, WholeFileZoom(total, 800));
    EXPECT_EQ(z48.effectiveZoom, 64u);
    EXPECT_EQ(z48.columns, 800 * 48 / 64);  // stretched to 800

    EXPECT_EQ(EffectiveZoom(31), 31u);
    EXPECT_EQ(EffectiveZoom(32), 32u);
    EXPECT_EQ(EffectiveZoom(47), 32u);
    EXPECT_EQ(EffectiveZoom(79), 64u);
    EXPECT_EQ(EffectiveZoom(80), 96u);
    EXPECT_FALSE(PlanRender(31, 0, total, 800, 99999).fromPeaks);
    EXPECT_EQ(PlanRender(31, 0, total, 800, 99999).columns, 800);
}

TEST(RenderPlan, ZoomIsClampedAndTheLeftPulledBackAtTheEnd) {
    const std::uint32_t total = 100'000;
    const std::uint32_t max = WholeFileZoom(total, 1000);
    EXPECT_EQ(max, 101u);
    EXPECT_EQ(PlanRender(0, 0, total, 1000, max).zoom, 1u);
    const RenderPlan whole = PlanRender(5000, 0, total, 1000, max);
    EXPECT_EQ(whole.zoom, 101u);
    EXPECT_EQ(whole.effectiveZoom, 96u);
    EXPECT_EQ(whole.right, total);

    // The last frame ends up at the right edge.
    const RenderPlan end = PlanRender(10, 95'000, total, 1000, max);
    EXPECT_EQ(end.left, 90'000u);
    EXPECT_EQ(end.right, total);
    EXPECT_EQ(PlanRender(10, 4'000'000'000u, total, 1000, max).left, 90'000u);
    const RenderPlan inside = PlanRender(10, 1234, total, 1000, max);
    EXPECT_EQ(inside.left, 1234u);
    EXPECT_EQ(inside.right, 11234u);

    // A file shorter than the view is drawn from 0.
    const RenderPlan shortFile = PlanRender(1, 50, 60, 100, WholeFileZoom(60, 100));
    EXPECT_EQ(shortFile.left, 0u);
    EXPECT_EQ(shortFile.right, 60u);
}

TEST(RenderPlan, LargeFilesDoNotOverflow) {
    const std::uint32_t total = 0xFFFFFFF0u;
    const std::uint32_t max = WholeFileZoom(total, 1920);
    const RenderPlan p = PlanRender(max, 0xFFFFFF00u, total, 1920, max);
    EXPECT_EQ(p.left, 0u);
    EXPECT_EQ(p.right, total);
    EXPECT_GE(p.columns, 1900);
}

TEST(VerticalScale, RoundsToNearestWithTiesToEven) {
    EXPECT_EQ(VerticalOffset(32767, 50, 16), 50);
    EXPECT_EQ(VerticalOffset(-32767, 50, 16), -50);
    EXPECT_EQ(VerticalOffset(-32768, 50, 16), -50);
    EXPECT_EQ(VerticalOffset(0, 50, 16), 0);
    // 8-bit: centred on 128, full scale 128.
    EXPECT_EQ(VerticalOffset(128, 40, 8), 0);
    EXPECT_EQ(VerticalOffset(255, 40, 8), 40);  // 39.6875
    EXPECT_EQ(VerticalOffset(0, 40, 8), -40);
    EXPECT_EQ(VerticalOffset(192, 1, 8), 0);  // 0.5 -> 0
    EXPECT_EQ(VerticalOffset(192, 3, 8), 2);  // 1.5 -> 2
    EXPECT_EQ(VerticalOffset(192, 5, 8), 2);  // 2.5 -> 2
    EXPECT_EQ(VerticalOffset(64, 5, 8), -2);  // -2.5 -> -2
    EXPECT_EQ(VerticalOffset(64, 7, 8), -4);  // -3.5 -> -4
}

TEST(VerticalScale, LanesSplitTheHeight) {
    const LaneLayout mono = LayoutLanes(101, 1);
    EXPECT_EQ(mono.lane, 101);
    EXPECT_EQ(mono.centres, std::vector<int>{50});
    const LaneLayout stereo = LayoutLanes(101, 2);
    EXPECT_EQ(stereo.lane, 50);
    EXPECT_EQ(stereo.centres, (std::vector<int>{25, 75}));
}

TEST(PeakPoints, TwoPointsPerColumnMinimumFirstThenTheCentreLine) {
    // Blocks whose range is [k, 10 k + 10]; two blocks per column at zoom 64.
    PeakData::Channel ch;
    for (std::int16_t k = 0; k < 5; ++k) ch.push_back({k, static_cast<std::int16_t>(10 * k + 10)});
    PeakData peaks({ch});
    RenderPlan plan;
    plan.effectiveZoom = 64;
    plan.left = 32;  // starts at block 1
    plan.columns = 4;
    // halfLane 32767 makes the offset equal the value.
    const auto pts = PeakPoints(peaks, 0, plan, 40000, 32767, 16);
    const std::vector<ViewPoint> expected = {
        {0, 40000 - 1}, {0, 40000 - 30},  // blocks 1, 2
        {1, 40000 - 3}, {1, 40000 - 50},  // blocks 3, 4
        {2, 40000},     {2, 40000},       // past the blocks: centre line
        {3, 40000},     {3, 40000}};
    EXPECT_EQ(pts, expected);
}

TEST(PolylineSpans, ColumnsTakeTheirSegmentAndHalfOfEachJoin) {
    const std::vector<ViewPoint> points = {{0, 10}, {0, 2}, {1, 8}, {1, 8}, {2, 8}, {2, 0}};
    // Column 0: 2..10; the join 2 -> 8 gives rows 2..5 to column 0 and 6..8 to column 1.
    const std::vector<ColumnSpan> spans = {{2, 10}, {6, 8}, {0, 8}};
    EXPECT_EQ(PolylineSpans(points, 3, 3), spans);
    // Stretched to twice the width, each column is doubled; squeezed, the nearest is taken.
    EXPECT_EQ(PolylineSpans(points, 3, 6), (std::vector<ColumnSpan>{spans[0], spans[0], spans[1],
                                                                    spans[1], spans[2], spans[2]}));
    EXPECT_EQ(PolylineSpans(points, 3, 2), (std::vector<ColumnSpan>{spans[0], spans[2]}));
    // Neighbouring rows stay apart; a flat line is one row.
    EXPECT_EQ(PolylineSpans({{0, 5}, {0, 5}, {1, 6}, {1, 6}}, 2, 2),
              (std::vector<ColumnSpan>{{5, 5}, {6, 6}}));
    EXPECT_EQ(PolylineSpans({{0, 7}, {0, 7}, {1, 7}, {1, 7}}, 2, 2),
              (std::vector<ColumnSpan>{{7, 7}, {7, 7}}));
    // Fewer points than columns claim: only whole columns count.
    EXPECT_EQ(PolylineSpans({{0, 1}, {0, 3}, {1, 4}}, 5, 1), (std::vector<ColumnSpan>{{1, 3}}));
    for (const ColumnSpan& span : PolylineSpans({}, 0, 3)) EXPECT_GT(span.top, span.bottom);
}

TEST(PeakData, RangeAgreesWithAPlainScanAtEveryScale) {
    const std::vector<int> values = noise(300'000, -32768, 32767, 42);
    const auto arrays = naivePeaks(values, 1);
    const PeakData peaks(arrays);
    std::uint32_t x = 7;
    for (int i = 0; i < 2000; ++i) {
        x = x * 1103515245u + 12345u;
        const std::size_t a = (x >> 4) % arrays[0].size();
        x = x * 1103515245u + 12345u;
        const std::size_t n = i < 1000 ? (x >> 4) % 40 : (x >> 4) % arrays[0].size();
        TPeak want = arrays[0][a];
        for (std::size_t k = a; k < std::min(a + n, arrays[0].size()); ++k) {
            want.minimum = std::min(want.minimum, arrays[0][k].minimum);
            want.maximum = std::max(want.maximum, arrays[0][k].maximum);
        }
        if (n == 0) want = {};
        ASSERT_EQ(peaks.range(0, a, a + n), want) << "blocks " << a << " + " << n;
    }
    EXPECT_EQ(peaks.range(0, 0, arrays[0].size() + 100), peaks.range(0, 0, arrays[0].size()));
    EXPECT_EQ(peaks.range(3, 0, 10), TPeak{});
    // The summary is a small part of the blocks.
    EXPECT_LT(peaks.memoryBytes(), arrays[0].size() * sizeof(TPeak) * 11 / 10);
}

// A display of a file, built, with the given client size.
struct Shown {
    Shown(const std::string& path, int channels, int bits, const std::vector<int>& v, int w,
          int h) {
        writeWav(path, channels, bits, v);
        model.setClientSize(w, h);
        EXPECT_EQ(model.OpenWaveFile(path), 0);
        std::atomic<std::int32_t> progress{0};
        EXPECT_EQ(model.BuildPeaks(progress), 0);
    }
    WaveViewModel model;
};

TEST(DirectDrawing, ColumnsOfZoomFramesMaximumFirst) {
    TempDir dir;
    // Mono: frames 0..8 in columns of 3.
    const std::vector<int> v = {0, 32767, -32767, 100, 200, 300, -400, -500, -600};
    Shown s(dir.file("a.wav"), 1, 16, v, 4, 21);  // lane 21: centre 10, half 10
    RenderResult r;
    ASSERT_EQ(s.model.RenderView(3, 0, r), 0);
    ASSERT_EQ(r.kind, RenderKind::Waveform);
    EXPECT_FALSE(r.plan.fromPeaks);
    EXPECT_EQ(r.plan.columns, 4);
    const std::vector<ViewPoint> expected = {
        {0, 0},  {0, 20},   // 32767 and -32767
        {1, 10}, {1, 10},   // 300 and 100 are well below a pixel
        {2, 10}, {2, 10},   // -400 .. -600
        {3, 10}, {3, 10}};  // past the end: centre line
    ASSERT_EQ(r.points.size(), 1u);
    EXPECT_EQ(r.points[0], expected);
    EXPECT_EQ(s.model.ZoomLevel(), 3u);
    EXPECT_EQ(s.model.RightSamplePos(), 9u);
}

TEST(DirectDrawing, ShortStereoFileAtZoomOneKeepsTheRestOnTheCentreLine) {
    TempDir dir;
    std::vector<int> v;
    for (int f = 0; f < 6; ++f) {
        v.push_back(f % 2 ? 255 : 0);  // left: full swing
        v.push_back(128);              // right: silence
    }
    Shown s(dir.file("a.wav"), 2, 8, v, 10, 40);  // lanes of 20: centres 10 and 30
    RenderResult r;
    ASSERT_EQ(s.model.RenderView(1, 3, r), 0);
    EXPECT_EQ(r.plan.left, 0u);
    EXPECT_EQ(s.model.RightSamplePos(), 6u);
    ASSERT_EQ(r.points.size(), 2u);
    ASSERT_EQ(r.points[0].size(), 20u);
    EXPECT_EQ(r.points[0][0], (ViewPoint{0, 20}));  // 0 -> -128 -> full negative swing
    EXPECT_EQ(r.points[0][2], (ViewPoint{1, 0}));   // 255 -> 127/128 of 10 -> 10
    for (int i = 12; i < 20; ++i) EXPECT_EQ(r.points[0][i], (ViewPoint{i / 2, 10}));
    for (const ViewPoint& p : r.points[1]) EXPECT_EQ(p.y, 30);
}

TEST(PeakDrawing, TheModelDrawsFromThePeaksAtThirtyTwoAndAbove) {
    TempDir dir;
    const std::vector<int> v = noise(64 * 1000, -20000, 20000, 3);
    Shown s(dir.file("a.wav"), 1, 16, v, 100, 65535);  // half lane 32767: offsets equal values
    const auto blocks = naivePeaks(v, 1)[0];

    RenderResult r;
    ASSERT_EQ(s.model.RenderView(40, 320, r), 0);
    EXPECT_TRUE(r.plan.fromPeaks);
    EXPECT_EQ(r.plan.columns, 125);
    EXPECT_EQ(r.points[0][0], (ViewPoint{0, 32767 - blocks[10].minimum}));
    EXPECT_EQ(r.points[0][1], (ViewPoint{0, 32767 - blocks[10].maximum}));

    ASSERT_EQ(s.model.RenderView(48, 0, r), 0);
    EXPECT_EQ(r.plan.effectiveZoom, 64u);
    EXPECT_EQ(r.plan.columns, 75);
    const TPeak first = {std::min(blocks[0].minimum, blocks[1].minimum),
                         std::max(blocks[0].maximum, blocks[1].maximum)};
    EXPECT_EQ(r.points[0][1], (ViewPoint{0, 32767 - first.maximum}));
    EXPECT_EQ(s.model.ZoomLevel(), 48u);

    // Whole-file zoom: every block ends in some column.
    ASSERT_EQ(s.model.RenderView(s.model.MaxZoomLevel(), 0, r), 0);
    EXPECT_EQ(s.model.RightSamplePos(), 64000u);
    int lowest = 0;
    for (const ViewPoint& p : r.points[0]) lowest = std::max(lowest, p.y);
    int expectLowest = 0;
    for (const TPeak& b : blocks) expectLowest = std::max(expectLowest, 32767 - b.minimum);
    EXPECT_EQ(lowest, expectLowest);
}

TEST(RenderView, DrawsNothingWithoutFileAreaOrWhileBuilding) {
    WaveViewModel none;
    none.setClientSize(100, 100);
    RenderResult r;
    EXPECT_EQ(none.RenderView(1, 0, r), 0);
    EXPECT_EQ(r.kind, RenderKind::Nothing);

    TempDir dir;
    writeWav(dir.file("a.wav"), 1, 16, noise(1000, -5, 5));
    WaveViewModel m;
    m.setClientSize(100, 100);
    ASSERT_EQ(m.OpenWaveFile(dir.file("a.wav")), 0);
    // Attached but neither built nor loaded.
    EXPECT_EQ(m.RenderView(1, 0, r), kViewErrNothingToDraw);
    EXPECT_EQ(m.ZoomLevel(), 32u);
    std::atomic<std::int32_t> progress{0};
    ASSERT_EQ(m.BuildPeaks(progress), 0);
    m.setClientSize(0, 100);
    EXPECT_EQ(m.RenderView(1, 0, r), 0);
    EXPECT_EQ(r.kind, RenderKind::Nothing);
    m.setClientSize(100, 100);
    ASSERT_EQ(m.RenderView(1, 0, r), 0);
    EXPECT_EQ(r.kind, RenderKind::Waveform);

    // The file vanished: direct drawing reports it and keeps the old positions.
    ::unlink(dir.file("a.wav").c_str());
    EXPECT_EQ(m.RenderView(2, 500, r), kViewErrCannotOpen);
    EXPECT_EQ(m.ZoomLevel(), 1u);
    EXPECT_EQ(m.LeftSamplePos(), 0u);
    // Peak drawing does not need it.
    m.setClientSize(10, 100);
    EXPECT_EQ(m.RenderView(32, 0, r), 0);
    EXPECT_TRUE(r.plan.fromPeaks);
}

}  // namespace
}  // namespace sonthra
