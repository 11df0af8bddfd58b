// The display and the overview under a real pointer on an X display with a window manager:
// the wheel scrolls, Ctrl+wheel zooms about the pointer, Shift+click extends the selection, and
// a click in the overview moves its frame there (and the main display with it).
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include "display_fixture.h"
#include "view/ui/overview.h"
#include "view/ui/overview_link.h"

namespace sonthra {
namespace {

using testing::buildOnWorker;
using testing::loudStretch;
using testing::ShownDisplay;
using testing::TempDir;
using testing::writeWav;

// Runs xdotool with the arguments; false when it failed.
bool xdotool(const QStringList& args) {
    return QProcess::execute("xdotool", args) == 0;
}

// Lets events in until the condition holds, at most three seconds.
bool waitFor(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 3000) QTest::qWait(20);
    return condition();
}

// Puts the pointer over the client pixel (x, y) of the widget.
bool pointAt(QWidget* widget, int x, int y) {
    const QPoint global = widget->mapToGlobal(widget->contentsRect().topLeft() + QPoint(x, y));
    const bool moved =
        xdotool({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y())});
    QTest::qWait(50);
    return moved;
}

// Shows a widget as a window of its own and waits until the window manager has placed it.
void showOnDesktop(QWidget* widget) {
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    widget->activateWindow();
    QTest::qWait(200);
}

class WaveInputX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb") << "needs the x11 test fixture";
        ASSERT_EQ(shown.opened, 0);
        ASSERT_EQ(shown.built, 0);
        display().setOnViewChange([this](QObject*) { ++viewChanges; });
        showOnDesktop(&display());
        ASSERT_EQ(display().RenderView(10, 20000), 0);  // 4,000 frames from 20,000
    }
    RIZI32DaziVereruz& display() { return *shown.display; }

    ShownDisplay shown{loudStretch(100000, 0, 100000), 400, 100};
    int viewChanges = 0;
};

TEST_F(WaveInputX11, TheWheelScrollsATenthOfTheViewANotch) {
    ASSERT_TRUE(pointAt(&display(), 200, 50));
    ASSERT_TRUE(xdotool({"click", "5"}));  // down: later in the file
    ASSERT_TRUE(waitFor([&] { return display().LeftSamplePos() != 20000; }));
    EXPECT_EQ(display().LeftSamplePos(), 20400u);
    EXPECT_EQ(display().ZoomLevel(), 10u);
    ASSERT_TRUE(xdotool({"click", "--repeat", "3", "4"}));  // up: back towards the start
    ASSERT_TRUE(waitFor([&] { return display().LeftSamplePos() == 19200; }));
    EXPECT_GE(viewChanges, 2) << "the ruler and the overview hear of it";

    // It stops at the ends.
    ASSERT_EQ(display().RenderView(10, 0), 0);
    ASSERT_TRUE(xdotool({"click", "4"}));
    QTest::qWait(200);
    EXPECT_EQ(display().LeftSamplePos(), 0u);
}

TEST_F(WaveInputX11, CtrlWheelZoomsAboutThePointer) {
    const int x = 100;
    const std::uint32_t under = display().PixelToSample(x);
    ASSERT_TRUE(pointAt(&display(), x, 50));
    ASSERT_TRUE(xdotool({"keydown", "ctrl", "click", "4", "keyup", "ctrl"}));  // in
    ASSERT_TRUE(waitFor([&] { return display().ZoomLevel() == 5; }));
    EXPECT_NEAR(double(display().PixelToSample(x)), double(under), 5.0)
        << "the frame under the pointer stays under it";
    ASSERT_TRUE(xdotool({"keydown", "ctrl", "click", "--repeat", "2", "5", "keyup", "ctrl"}));
    ASSERT_TRUE(waitFor([&] { return display().ZoomLevel() == 20; }));
    EXPECT_NEAR(double(display().PixelToSample(x)), double(under), 20.0);
    EXPECT_GE(viewChanges, 2);
}

TEST_F(WaveInputX11, ShiftClickExtendsTheSelection) {
    ASSERT_TRUE(pointAt(&display(), 50, 50));
    ASSERT_TRUE(xdotool({"click", "1"}));
    const std::uint32_t caret = 20000 + 50 * 10;
    ASSERT_TRUE(waitFor([&] { return display().CaretPositionBySamples() == caret; }));
    ASSERT_TRUE(pointAt(&display(), 150, 50));
    ASSERT_TRUE(xdotool({"keydown", "shift", "click", "1", "keyup", "shift"}));
    ASSERT_TRUE(waitFor([&] { return display().SelectionEndPos() == 21500; }));
    EXPECT_EQ(display().SelectionStartPos(), caret);
    EXPECT_TRUE(display().selectionPresent());

    // A second Shift+click moves the same end again; the start stays.
    ASSERT_TRUE(pointAt(&display(), 300, 50));
    ASSERT_TRUE(xdotool({"keydown", "shift", "click", "1", "keyup", "shift"}));
    ASSERT_TRUE(waitFor([&] { return display().SelectionEndPos() == 23000; }));
    EXPECT_EQ(display().SelectionStartPos(), caret);
}

TEST(OverviewX11, AClickBesideTheFrameMovesItAndTheDisplayThere) {
    ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb") << "needs the x11 test fixture";
    TempDir dir;
    const std::string path = dir.file("a.wav");
    writeWav(path, 1, 16, loudStretch(100000, 0, 100000));
    RIZI32DaziVereruz main;
    TLUM32Overview overview;
    main.resize(202, 62);
    overview.resize(202, 32);
    showOnDesktop(&main);
    showOnDesktop(&overview);
    ASSERT_EQ(main.OpenWaveFile(path), 0);
    ASSERT_EQ(buildOnWorker(main), 0);
    ASSERT_EQ(overview.OpenWaveFile(path), 0);
    ASSERT_EQ(buildOnWorker(overview), 0);
    ASSERT_EQ(overview.RenderView(overview.MaxZoomLevel(), 0), 0);
    OverviewLink link;
    link.setDisplays(&main, &overview);
    ASSERT_EQ(main.RenderView(100, 0), 0);
    link.SyncOverviewFrame();
    ASSERT_EQ(overview.frame()->frameLeft(), 0);
    const int width = overview.frame()->frameWidth();

    ASSERT_TRUE(pointAt(&overview, 150, 15));
    ASSERT_TRUE(xdotool({"click", "1"}));
    ASSERT_TRUE(waitFor([&] { return overview.frame()->frameLeft() != 0; }));
    EXPECT_EQ(overview.frame()->frameLeft(), 150 - width / 2);
    ASSERT_TRUE(waitFor([&] { return main.LeftSamplePos() != 0; }));
    EXPECT_NEAR(double(main.LeftSamplePos()), (150 - width / 2) * 501.0, 501.0);
}

}  // namespace
}  // namespace sonthra
