// The main window on a real X display, as the screen shows it, in both skins: the skin is
// chosen in the Preferences and takes effect at once; the skinned buttons and sliders are drawn
// whole, at their sizes, in the skin's colours, covering as many device pixels as the scale
// asks. Run at scale 1 and
// (QT_SCALE_FACTOR=2) at scale 2. The pixels are judged by colour and extent, so fonts and
// small drawing changes do not matter, and the parts that hold no text (the transport, sliders,
// document buttons and background) against stored pictures, so a broken skin image is caught.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/ui/main_form.h"
#include "app/ui/preferences_controller.h"
#include "app_skins/skin_references.h"
#include "controls/skin_colors.h"
#include "controls/ui/cool_form.h"
#include "controls/ui/cool_slider.h"
#include "controls/ui/rect_button.h"
#include "controls/ui/skin_images.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "engine/mixer.h"
#include "engine/nx_wave_player.h"
#include "engine/wav_maker.h"
#include "settings/settings.h"
#include "settings/ui/preferences_form.h"
#include "view/ui/scale_widget.h"
#include "view/ui/view_colors.h"

namespace sonthra {
namespace {

constexpr const char* kTransport[] = {
    "SkipToStartButton", "RewindButton",      "PlayButton",      "PauseButton",
    "StopButton",        "FastForwardButton", "SkipToEndButton", "StartStopRecordingButton"};

class SkinsX11 : public ::testing::Test {
protected:
    SkinsX11() {
        // As the Preferences store it, so that an OK there changes no folder.
        settings.writeTempPath(workspace.path() + "/");
        settings.writeAlwaysTestLevels(false);
        StartProgram(form, engine, mixer, settings);
        form.resize(620, 480);
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        QTest::qWait(200);
    }
    ~SkinsX11() override {
        // The skin is the program's; the next test starts from the light one.
        SkinImages::setSkin(Skin::Light);
    }

    // Opens the Preferences as the File menu does and runs answer once the window shows (and
    // has read its values), however loaded the machine is. The poll lives only as long as this
    // opening, so an answer meant for one opening can never act on the next; a window that
    // closed without the answer, or a message the answer brought up, is reported.
    void openPreferences(const std::function<void()>& answer) {
        TPreferencesForm* preferences = form.Preferences().PreferencesForm();
        ASSERT_NE(preferences, nullptr);
        dialogs.clearShown();
        bool answered = false;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, preferences, [&] {
            if (!preferences->isVisible() || QApplication::activeModalWidget() != preferences)
                return;
            poll.stop();
            answered = true;
            answer();
        });
        poll.start();
        form.Preferences().FilePreferencesMenuClick();
        EXPECT_TRUE(answered) << "the Preferences closed before the test answered";
        EXPECT_TRUE(dialogs.shown().empty()) << dialogs.shownTexts().join("\n").toStdString();
    }

    // Chooses a skin in the Preferences as a person does, with or without its display colours.
    void chooseSkin(const QString& name, bool withColours) {
        TPreferencesForm* preferences = form.Preferences().PreferencesForm();
        openPreferences([=] {
            QComboBox* skins = preferences->SkinComboBox;
            skins->setCurrentIndex(skins->findData(name));
            ASSERT_EQ(skins->currentData().toString(), name);
            preferences->SkinColorsCheckBox->setChecked(withColours);
            preferences->OkButton->click();
        });
        EXPECT_FALSE(preferences->isVisible());
        QTest::qWait(300);
    }

    // The window as the X server holds it, in device pixels. The window cannot be made smaller
    // than its controls, and at scale 2 it is wider than the test display: what lies off the
    // screen is not in a screenshot, so then the window draws itself into a picture instead.
    QImage screenshot() {
        const bool onScreen = form.screen()->geometry().contains(form.frameGeometry());
        const QPixmap picture = onScreen ? form.screen()->grabWindow(form.winId()) : form.grab();
        const QImage image = picture.toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_FALSE(image.isNull());
        // For a person to look at: SONTHRA_TEST_SHOTS names a folder to keep them in.
        const QString folder = qEnvironmentVariable("SONTHRA_TEST_SHOTS");
        if (!folder.isEmpty()) {
            image.save(QString("%1/skins-%2x-%3.png")
                           .arg(folder)
                           .arg(form.devicePixelRatioF())
                           .arg(++m_shots));
        }
        return image;
    }

