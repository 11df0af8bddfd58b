// The waveform display widget: its published defaults, the pictures it paints (checked pixel
// by pixel under the offscreen platform), the caret, zooming and scrolling, and selection by
// mouse and keyboard.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "display_fixture.h"
#include "view/view_errors.h"

namespace sonthra {
namespace {

using testing::loudStretch;
using testing::rgbOf;
using testing::sendMouse;
using testing::ShownDisplay;

// Records every OnSelection and OnCaretPositionChange.
struct Events {
    explicit Events(RIZI32DaziVereruz& d) {
        d.setOnSelection([this](QObject*, std::uint32_t s, std::uint32_t e) {
            selections.push_back({s, e});
        });
        d.setOnCaretPositionChange([this](QObject*) { ++caretMoves; });
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> selections;
    int caretMoves = 0;
};

// Whether column x of the image has a pixel of colour c outside the row skip.
bool columnHas(const QImage& image, int x, QRgb c, int skipRow = -1) {
    for (int y = 0; y < image.height(); ++y) {
        if (y != skipRow && image.pixel(x, y) == c) return true;
    }
    return false;
}

TEST(WaveDisplay, PublishesTheDocumentedDefaults) {
    RIZI32DaziVereruz d;
    EXPECT_EQ(d.AxisColor(), 255u);
    EXPECT_EQ(d.BackGroundColor(), 0u);
    EXPECT_EQ(d.CaretColor(), 65280u);
    EXPECT_EQ(d.CaretPositionBySamples(), 0u);
    EXPECT_TRUE(d.EnableKeyboardSupport());
    EXPECT_TRUE(d.EnableMouseSupport());
    EXPECT_TRUE(d.EnableSelection());
    EXPECT_EQ(d.LeftSamplePos(), 0u);
    EXPECT_EQ(d.MaxPosition(), 0u);
    EXPECT_EQ(d.MaxZoomLevel(), 1u);
    EXPECT_EQ(d.NoSamplePresentText(), "No sample present");
    EXPECT_EQ(d.RightSamplePos(), 0u);
    EXPECT_EQ(d.SelectionBackGroundColor(), 0xFFFFFFu);
    EXPECT_EQ(d.SelectionEndPos(), 0u);
    EXPECT_EQ(d.SelectionStartPos(), 0u);
    EXPECT_EQ(d.SelectionWaveFormColor(), 0u);
    EXPECT_TRUE(d.ShowCaret());
    EXPECT_EQ(d.TotalSamples(), 0u);
    EXPECT_TRUE(d.WaveFileName().empty());
    EXPECT_EQ(d.WaveFormColor(), 16777215u);
    EXPECT_EQ(d.ZoomLevel(), 1u);
    EXPECT_FALSE(d.Ctl3D());
    EXPECT_EQ(d.peakState(), PeakState::Idle);
    // The properties are reachable by name as well.
    EXPECT_EQ(d.property("WaveFormColor").toUInt(), 16777215u);
    EXPECT_EQ(d.property("NoSamplePresentText").toString(), "No sample present");
}

TEST(WaveDisplay, WithoutAFileItShowsTheEmptyStateText) {
    RIZI32DaziVereruz d;
    d.resize(202, 52);
    d.setNoSamplePresentText("No sample present");
    d.show();
    const QImage image = d.grab(d.contentsRect()).toImage();
    int text = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (p == qRgb(0, 0, 0)) continue;
            ++text;
            // The text starts at (5, 5) and is small.
            EXPECT_GE(x, 5);
            EXPECT_GE(y, 5);
            EXPECT_LT(y, 25);
        }
    }
    EXPECT_GT(text, 20);
}

TEST(WaveDisplay, RendersSilenceAsTheCentreLineAndSoundAcrossTheLane) {
    // 100 blocks in 100 columns at zoom 32: the right half is full scale.
    ShownDisplay s(loudStretch(3200, 1600, 3200), 100, 101);
    ASSERT_EQ(s.opened, 0);
    ASSERT_EQ(s.built, 0);
    ASSERT_EQ(s.display->RenderView(32, 0), 0);
    const QImage image = s.grab();
    ASSERT_EQ(image.size(), QSize(100, 101));
    const QRgb wave = rgbOf(s.display->WaveFormColor());
    const QRgb axis = rgbOf(s.display->AxisColor());
    const QRgb back = rgbOf(s.display->BackGroundColor());
    const int centre = 50;
    for (int x = 3; x < 48; ++x) {
        EXPECT_EQ(image.pixel(x, centre), axis) << x;
        EXPECT_EQ(image.pixel(x, 10), back) << x;
        EXPECT_EQ(image.pixel(x, 90), back) << x;
    }
    for (int x = 52; x < 100; ++x) {
        EXPECT_EQ(image.pixel(x, centre), axis) << x;
        // Full scale reaches the lane's edges: centre -+ 50.
        EXPECT_EQ(image.pixel(x, 0), wave) << x;
        EXPECT_EQ(image.pixel(x, 25), wave) << x;
        EXPECT_EQ(image.pixel(x, 100), wave) << x;
    }
}

TEST(WaveDisplay, ZoomsAboveThirtyTwoAreSqueezedOrStretchedToTheWidth) {
    // Sound in the first 2,000 frames of 64,000.
    ShownDisplay s(loudStretch(64000, 0, 2000), 100, 41);
    ASSERT_EQ(s.built, 0);
    const QRgb wave = rgbOf(s.display->WaveFormColor());
    const int centre = 20;

    // Zoom 40: 125 columns of 32 frames squeezed into 100; sound ends at x 2000 / 40 = 50.
    ASSERT_EQ(s.display->RenderView(40, 0), 0);
    QImage image = s.grab();
    EXPECT_TRUE(columnHas(image, 10, wave, centre));
    EXPECT_TRUE(columnHas(image, 47, wave, centre));
    EXPECT_FALSE(columnHas(image, 54, wave, centre));
    EXPECT_FALSE(columnHas(image, 90, wave, centre));

    // Zoom 48: 75 columns of 64 frames stretched to 100; sound ends near x 2000 / 48 = 41.
    ASSERT_EQ(s.display->RenderView(48, 0), 0);
    EXPECT_EQ(s.display->ZoomLevel(), 48u);
    EXPECT_EQ(s.display->RightSamplePos(), 4800u);
    image = s.grab();
    EXPECT_TRUE(columnHas(image, 38, wave, centre));
    EXPECT_FALSE(columnHas(image, 46, wave, centre));
}

TEST(WaveDisplay, AShortFileAtZoomOneLeavesTheRestOnTheCentreLine) {
    ShownDisplay s(loudStretch(60, 0, 60), 100, 41);
    ASSERT_EQ(s.display->RenderView(1, 30), 0);
    EXPECT_EQ(s.display->LeftSamplePos(), 0u);
    EXPECT_EQ(s.display->RightSamplePos(), 60u);
    EXPECT_EQ(s.display->MaxZoomLevel(), 1u);
    const QImage image = s.grab();
    const QRgb wave = rgbOf(s.display->WaveFormColor());
    EXPECT_TRUE(columnHas(image, 30, wave, 20));
    EXPECT_FALSE(columnHas(image, 70, wave, 20));
    EXPECT_EQ(image.pixel(70, 20), rgbOf(s.display->AxisColor()));
}

TEST(WaveDisplay, TheSelectionShowsItsOwnColoursBetweenItsEnds) {
    ShownDisplay s(loudStretch(3200, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(32, 0), 0);
    Events events(*s.display);
    s.display->SetSelection(32 * 60, 32 * 20);  // stored as given, drawn ordered
    EXPECT_TRUE(events.selections.empty());     // SetSelection raises no OnSelection
    EXPECT_EQ(events.caretMoves, 1);
    EXPECT_EQ(s.display->CaretPositionBySamples(), 32u * 20);
    EXPECT_EQ(s.display->caretX(), 20);
    EXPECT_TRUE(s.display->caretVisible());
    const QImage image = s.grab();
    const QRgb selected = rgbOf(s.display->SelectionBackGroundColor());
    const QRgb plain = rgbOf(s.display->BackGroundColor());
    EXPECT_EQ(image.pixel(10, 5), plain);
    EXPECT_EQ(image.pixel(30, 5), selected);
    EXPECT_EQ(image.pixel(59, 5), selected);
    EXPECT_EQ(image.pixel(61, 5), plain);
    // The caret is a two-pixel panel in its own colour.
    EXPECT_EQ(QColor(image.pixel(21, 5)), toQColor(s.display->CaretColor()));

    // Without EnableSelection the selection is not drawn.
    s.display->setEnableSelection(false);
    s.display->update();
    EXPECT_EQ(s.grab().pixel(30, 5), plain);
}

TEST(WaveDisplay, ColourChangesShowAtTheNextRender) {
    ShownDisplay s(loudStretch(3200, 0, 3200), 100, 41);
    ASSERT_EQ(s.display->RenderView(32, 0), 0);
    s.display->setWaveFormColor(0x0000FF);
    s.display->setAxisColor(0x00FF00);
    ASSERT_EQ(s.display->RenderView(32, 0), 0);
    const QImage image = s.grab();
    EXPECT_EQ(image.pixel(50, 12), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(50, 20), qRgb(0, 255, 0));
}

TEST(WaveDisplay, RenderFailuresKeepTheLastPicture) {
    ShownDisplay s(loudStretch(3200, 0, 3200), 100, 41);
    ASSERT_EQ(s.display->RenderView(32, 0), 0);
    const QImage before = s.grab();
    ::unlink(s.path.c_str());
    // Direct drawing needs the file.
    EXPECT_EQ(s.display->RenderView(2, 0), kViewErrCannotOpen);
    EXPECT_EQ(s.grab(), before);
    EXPECT_EQ(s.display->ZoomLevel(), 32u);
    std::string text, detail;
    int number = -1;
    EXPECT_EQ(s.display->GetLastErrorDetails(text, number, detail), kViewErrCannotOpen);
    EXPECT_EQ(number, 0);
}

TEST(WaveDisplay, AnEmptyFileHidesTheCaretAndShowsTheEmptyState) {
    ShownDisplay s({}, 100, 41);
    ASSERT_EQ(s.opened, 0);
    ASSERT_EQ(s.built, 0);
    EXPECT_EQ(s.display->RenderView(1, 0), 0);
    EXPECT_FALSE(s.display->caretVisible());
    EXPECT_EQ(s.display->MaxZoomLevel(), 1u);
    const QImage image = s.grab();
    EXPECT_EQ(image.pixel(90, 35), qRgb(0, 0, 0));
}

TEST(WaveDisplay, ZoomingKeepsTheCaretInView) {
    ShownDisplay s(loudStretch(100000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(s.display->MaxZoomLevel(), 0), 0);
    s.display->setCaretPositionBySamples(50000);
    s.display->setZoomLevel(10);
    EXPECT_EQ(s.display->ZoomLevel(), 10u);
    EXPECT_LE(s.display->LeftSamplePos(), 50000u);
    EXPECT_GE(s.display->RightSamplePos(), 50000u);
    EXPECT_TRUE(s.display->caretVisible());
    s.display->setZoomLevel(0);
    EXPECT_EQ(s.display->ZoomLevel(), 1u);
    s.display->setZoomLevel(1000000);
    EXPECT_EQ(s.display->ZoomLevel(), s.display->MaxZoomLevel());
    EXPECT_EQ(s.display->LeftSamplePos(), 0u);
}

TEST(WaveDisplay, ScrollingHidesACaretLeftBehindAndPlacingItScrollsBack) {
    ShownDisplay s(loudStretch(100000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(10, 0), 0);
    s.display->setCaretPositionBySamples(500);
    EXPECT_TRUE(s.display->caretVisible());
    s.display->setLeftSamplePos(5000);
    EXPECT_EQ(s.display->LeftSamplePos(), 5000u);
    EXPECT_FALSE(s.display->caretVisible());
    EXPECT_EQ(s.display->MaxPosition(), 99000u);
    s.display->setLeftSamplePos(200000);  // past the end: pulled back
    EXPECT_EQ(s.display->LeftSamplePos(), 99000u);
    s.display->setCaretPositionBySamples(20000);
    EXPECT_TRUE(s.display->caretVisible());
    EXPECT_EQ(s.display->LeftSamplePos(), 20000u);
    EXPECT_EQ(s.display->caretX(), 0);
}

TEST(WaveDisplay, SelectAllSelectNoneAndZoomToSelection) {
    ShownDisplay s(loudStretch(100000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(10, 0), 0);
    Events events(*s.display);
    s.display->SelectAll();
    ASSERT_EQ(events.selections.size(), 1u);
    EXPECT_EQ(events.selections[0], (std::pair<std::uint32_t, std::uint32_t>{0, 100000}));
    s.display->SelectAll();  // already all: nothing again
    EXPECT_EQ(events.selections.size(), 1u);

    s.display->SetSelection(2000, 7000);
    s.display->ZoomToSelection();
    EXPECT_EQ(s.display->LeftSamplePos(), 2000u);
    EXPECT_EQ(s.display->ZoomLevel(), 51u);

    s.display->SelectNone();
    EXPECT_EQ(events.selections.back(), (std::pair<std::uint32_t, std::uint32_t>{0, 0}));
    EXPECT_EQ(s.display->SelectionStartPos(), 0u);
    EXPECT_EQ(s.display->SelectionEndPos(), 0u);
    EXPECT_FALSE(s.display->selectionPresent());
    const std::uint32_t zoom = s.display->ZoomLevel();
    s.display->ZoomToSelection();  // no selection: nothing
    EXPECT_EQ(s.display->ZoomLevel(), zoom);
}

TEST(WaveDisplay, ResetReturnsToTheEmptyState) {
    ShownDisplay s(loudStretch(3200, 0, 3200), 100, 41);
    ASSERT_EQ(s.display->RenderView(32, 0), 0);
    s.display->SetSelection(10, 20);
    s.display->ResetDisplay();
    EXPECT_TRUE(s.display->WaveFileName().empty());
    EXPECT_EQ(s.display->TotalSamples(), 0u);
    EXPECT_EQ(s.display->ZoomLevel(), 1u);
    EXPECT_EQ(s.display->SelectionEndPos(), 0u);
    EXPECT_EQ(s.display->peakState(), PeakState::Idle);
    EXPECT_FALSE(s.display->caretVisible());
    const QImage image = s.grab();
    EXPECT_EQ(image.pixel(90, 35), qRgb(0, 0, 0));
}

TEST(WaveDisplay, AResizedDisplayReZoomsToKeepItsSpan) {
    ShownDisplay s(loudStretch(100000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(100, 0), 0);  // 10,000 frames in view
    s.display->resize(202, 43);
    s.grab();
    // The paint counter was even: 10,000 div 200 + 1.
    EXPECT_EQ(s.display->ZoomLevel(), 51u);
    EXPECT_EQ(s.display->plainImage().size(), QSize(200, 41));
    s.display->resize(102, 43);
    s.grab();
    // Odd: 10,200 div 100 - 1.
    EXPECT_EQ(s.display->ZoomLevel(), 101u);
}

// --- Mouse -----------------------------------------------------------------------------------

TEST(WaveDisplayMouse, DraggingSelectsAndReportsTheSmallerEndFirst) {
    ShownDisplay s(loudStretch(100000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(10, 1000), 0);
    Events events(*s.display);
    sendMouse(s.display.get(), QEvent::MouseButtonPress, {60, 10});
    sendMouse(s.display.get(), QEvent::MouseMove, {40, 10});
    sendMouse(s.display.get(), QEvent::MouseMove, {20, 10});
    sendMouse(s.display.get(), QEvent::MouseButtonRelease, {20, 10});
    ASSERT_FALSE(events.selections.empty());
    EXPECT_EQ(events.selections.back(), (std::pair<std::uint32_t, std::uint32_t>{1200, 1600}));
    EXPECT_EQ(s.display->SelectionStartPos(), 1600u);
    EXPECT_EQ(s.display->SelectionEndPos(), 1200u);
    EXPECT_EQ(s.display->CaretPositionBySamples(), 1200u);
    EXPECT_TRUE(s.display->selectionPresent());
    const QImage image = s.grab();
    EXPECT_EQ(image.pixel(30, 5), rgbOf(s.display->SelectionBackGroundColor()));
    EXPECT_EQ(image.pixel(70, 5), rgbOf(s.display->BackGroundColor()));
}

TEST(WaveDisplayMouse, AClickPlacesTheCaretAndRemovesTheSelection) {
    ShownDisplay s(loudStretch(100000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(10, 0), 0);
    s.display->SetSelection(100, 900);
    Events events(*s.display);
    sendMouse(s.display.get(), QEvent::MouseButtonPress, {33, 10});
    sendMouse(s.display.get(), QEvent::MouseButtonRelease, {33, 10});
    ASSERT_EQ(events.selections.size(), 1u);
    EXPECT_EQ(events.selections[0], (std::pair<std::uint32_t, std::uint32_t>{0, 0}));
    EXPECT_EQ(s.display->CaretPositionBySamples(), 330u);
    EXPECT_EQ(s.display->caretX(), 33);
    EXPECT_EQ(s.display->SelectionStartPos(), 0u);
    EXPECT_EQ(s.display->SelectionEndPos(), 0u);
    EXPECT_FALSE(s.display->selectionPresent());
    EXPECT_EQ(s.grab().pixel(50, 5), rgbOf(s.display->BackGroundColor()));
}

TEST(WaveDisplayMouse, PressingPastTheLastFrameStartsNoDrag) {
    ShownDisplay s(loudStretch(60, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(1, 0), 0);
    Events events(*s.display);
    sendMouse(s.display.get(), QEvent::MouseButtonPress, {80, 10});
    sendMouse(s.display.get(), QEvent::MouseMove, {90, 10});
    sendMouse(s.display.get(), QEvent::MouseButtonRelease, {90, 10});
    EXPECT_TRUE(events.selections.empty());
    EXPECT_EQ(s.display->SelectionStartPos(), 60u);
}

TEST(WaveDisplayMouse, HoldingTheButtonOutsideKeepsScrolling) {
    ShownDisplay s(loudStretch(100000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(10, 0), 0);
    Events events(*s.display);
    sendMouse(s.display.get(), QEvent::MouseButtonPress, {50, 10});
    sendMouse(s.display.get(), QEvent::MouseMove, {150, 10});
    // One tenth of the view per step.
    EXPECT_EQ(s.display->LeftSamplePos(), 100u);
    EXPECT_EQ(events.selections.back(), (std::pair<std::uint32_t, std::uint32_t>{500, 1100}));
    QTRY_VERIFY(s.display->LeftSamplePos() >= 300);
    sendMouse(s.display.get(), QEvent::MouseButtonRelease, {150, 10});
    const std::uint32_t left = s.display->LeftSamplePos();
    QTest::qWait(100);
    EXPECT_EQ(s.display->LeftSamplePos(), left);  // stopped with the release

    // Back to the left edge and past it: scrolls back down to 0 and the end follows.
    sendMouse(s.display.get(), QEvent::MouseButtonPress, {50, 10});
    sendMouse(s.display.get(), QEvent::MouseMove, {-20, 10});
    QTRY_VERIFY(s.display->LeftSamplePos() == 0);
    EXPECT_EQ(events.selections.back().first, 0u);
    sendMouse(s.display.get(), QEvent::MouseButtonRelease, {-20, 10});
}

TEST(WaveDisplayMouse, MouseSupportOffIgnoresTheMouse) {
    ShownDisplay s(loudStretch(1000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(1, 0), 0);
    s.display->setEnableMouseSupport(false);
    Events events(*s.display);
    sendMouse(s.display.get(), QEvent::MouseButtonPress, {10, 10});
    sendMouse(s.display.get(), QEvent::MouseMove, {50, 10});
    sendMouse(s.display.get(), QEvent::MouseButtonRelease, {50, 10});
    EXPECT_TRUE(events.selections.empty());
    EXPECT_EQ(events.caretMoves, 0);
}

// --- Keyboard --------------------------------------------------------------------------------

TEST(WaveDisplayKeys, ShiftArrowsExtendFromTheCaretAndReportTheAnchorFirst) {
    ShownDisplay s(loudStretch(100000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(10, 0), 0);
    s.display->setCaretPositionBySamples(500);
    Events events(*s.display);
    QWidget* w = s.display.get();
    QTest::keyPress(w, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(events.selections.back(), (std::pair<std::uint32_t, std::uint32_t>{500, 510}));
    QTest::keyPress(w, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(events.selections.back(), (std::pair<std::uint32_t, std::uint32_t>{500, 610}));
    QTest::keyRelease(w, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(s.display->selectionPresent());
    EXPECT_EQ(s.display->CaretPositionBySamples(), 610u);
    // Extending back past the anchor keeps the anchor first.
    QTest::keyPress(w, Qt::Key_Home, Qt::ShiftModifier);
    EXPECT_EQ(events.selections.back(), (std::pair<std::uint32_t, std::uint32_t>{500, 0}));
    QTest::keyRelease(w, Qt::Key_Home, Qt::ShiftModifier);

    // An arrow without Shift moves the caret and clears the selection.
    const int before = events.caretMoves;
    QTest::keyPress(w, Qt::Key_Right);
    EXPECT_EQ(events.selections.back(), (std::pair<std::uint32_t, std::uint32_t>{0, 0}));
    EXPECT_EQ(s.display->CaretPositionBySamples(), 10u);
    EXPECT_GT(events.caretMoves, before);
    EXPECT_FALSE(s.display->selectionPresent());
}

TEST(WaveDisplayKeys, EndAndHomeScrollTheCaretIntoView) {
    ShownDisplay s(loudStretch(100000, 0, 0), 100, 41);
    ASSERT_EQ(s.display->RenderView(10, 0), 0);
    QWidget* w = s.display.get();
    QTest::keyPress(w, Qt::Key_End);
    EXPECT_EQ(s.display->CaretPositionBySamples(), 100000u);
    EXPECT_EQ(s.display->LeftSamplePos(), 99000u);
    EXPECT_TRUE(s.display->caretVisible());
    QTest::keyPress(w, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(s.display->CaretPositionBySamples(), 99900u);
    QTest::keyPress(w, Qt::Key_Home);
    EXPECT_EQ(s.display->CaretPositionBySamples(), 0u);
    EXPECT_EQ(s.display->LeftSamplePos(), 0u);
    QTest::keyPress(w, Qt::Key_Left);  // not below 0
    EXPECT_EQ(s.display->CaretPositionBySamples(), 0u);

    s.display->setEnableKeyboardSupport(false);
    QTest::keyPress(w, Qt::Key_End);
    EXPECT_EQ(s.display->CaretPositionBySamples(), 0u);
}

// --- High-DPI --------------------------------------------------------------------------------

TEST(WaveDisplayHighDpi, ImagesAreDrawnAtTheScreensPixelDensity) {
    ShownDisplay s(loudStretch(3200, 1600, 3200), 100, 41);
    ASSERT_EQ(s.display->RenderView(32, 0), 0);
    const double ratio = s.display->devicePixelRatioF();
    if (ratio < 1.5) GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2";
    EXPECT_EQ(s.display->plainImage().width(), static_cast<int>(100 * ratio));
    EXPECT_EQ(s.display->plainImage().height(), static_cast<int>(41 * ratio));
    EXPECT_DOUBLE_EQ(s.display->plainImage().devicePixelRatio(), ratio);
    // The centre line is one device pixel thick, not a blurred logical pixel.
    const QImage& image = s.display->plainImage();
    const int centre = static_cast<int>(41 * ratio) / 2;
    EXPECT_EQ(image.pixel(20, centre), rgbOf(s.display->AxisColor()));
    EXPECT_EQ(image.pixel(20, centre + 1), rgbOf(s.display->BackGroundColor()));
    EXPECT_EQ(image.pixel(20, centre - 1), rgbOf(s.display->BackGroundColor()));
}

}  // namespace
}  // namespace sonthra
