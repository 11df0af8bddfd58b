// The main window on a real X display with a window manager: the ruler and the overview's
// frame agree with the view from the moment a file has opened, and after the window manager
// resizes the window and the view re-zooms.
#include <QElapsedTimer>
#include <QProcess>

#include "app_edit/edit_fixture.h"
#include "view/overview_sync.h"
#include "view/ui/scale_widget.h"

namespace sonthra {
namespace {

class WindowX11 : public EditWindowTest {
protected:
    TLUM32Scale& scale() { return *form.findChild<TLUM32Scale*>(); }

    // The ruler shows the view's zoom and left edge, the frame covers what the view shows.
    void expectAgreement() {
        RIZI32DaziVereruz& v = view();
        EXPECT_EQ(scale().ZoomLevel(), v.ZoomLevel());
        EXPECT_EQ(scale().LeftSamplePos(), v.LeftSamplePos());
        TLUM32Overview* overview = form.CurrentOverview();
        ASSERT_NE(overview, nullptr);
        const FrameSpan span = FrameForView(v.LeftSamplePos(), v.RightSamplePos(),
                                            overview->MaxZoomLevel(), overview->clientWidth());
        EXPECT_EQ(overview->frame()->frameLeft(), span.left);
        EXPECT_EQ(overview->frame()->frameWidth(), span.width);
    }
};

TEST_F(WindowX11, TheRulerAndTheOverviewFollowTheViewFromOpeningAndAfterAResize) {
    ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb") << "needs the x11 test fixture";
    openRamp(kRate * 20);
    QTest::qWait(300);
    ASSERT_GT(view().TotalSamples(), 0u);
    {
        SCOPED_TRACE("after opening");
        expectAgreement();
    }

    const std::uint32_t zoomBefore = view().ZoomLevel();
    const int widthBefore = view().clientWidth();
    ASSERT_EQ(
        QProcess::execute("xdotool", {"windowsize", QString::number(form.winId()), "1250", "640"}),
        0);
    QElapsedTimer timer;
    timer.start();
    while ((view().clientWidth() == widthBefore || view().ZoomLevel() == zoomBefore) &&
           timer.elapsed() < 5000)
        QTest::qWait(50);
    ASSERT_NE(view().clientWidth(), widthBefore) << "the window manager resized the window";
    ASSERT_NE(view().ZoomLevel(), zoomBefore) << "the view re-zoomed";
    QTest::qWait(200);
    SCOPED_TRACE("after the resize");
    expectAgreement();
}

TEST_F(WindowX11, TabReachesTheWaveform) {
    ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb") << "needs the x11 test fixture";
    openRamp(kRate);
    form.findChild<QWidget*>("PlayButton") ? form.findChild<QWidget*>("PlayButton")->setFocus()
                                           : form.setFocus();
    ASSERT_FALSE(view().hasFocus());
    const QString window = QString::number(form.winId());
    bool reached = false;
    for (int i = 0; i < 80 && !reached; ++i) {
        QProcess::execute("xdotool", {"key", "--window", window, "Tab"});
        QTest::qWait(30);
        reached = view().hasFocus();
    }
    EXPECT_TRUE(reached) << "the waveform is a tab stop";
}

}  // namespace
}  // namespace sonthra