    // A widget's rectangle in the screenshot's device pixels.
    QRect devicePixels(const QWidget& widget) {
        const qreal ratio = form.devicePixelRatioF();
        const QRect logical(widget.mapTo(&form, QPoint(0, 0)), widget.size());
        return QRect(qRound(logical.x() * ratio), qRound(logical.y() * ratio),
                     qRound(logical.width() * ratio), qRound(logical.height() * ratio));
    }

    // The mean lightness (0..255) of a strip down the left quarter of a button, away from its
    // glyph and border: the face the skin gives it.
    int faceLightness(const QImage& image, const QRect& r) {
        long sum = 0;
        int count = 0;
        for (int y = r.top() + r.height() / 3; y < r.bottom() - r.height() / 3; ++y) {
            for (int x = r.left() + r.width() / 8; x < r.left() + r.width() / 4; ++x) {
                sum += QColor(image.pixel(x, y)).lightness();
                ++count;
            }
        }
        return count == 0 ? -1 : static_cast<int>(sum / count);
    }

    QAbstractButton& button(const char* name) {
        auto* found = form.findChild<QAbstractButton*>(name);
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }

    // Every transport button is drawn whole: at its size, with a border darker than the face at
    // all four edges (not cut off) and a glyph that stands out in its middle (not blank).
    void expectTransportDrawn(const QImage& image, bool dark) {
        int shown = 0;
        for (const char* name : kTransport) {
            SCOPED_TRACE(name);
            QAbstractButton& b = button(name);
            // Play and Pause take turns in one place.
            if (!b.isVisible()) continue;
            ++shown;
            EXPECT_EQ(b.size(), QSize(36, 30));
            const QRect r = devicePixels(b);
            ASSERT_TRUE(image.rect().contains(r)) << "the button lies inside the window";
            const int face = faceLightness(image, r);
            if (dark) {
                EXPECT_LT(face, 110);
            } else {
                EXPECT_GT(face, 170);
            }
            const QPoint centre = r.center();
            // The glyph: some pixel near the middle differs clearly from the face.
            bool glyph = false;
            for (int dy = -r.height() / 6; dy <= r.height() / 6 && !glyph; ++dy) {
                for (int dx = -r.width() / 8; dx <= r.width() / 8 && !glyph; ++dx) {
                    const int l = QColor(image.pixel(centre.x() + dx, centre.y() + dy)).lightness();
                    glyph = std::abs(l - face) > 30;
                }
            }
            EXPECT_TRUE(glyph) << "a glyph is drawn in the middle";
            // The border at the middle of each edge differs from the face: the whole button is
            // there, edges included.
            const QPoint edges[] = {{r.left(), centre.y()},
                                    {r.right(), centre.y()},
                                    {centre.x(), r.top()},
                                    {centre.x(), r.bottom()}};
            for (const QPoint& edge : edges) {
                const int l = QColor(image.pixel(edge)).lightness();
                EXPECT_GT(std::abs(l - face), 8) << "edge at " << edge.x() << "," << edge.y();
            }
        }
        EXPECT_EQ(shown, 7);
    }

    // A slider shows its thumb where its position says, in colours other than its track's.
    void expectSlidersDrawn(const QImage& image) {
        for (const char* name : {"RecordVolumeTrackBar", "RecordBalanceTrackBar",
                                 "PlaybackVolumeTrackBar", "PlaybackBalanceTrackBar"}) {
            SCOPED_TRACE(name);
            auto* slider = form.findChild<TCoolSlider*>(name);
            ASSERT_NE(slider, nullptr);
            ASSERT_TRUE(slider->isVisible());
            const QRect r = devicePixels(*slider);
            std::set<QRgb> colours;
            for (int y = r.top(); y <= r.bottom(); ++y) {
                for (int x = r.left(); x <= r.right(); ++x) colours.insert(image.pixel(x, y));
            }
            EXPECT_GT(colours.size(), 4u) << "the slider is not blank";
            EXPECT_EQ(slider->thumbSize(),
                      slider->orientation() == Qt::Vertical ? QSize(20, 10) : QSize(10, 20));
        }
    }

