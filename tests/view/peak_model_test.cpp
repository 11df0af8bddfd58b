// A document's peak model shown by two displays (the main display and the overview).
#include <atomic>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "view/peak_model.h"
#include "view/view_errors.h"
#include "view/wave_view_model.h"
#include "view_test_support.h"

namespace sonthra {
namespace {

using testing::noise;
using testing::TempDir;
using testing::writeWav;

struct TwoDisplays {
    explicit TwoDisplays(const std::string& file, std::size_t frames) : path(file) {
        values = noise(frames * 2, -3000, 3000);
        writeWav(path, 2, 16, values);
        display.setClientSize(200, 80);
        overview.setClientSize(100, 30);
        display.observe(peaks);
        overview.observe(peaks);
    }
    int build() {
        std::atomic<std::int32_t> progress{0};
        return display.BuildPeaks(progress);
    }
    std::string path;
    std::vector<int> values;
    std::shared_ptr<PeakModel> peaks = std::make_shared<PeakModel>();
    WaveViewModel display;
    WaveViewModel overview;
};

// What the display builds or patches the overview shows, without a read of its own; each keeps
// its own caret and zoom, cut to what the file still holds.
TEST(PeakModel, TwoDisplaysShowOneFileAndKeepTheirOwnPlaces) {
    TempDir dir;
    TwoDisplays d(dir.file("w.wav"), 3000);
    ASSERT_EQ(d.display.OpenWaveFile(d.path), 0);
    EXPECT_EQ(d.overview.WaveFileName(), d.path);
    ASSERT_EQ(d.build(), 0);
    EXPECT_EQ(d.overview.peakState(), PeakState::Built);
    EXPECT_EQ(&d.overview.peaks(), &d.display.peaks());
    EXPECT_EQ(d.overview.peaks().channels(), testing::naivePeaks(d.values, 2));
    RenderResult r;
    ASSERT_EQ(d.overview.RenderView(d.overview.MaxZoomLevel(), 0, r), 0);
    EXPECT_EQ(r.kind, RenderKind::Waveform);

    d.display.setCaret(2900);
    d.overview.setCaret(2500);
    d.overview.setSelection(100, 2999);
    const std::uint32_t overviewZoom = d.overview.ZoomLevel();
    std::vector<int> rest = d.values;
    rest.erase(rest.begin() + 2 * 1000, rest.begin() + 2 * 2000);
    writeWav(d.path, 2, 16, rest);
    ASSERT_EQ(d.display.RemovePeakRange(1000, 2000), 0);
    EXPECT_EQ(d.overview.TotalSamples(), 2000u);
    EXPECT_EQ(d.overview.peaks().channels(), testing::naivePeaks(rest, 2));
    EXPECT_EQ(d.overview.caret(), 2000u);
    EXPECT_EQ(d.overview.SelectionStartPos(), 100u);
    EXPECT_EQ(d.overview.SelectionEndPos(), 2000u);
    EXPECT_EQ(d.overview.ZoomLevel(), overviewZoom);
    EXPECT_EQ(d.display.caret(), 2900u) << "the display that cut places its own caret";

    // A file emptied by the edit empties both.
    writeWav(d.path, 2, 16, {});
    ASSERT_EQ(d.build(), 0);
    EXPECT_EQ(d.overview.TotalSamples(), 0u);
    EXPECT_EQ(d.overview.caret(), 0u);
    EXPECT_EQ(d.overview.SelectionEndPos(), 0u);
    EXPECT_EQ(d.display.ZoomLevel(), 1u);
}

// The overview's failure empties the overview alone; it shows the document's file again once
// the display's peaks are there to share, or when it attaches a file itself.
TEST(PeakModel, AResetDisplayLetsGoOfTheFileTheOtherStillShows) {
    TempDir dir;
    TwoDisplays d(dir.file("w.wav"), 1500);
    ASSERT_EQ(d.display.OpenWaveFile(d.path), 0);
    ASSERT_EQ(d.build(), 0);
    d.overview.ResetDisplay();
    EXPECT_FALSE(d.overview.hasFile());
    EXPECT_EQ(d.display.WaveFileName(), d.path);
    EXPECT_EQ(d.display.peakState(), PeakState::Built);
    EXPECT_FALSE(d.overview.showsModelOf(d.display));

    ASSERT_EQ(d.overview.SharePeaksOf(d.display), 0);
    EXPECT_TRUE(d.overview.showsModelOf(d.display));
    EXPECT_EQ(&d.overview.peaks(), &d.display.peaks());

    d.overview.ResetDisplay();
    ASSERT_EQ(d.overview.OpenWaveFile(d.path), 0);
    EXPECT_TRUE(d.overview.showsModelOf(d.display));
    EXPECT_EQ(d.display.peakState(), PeakState::FileSet) << "attached again: built again";

    // Alone with its model, a display resets the model itself.
    d.overview.ResetDisplay();
    d.display.ResetDisplay();
    EXPECT_TRUE(d.peaks->fileName().empty());
    EXPECT_EQ(d.peaks->peakState(), PeakState::Idle);
}

// A build's worker holds the model only: the displays may go while it runs, and what it
// found reaches whoever shows the model next.
TEST(PeakModel, ABuildOutlivesTheDisplaysThatStartedIt) {
    TempDir dir;
    const std::string path = dir.file("w.wav");
    const std::vector<int> values = noise(200000 * 2, -3000, 3000);
    writeWav(path, 2, 16, values);
    auto peaks = std::make_shared<PeakModel>();
    std::atomic<std::int32_t> progress{0};
    std::thread worker;
    {
        auto display = std::make_unique<WaveViewModel>();
        display->setClientSize(200, 80);
        display->observe(peaks);
        ASSERT_EQ(display->OpenWaveFile(path), 0);
        std::shared_ptr<PeakModel> model = display->peaksToBuild();
        ASSERT_EQ(model, peaks);
        worker = std::thread([model, &progress] { model->BuildPeaks(progress); });
        WaveViewModel none;
        EXPECT_EQ(none.peaksToBuild(), nullptr) << "no client area: nothing to read";
    }
    worker.join();
    EXPECT_EQ(progress.load(), 100);
    WaveViewModel later;
    later.observe(peaks);
    EXPECT_EQ(later.peakState(), PeakState::Built);
    EXPECT_EQ(later.peaks().channels(), testing::naivePeaks(values, 2));
    EXPECT_EQ(peaks->observers(), 1u);
}

}  // namespace
}  // namespace sonthra
