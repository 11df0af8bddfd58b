// The skinned widgets through synthetic mouse and key events, and what they paint.
#include <QAccessible>
#include <QAction>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "controls/ui/cool_button.h"
#include "controls/ui/cool_form.h"
#include "controls/ui/cool_slider.h"
#include "controls/ui/rect_button.h"
#include "controls/ui/skin_images.h"

namespace sonthra {
namespace {

QImage grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(SkinImages, EveryNamedImageOfBothSkinsIsThereAndAMissingOneIsEmpty) {
    for (Skin skin : {Skin::Light, Skin::Dark}) {
        SkinImages::setSkin(skin);
        for (const char* name :
             {"Btnleft", "BtncenterDown", "BtnrightDisabled", "thumbvert", "channelvertBottom",
              "channelsel", "topleft", "botRight", "center"}) {
            const QPixmap image = SkinImages::image(name, 2.0);
            ASSERT_FALSE(image.isNull()) << name;
            // Rendered at the screen's density: twice the pixels, the same logical size.
            EXPECT_EQ(image.devicePixelRatio(), 2.0);
            EXPECT_EQ(image.width(), 2 * SkinImages::image(name, 1.0).width()) << name;
        }
    }
    SkinImages::setSkin(Skin::Light);
    EXPECT_TRUE(SkinImages::image("NoSuchImage", 1.0).isNull());
}

TEST(CoolButton, PressInsideReleaseOutsideStillClicks) {
    TCoolButton button;
    button.setCaption("Play");
    button.show();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QSignalSpy changes(&button, &TCoolButton::OnChange);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(button.Down());
    EXPECT_EQ(changes.count(), 1);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(button.hasFocus() || !button.isActiveWindow());
}

TEST(CoolButton, ToggleFlipsOnThePressAndKeyboardClicks) {
    TCoolButton button;
    button.setIsToggleButton(true);
    button.show();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button.Down());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button.Down());
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(clicks.count(), 2);

    TCoolButton plain;
    plain.show();
    QSignalSpy keyed(&plain, &QAbstractButton::clicked);
    QTest::keyClick(&plain, Qt::Key_Space);
    EXPECT_EQ(keyed.count(), 1);
    EXPECT_EQ(plain.focusPolicy(), Qt::StrongFocus);
}