    // A picture to judge against a stored one, with the rectangles of its parts.
    struct Picture {
        QImage image;
        std::vector<QRect> parts;
    };

    // The visible transport buttons as the screen shows them, side by side.
    Picture transportStrip(const QImage& screen) {
        Picture strip;
        std::vector<QImage> buttons;
        int x = 0;
        for (const char* name : kTransport) {
            QAbstractButton& b = button(name);
            if (!b.isVisible()) continue;
            buttons.push_back(screen.copy(devicePixels(b)));
            strip.parts.emplace_back(QPoint(x, 0), buttons.back().size());
            x += buttons.back().width();
        }
        strip.image = test::sideBySide(buttons);
        return strip;
    }

    // The other skinned parts that hold no text, on a background of the skin: both sliders and
    // a document button released, pressed and disabled, drawn as the window draws them.
    static Picture controlsSheet() {
        TCoolForm sheet;
        sheet.resize(200, 160);
        auto* vertical = new TCoolSliderV(&sheet);
        vertical->move(8, 5);
        vertical->setPosition(25);
        auto* horizontal = new TCoolSliderH(&sheet);
        horizontal->setGeometry(40, 8, 150, 20);
        horizontal->setPosition(70);
        horizontal->setSelStart(20);
        horizontal->setSelEnd(60);
        for (int i = 0; i < 3; ++i) {
            auto* document = new TLUM32RectBtnEx(&sheet);
            document->setSkinLook("docbutton");
            document->setDrawBorder(true);
            document->setBorderWidth(1);
            document->setGeometry(40, 40 + 30 * i, 120, 23);
            document->setDown(i == 1);
            document->setEnabled(i != 2);
        }
        Picture picture{sheet.grab().toImage(), {}};
        const qreal ratio = picture.image.devicePixelRatio();
        for (const QWidget* part : sheet.findChildren<QWidget*>()) {
            const QRectF r = QRectF(part->geometry());
            picture.parts.push_back(QRectF(r.topLeft() * ratio, r.size() * ratio).toAlignedRect());
        }
        return picture;
    }

    int m_shots = 0;
    test::TempFolder workspace;
    test::TempFolder store;
    Settings settings{store.file("settings.ini")};
    NXWavePlayer engine;
    ROZadEro mixer{std::chrono::milliseconds(300)};
    ScriptedDialogs dialogs;
    TMainForm form{dialogs};
};

TEST_F(SkinsX11, BothSkinsDrawTheWholeConsoleAndTheChoiceTakesEffectAtOnce) {
    ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb") << "needs the x11 test fixture";
    const qreal ratio = form.devicePixelRatioF();
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") {
        EXPECT_EQ(ratio, 2.0);
    }

    QImage light = screenshot();
    EXPECT_EQ(light.size(), (QSizeF(form.size()) * ratio).toSize());
    {
        SCOPED_TRACE("light skin");
        expectTransportDrawn(light, false);
        expectSlidersDrawn(light);
    }

    // Dark chosen and then cancelled changes nothing, and the window shows the stored skin
    // when it opens again.
    TPreferencesForm* preferences = form.Preferences().PreferencesForm();
    openPreferences([=] {
        preferences->SkinComboBox->setCurrentIndex(preferences->SkinComboBox->findData("dark"));
        preferences->SkinColorsCheckBox->setChecked(true);
        preferences->CancelButton->click();
    });
    EXPECT_EQ(SkinImages::skin(), Skin::Light);
    EXPECT_EQ(preferences->SkinComboBox->currentData().toString(), "light");
    EXPECT_FALSE(preferences->SkinColorsCheckBox->isChecked());
    EXPECT_EQ(settings.readSkin().value, "light");
    EXPECT_EQ(form.Colors().Scheme().GetSchemeColor(kSchemeWaveformBackground),
              kColorSchemeElements[kSchemeWaveformBackground].defaultColor);

