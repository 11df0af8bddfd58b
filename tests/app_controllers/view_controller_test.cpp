// The view controller without a window: a real display and read-out bar, a recorded surface in
// place of the main window. Checks what a typed caret or selection does to the display when it
// goes past the file or comes out of order, which display's events count, and what the zoom
// commands tell the window.
#include "app/ui/view_controller.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/audio_document.h"
#include "app/ui/command_states.h"
#include "engine/wav_maker.h"
#include "view/ui/wave_display.h"

namespace sonthra {
namespace {

constexpr std::uint32_t kFrames = 20000;  // 20 s at 1000 Hz

class RecordedViewSurface : public ViewSurface {
public:
    RIZI32DaziVereruz* view = nullptr;
    std::vector<int> states;
    std::vector<std::uint32_t> zooms;
    int rulers = 0;
    int follows = 0;
    int frameSyncs = 0;
    int focuses = 0;

    RIZI32DaziVereruz* CurrentView() const override { return view; }
    void UpdateRuler(const RIZI32DaziVereruz&) override { ++rulers; }
    void FollowView() override { ++follows; }
    void SyncOverviewFrame() override { ++frameSyncs; }
    void ShowZoom(std::uint32_t zoom) override { zooms.push_back(zoom); }
    void SwitchCommands(int state) override { states.push_back(state); }
    void FocusView() override { ++focuses; }
    RecordFormat RecordingFormat() const override { return {}; }
};

class ViewControllerTest : public ::testing::Test {
protected:
    ViewControllerTest() {
        const std::string path = folder.file("take.wav");
        test::writeFile(path,
                        test::pcmWave(1000, 16, 1, test::makeTone(50, 1000, 1, kFrames, 0.5)));
        auto document = std::make_unique<AudioDocument>();
        document->fileName = path;
        document->workFile = path;
        document->frames = kFrames;
        document->format = makePcmFormat(1000, 16, 1);
        documents.append(std::move(document));
        documents.setCurrent(0);

        display.resize(402, 102);
        display.show();
        EXPECT_EQ(display.OpenWaveFile(path), 0);
        std::atomic<std::int32_t> progress{0};
        int built = -1;
        std::thread worker([&] { built = display.BuildPeaks(progress); });
        worker.join();
        EXPECT_EQ(built, 0);
        EXPECT_EQ(display.RenderView(display.MaxZoomLevel(), 0), 0);
        surface.view = &display;
        controller.Attach(readouts);
        controller.SetDisplayMode(PositionDisplayMode::Samples);
    }
    QString text(int which) const {
        static const char* names[] = {"PositionBox", "StartSelectionBox", "EndSelectionBox"};
        return readouts.findChild<QLabel*>(names[which])->text();
    }

    test::TempFolder folder;
    DocumentList documents;
    RIZI32DaziVereruz display;
    RecordedViewSurface surface;
    ViewController controller{surface, documents};
    ReadoutBar readouts{[this] { return controller.Units(); }, [] { return true; }};
};

TEST_F(ViewControllerTest, ACaretTypedPastTheEndLandsOnItAndClearsTheSelection) {
    display.SetSelection(100, 900);
    controller.CaretEntered(kFrames + 5000, "00025000");
    EXPECT_EQ(display.CaretPositionBySamples(), kFrames);
    EXPECT_EQ(display.SelectionStartPos(), display.SelectionEndPos());
    EXPECT_EQ(controller.ReadCaretBox(PositionMode::Samples), kFrames) << "the end is shown";
    EXPECT_EQ(controller.ReadSelectionBox(PositionMode::Samples, 2), 0u);
    EXPECT_EQ(surface.states, std::vector<int>{kStateNoSelection});
    EXPECT_EQ(surface.rulers, 1);
    EXPECT_EQ(surface.frameSyncs, 1);
    EXPECT_EQ(surface.focuses, 1);

    // A caret inside the file keeps the caption as typed; text that is no position only closes.
    controller.CaretEntered(1234, "00001234");
    EXPECT_EQ(display.CaretPositionBySamples(), 1234u);
    EXPECT_EQ(text(ReadoutBar::kCaret), "00001234");
    controller.CaretEntered(std::nullopt, "12:");
    EXPECT_EQ(display.CaretPositionBySamples(), 1234u);
    EXPECT_EQ(surface.focuses, 3);
}

TEST_F(ViewControllerTest, ATypedSelectionIsPutInOrderAndClampedToTheFile) {
    controller.ShowSelectionBound(kFrames + 100, PositionMode::Samples, 1);
    controller.ShowSelectionBound(3000, PositionMode::Samples, 2);
    controller.SelectionEntered();
    EXPECT_EQ(display.SelectionStartPos(), 3000u);
    EXPECT_EQ(display.SelectionEndPos(), kFrames);
    EXPECT_EQ(controller.ReadSelectionBox(PositionMode::Samples, 1), kFrames);
    EXPECT_EQ(surface.states.back(), kStateSelection);
    // In the time mode the same frames read back as milliseconds of the document's rate.
    controller.SetDisplayMode(PositionDisplayMode::Time);
    controller.ShowViewPositions();
    EXPECT_EQ(text(1), "000:03:000");
    EXPECT_EQ(controller.ReadSelectionBox(PositionMode::Samples, 2), kFrames);
}

TEST_F(ViewControllerTest, OnlyTheCurrentDisplaysEventsReachTheReadOuts) {
    RIZI32DaziVereruz other;
    controller.WaveformBaseSelection(&other, 10, 20);
    controller.WaveformBaseCaretPositionChange(&other);
    EXPECT_TRUE(surface.states.empty());
    EXPECT_EQ(surface.follows, 0);
    controller.WaveformBaseSelection(&display, 10, 20);
    EXPECT_EQ(controller.ReadSelectionBox(PositionMode::Samples, 2), 20u);
    EXPECT_EQ(surface.states, std::vector<int>{kStateSelection});
}

TEST_F(ViewControllerTest, ZoomCommandsTellTheWindowTheNewLevelAndDoNothingWithoutADisplay) {
    const std::uint32_t whole = display.ZoomLevel();
    controller.ZoomInButtonClick();
    ASSERT_EQ(surface.zooms.size(), 1u);
    EXPECT_LT(surface.zooms[0], whole);
    EXPECT_EQ(surface.zooms[0], display.ZoomLevel());
    controller.ZoomToExtentsButtonClick();
    EXPECT_EQ(surface.zooms.back(), whole);
    EXPECT_EQ(surface.follows, 2);

    surface.view = nullptr;
    controller.ZoomInButtonClick();
    controller.WaveformRightScrollButtonClick();
    controller.PlaceCaret(5);
    controller.EditSelectAllMenuClick();
    EXPECT_EQ(surface.zooms.size(), 2u);
    EXPECT_EQ(surface.follows, 2);
    EXPECT_EQ(display.CaretPositionBySamples(), 0u);
}

}  // namespace
}  // namespace sonthra