TEST(CoolButton, ReturnAndEnterClickItWhereTheWindowTakesSpace) {
    QWidget window;
    auto* playStop = new QAction(&window);
    playStop->setShortcut(Qt::Key_Space);
    window.addAction(playStop);
    QSignalSpy played(playStop, &QAction::triggered);
    auto* toggle = new TCoolButton(&window);
    toggle->setIsToggleButton(true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    toggle->setFocus();
    QSignalSpy clicks(toggle, &QAbstractButton::clicked);
    QTest::keyClick(toggle, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_TRUE(toggle->Down());
    QTest::keyClick(toggle, Qt::Key_Enter);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_FALSE(toggle->Down());
    // With a modifier it is another key; disabled, nothing.
    QTest::keyClick(toggle, Qt::Key_Return, Qt::ControlModifier);
    toggle->setEnabled(false);
    QTest::keyClick(toggle, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(played.count(), 0);
}

TEST(CoolButton, DisabledButtonIgnoresTheMouseAndLooksDifferent) {
    TCoolButton button;
    button.resize(60, 25);
    button.setCaption("Stop");
    button.show();
    const QImage enabled = grab(button);
    button.setEnabled(false);
    EXPECT_EQ(button.state(), TCoolButton::csDisabled);
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_NE(grab(button), enabled);
}

TEST(CoolButton, OldStyleShowsItsOwnPictures) {
    TCoolButton button;
    button.resize(20, 20);
    QPixmap up(20, 20), down(20, 20), off(20, 20);
    up.fill(Qt::red);
    down.fill(Qt::green);
    off.fill(Qt::blue);
    button.setUpImage(up);
    button.setDownImage(down);
    button.setDisImage(off);
    button.setNewStyleButton(false);
    button.setFocusPolicy(Qt::NoFocus);
    button.show();
    EXPECT_EQ(grab(button).pixelColor(10, 10), QColor(Qt::red));
    button.setDown(true);
    EXPECT_EQ(grab(button).pixelColor(10, 10), QColor(Qt::green));
    button.setEnabled(false);
    EXPECT_EQ(grab(button).pixelColor(10, 10), QColor(Qt::blue));
}

TEST(CoolButton, NewStyleFaceStretchesTheMiddleBandOnly) {
    // A tall button keeps the piece's top rows at the top and its bottom rows at the bottom.
    TCoolButton button;
    button.resize(80, 60);
    const QImage face = button.composeFace(TCoolButton::csUp, 1.0).toImage();
    const QPixmap piece = SkinImages::image("Btncenter", 1.0);
    const QImage source = piece.toImage();
    EXPECT_EQ(face.pixelColor(40, 0), source.pixelColor(2, 0));
    EXPECT_EQ(face.pixelColor(40, 59), source.pixelColor(2, source.height() - 1));
}

TEST(CoolSlider, PositionIsClampedAndChangeReportedOnce) {
    TCoolSliderV slider;
    EXPECT_EQ(slider.Min(), 0);
    EXPECT_EQ(slider.Max(), 99);
    EXPECT_EQ(slider.Position(), 50);
    EXPECT_EQ(slider.LineSize(), 1);
    EXPECT_EQ(slider.PageSize(), 2);
    EXPECT_EQ(slider.height(), 150);
    QSignalSpy changes(&slider, &TCoolSliderV::OnChange);
    slider.setPosition(500);
    EXPECT_EQ(slider.Position(), 99);
    slider.setPosition(99);
    EXPECT_EQ(changes.count(), 1);
}

TEST(CoolSlider, KeysMoveByLineAndPageAndReportPosition) {
    TCoolSliderV slider;
    slider.setMax(100);
    slider.show();
    std::vector<int> reports;
    slider.OnScroll = [&](QObject*, int code, int& position) {
        EXPECT_EQ(code, TCoolSlider::kScrollPosition);
        reports.push_back(position);
    };
    QTest::keyClick(&slider, Qt::Key_PageDown);
    QTest::keyClick(&slider, Qt::Key_Up);
    QTest::keyClick(&slider, Qt::Key_End);
    QTest::keyClick(&slider, Qt::Key_Right);
    QTest::keyClick(&slider, Qt::Key_Home);
    QTest::keyClick(&slider, Qt::Key_PageUp);
    EXPECT_EQ(reports, (std::vector<int>{52, 51, 100, 100, 0, 0}));
}

TEST(CoolSlider, TellsWhetherAKeyOrTheMouseMovedIt) {
    TCoolSliderH slider;
    slider.resize(150, 20);
    slider.show();
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_TRUE(slider.lastScrollByKey());
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(140, 10));  // beside the thumb
    EXPECT_FALSE(slider.lastScrollByKey());
}

TEST(SkinImages, TheDarkSkinDarkensTheWindowAndKeepsTextReadable) {
    const QPalette base;
    EXPECT_EQ(SkinImages::windowPalette(Skin::Light, base), base);
    const QPalette dark = SkinImages::windowPalette(Skin::Dark, base);
    for (auto [back, fore] : {std::pair{QPalette::Window, QPalette::WindowText},
                              {QPalette::Base, QPalette::Text},
                              {QPalette::Button, QPalette::ButtonText}}) {
        EXPECT_LT(dark.color(back).lightness(), 80);
        EXPECT_GT(dark.color(fore).lightness() - dark.color(back).lightness(), 120);
    }
    // Disabled text stays apart from enabled text.
    EXPECT_LT(dark.color(QPalette::Disabled, QPalette::Text).lightness(),
              dark.color(QPalette::Text).lightness() - 50);
}

TEST(CoolSlider, DragFollowsTheMouseAndAPressBesideStepsTowardsIt) {
    TCoolSliderV slider;
    slider.setMax(100);
    slider.setPosition(0);
    slider.show();
    const int thumb = slider.thumbSize().height();
    const int x = slider.width() / 2;
    // Grab the thumb at its middle and drag it to the bottom.
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(x, thumb / 2));
    QTest::mouseMove(&slider, QPoint(x, 150 - thumb / 2));
    EXPECT_EQ(slider.Position(), 100);
    QTest::mouseMove(&slider, QPoint(x, (150 - thumb) / 2 + thumb / 2));
    EXPECT_EQ(slider.Position(), 50);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(x, 75));
    // A press below the thumb steps until the thumb covers the pressed point.
    slider.setPosition(0);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(x, 120));
    const int offset = slider.thumbOffset();
    EXPECT_LE(offset, 120);
    EXPECT_GT(offset + thumb, 120);
}