    chooseSkin("dark", true);
    EXPECT_EQ(SkinImages::skin(), Skin::Dark);
    EXPECT_EQ(settings.readSkin().value, "dark");
    QImage dark = screenshot();
    {
        SCOPED_TRACE("dark skin");
        expectTransportDrawn(dark, true);
        expectSlidersDrawn(dark);
    }
    // The tool strip shows the window's tiled background: dark now, light before.
    QWidget* strip = form.findChild<QWidget*>("ToolStrip");
    ASSERT_NE(strip, nullptr);
    const QPoint stripCorner = devicePixels(*strip).bottomRight() - QPoint(4, 4);
    EXPECT_GT(QColor(light.pixel(stripCorner)).lightness(), 170);
    EXPECT_LT(QColor(dark.pixel(stripCorner)).lightness(), 90);
    // The display colours that go with the dark skin are applied and stored.
    const ColorScheme preset = controls::SkinDisplayColors(true);
    EXPECT_EQ(form.Colors().Scheme().GetSchemeColor(kSchemeWaveformBackground),
              preset[kSchemeWaveformBackground]);
    EXPECT_EQ(settings.readColorScheme().value[kSchemeLedOn], preset[kSchemeLedOn]);
    // The window's own colours are dark too, and the ruler's labels stay readable on them.
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 90);
    auto* ruler = form.findChild<TLUM32Scale*>();
    ASSERT_NE(ruler, nullptr);
    EXPECT_GT(toQColor(ruler->Color()).lightness(), 160);

    // Back to the light skin without its colours: the dark display colours stay.
    chooseSkin("light", false);
    EXPECT_EQ(settings.readSkin().value, "light");
    const QImage again = screenshot();
    expectTransportDrawn(again, false);
    EXPECT_EQ(form.Colors().Scheme().GetSchemeColor(kSchemeWaveformBackground),
              preset[kSchemeWaveformBackground]);
    EXPECT_GT(QApplication::palette().color(QPalette::Window).lightness(), 150);
    EXPECT_LT(toQColor(ruler->Color()).lightness(), 60);
}

TEST_F(SkinsX11, AStoredSkinAppliesWhenTheProgramStarts) {
    ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb") << "needs the x11 test fixture";
    settings.writeSkin("dark");
    ScriptedDialogs otherDialogs;
    TMainForm second(otherDialogs);
    // The hidden Preferences window is made at start and brings the stored skin.
    second.AttachAudio(engine, mixer, settings);
    second.Preferences().CreatePreferencesForm();
    EXPECT_EQ(SkinImages::skin(), Skin::Dark);
    EXPECT_TRUE(otherDialogs.shown().empty());
}

// Each skin at this scale, part by part, as stored.
TEST_F(SkinsX11, SkinnedPartsMatchTheirStoredPictures) {
    ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb") << "needs the x11 test fixture";
    const QString scale = QString("%1x").arg(qRound(form.devicePixelRatioF()));
    for (const char* skin : {"light", "dark"}) {
        SCOPED_TRACE(skin);
        chooseSkin(skin, false);
        ASSERT_EQ(SkinImages::skinName(SkinImages::skin()), skin);
        const QImage screen = screenshot();
        const Picture strip = transportStrip(screen);
        EXPECT_EQ(strip.parts.size(), 7u);
        test::expectMatchesReference(strip.image, QString("transport-%1-%2.png").arg(skin, scale),
                                     strip.parts);
        const Picture sheet = controlsSheet();
        EXPECT_EQ(sheet.image.size(), (QSizeF(200, 160) * form.devicePixelRatioF()).toSize());
        EXPECT_EQ(sheet.parts.size(), 5u);
        test::expectMatchesReference(sheet.image, QString("controls-%1-%2.png").arg(skin, scale),
                                     sheet.parts);
    }
}

}  // namespace
}  // namespace sonthra