TEST(CoolSlider, HorizontalReportsMovesOnlyWhileDragging) {
    TCoolSliderH slider;
    slider.resize(150, slider.height());
    slider.setMouseTracking(true);
    slider.show();
    int reports = 0;
    slider.OnScroll = [&](QObject*, int, int&) { ++reports; };
    QTest::mouseMove(&slider, QPoint(20, 5));
    EXPECT_EQ(reports, 0);
    TCoolSliderV vertical;
    vertical.show();
    int verticalReports = 0;
    vertical.OnScroll = [&](QObject*, int, int&) { ++verticalReports; };
    QTest::mouseMove(&vertical, QPoint(5, 20));
    EXPECT_EQ(verticalReports, 1);
}

TEST(CoolSlider, AHandlerMayChangeTheReportedPosition) {
    TCoolSliderH slider;
    slider.show();
    slider.OnScroll = [](QObject*, int, int& position) { position = 10; };
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(slider.Position(), 10);
}

TEST(RectButton, DefaultsAndCaptionCutting) {
    TLUM32RectBtnEx button;
    EXPECT_EQ(button.size(), QSize(90, 30));
    EXPECT_EQ(button.CaptionLeftPos(), 2);
    EXPECT_EQ(button.BorderWidth(), 2);
    EXPECT_EQ(button.ButtonDownCaptionColor(), QColor(0, 0, 255));
    button.setCaption("A recording with a rather long name.wav");
    const QString shown = button.shownCaption();
    EXPECT_TRUE(shown.endsWith("...")) << shown.toStdString();
    EXPECT_TRUE(QString("A recording with a rather long name.wav").startsWith(shown.chopped(3)));
    EXPECT_LE(QFontMetrics(button.font()).horizontalAdvance(shown.chopped(3)), 90 - 2);
    button.setCaption("a.wav");
    EXPECT_EQ(button.shownCaption(), "a.wav");
    button.setOptimalCaption(false);
    button.setCaption("A recording with a rather long name.wav");
    EXPECT_EQ(button.shownCaption(), "A recording with a rather long name.wav");
    EXPECT_EQ(button.accessibleName(), "A recording with a rather long name.wav");
}

TEST(RectButton, ToggleReleasedOutsideUndoesItsFlipWithoutClick) {
    TLUM32RectBtnEx button;
    button.setToggleButton(true);
    button.show();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button.Down());
    EXPECT_TRUE(button.shownPressed());
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(300, 5));
    EXPECT_FALSE(button.Down());
    EXPECT_FALSE(button.shownPressed());
    EXPECT_EQ(clicks.count(), 0);
    // Inside: it clicks and, now down, stays pressed.
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(button.Down());
    EXPECT_TRUE(button.shownPressed());
    EXPECT_EQ(clicks.count(), 1);
    // The keyboard clicks too.
    QTest::keyClick(&button, Qt::Key_Space);
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(clicks.count(), 2);
}

TEST(RectButton, CannotChangeStateIgnoresPresses) {
    TLUM32RectBtnEx button;
    button.setCanChangeState(false);
    button.show();
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(button.shownPressed());
}

TEST(CoolForm, BackgroundHasTheCornersAndEdgesOfTheSkin) {
    TCoolForm form;
    form.resize(200, 120);
    form.show();
    QImage image = grab(form);
    const qreal ratio = form.devicePixelRatioF();
    const QImage corner =
        SkinImages::image("topleft", ratio).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage centre =
        SkinImages::image("center", ratio).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(image.pixelColor(0, 0), corner.pixelColor(0, 0));
    EXPECT_EQ(image.pixelColor(image.width() / 2 - (image.width() / 2) % centre.width(),
                               image.height() / 2 - (image.height() / 2) % centre.height()),
              centre.pixelColor(0, 0));
    // The dark skin repaints with its own images.
    SkinImages::setSkin(Skin::Dark);
    const QImage dark = grab(form);
    SkinImages::setSkin(Skin::Light);
    EXPECT_NE(dark.pixelColor(image.width() / 2, image.height() / 2),
              image.pixelColor(image.width() / 2, image.height() / 2));
}

TEST(Accessibility, SkinnedControlsAreButtonsAndSliders) {
    TCoolButton button;
    button.setCaption("Record");
    TCoolSliderV slider;
    button.show();
    slider.show();
    QAccessibleInterface* buttonInterface = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(buttonInterface, nullptr);
    EXPECT_EQ(buttonInterface->role(), QAccessible::Button);
    EXPECT_EQ(buttonInterface->text(QAccessible::Name), "Record");
    QAccessibleInterface* sliderInterface = QAccessible::queryAccessibleInterface(&slider);
    ASSERT_NE(sliderInterface, nullptr);
    EXPECT_EQ(sliderInterface->role(), QAccessible::Slider);
}

}  // namespace
}  // namespace sonthra
