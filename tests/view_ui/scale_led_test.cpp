// The time ruler and the level meter widgets.
#include <gtest/gtest.h>

#include "display_fixture.h"
#include "view/ui/led_widget.h"
#include "view/ui/overview_link.h"
#include "view/ui/scale_widget.h"

namespace sonthra {
namespace {

TEST(Scale, PublishesItsDefaults) {
    TLUM32Scale scale;
    EXPECT_EQ(scale.size(), QSize(500, 20));
    EXPECT_EQ(scale.GapInPixels(), 100);
    EXPECT_EQ(scale.Color(), 0u);
    EXPECT_EQ(scale.ZoomLevel(), 1u);
    EXPECT_EQ(scale.LeftSamplePos(), 0u);
    EXPECT_EQ(scale.Format(), TFormat::Time);
    EXPECT_TRUE(scale.ShowSmallDivisons());
    EXPECT_EQ(scale.NumSmallDivisons(), 10);
    EXPECT_FALSE(scale.IsDataAvailable());
    EXPECT_EQ(scale.waveFormat(), makePcmFormat(44100, 16, 2));
}

TEST(Scale, LabelsSecondsAtZoom441AndDrawsThem) {
    TLUM32Scale scale;
    // Small enough that a label and its margin fit in the 100-pixel gap.
    QFont font("DejaVu Sans");
    font.setPixelSize(8);
    scale.setFont(font);
    UpdateScale(scale, 441, 0, makePcmFormat(44100, 16, 2), true);
    const ScaleDrawing drawing = scale.layout();
    ASSERT_GE(drawing.labels.size(), 4u);
    EXPECT_EQ(drawing.step, 1000);
    EXPECT_EQ(drawing.labels[1].text, "00:01:000");
    EXPECT_EQ(drawing.labels[1].x, 104);

    scale.show();
    const QImage image = scale.grab().toImage();
    // The base line at y 2 and a major tick at x 100 reaching y 10, in black.
    EXPECT_EQ(image.pixel(250, 2), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(100, 9), qRgb(0, 0, 0));
    EXPECT_NE(image.pixel(100, 15), qRgb(0, 0, 0));

    scale.setFormat(TFormat::Samples);
    EXPECT_EQ(scale.layout().labels[1].text, "44100");
}

TEST(Scale, UpdateScaleCountsZoomZeroAsOneAndReplacesOnlyADifferentFormat) {
    TLUM32Scale scale;
    UpdateScale(scale, 0, 5, makePcmFormat(22050, 8, 1), false);
    EXPECT_EQ(scale.ZoomLevel(), 1u);
    EXPECT_EQ(scale.LeftSamplePos(), 5u);
    EXPECT_EQ(scale.waveFormat().sampleRate, 22050u);
    EXPECT_FALSE(scale.IsDataAvailable());
    // Same rate, bits and channels: the stored record stays as it was.
    WaveFormat other = makePcmFormat(22050, 8, 1);
    other.avgBytesPerSec = 1;
    UpdateScale(scale, 3, 5, other, true);
    EXPECT_EQ(scale.waveFormat().avgBytesPerSec, 22050u);
    EXPECT_TRUE(scale.IsDataAvailable());
    const ScaleDrawing none = [] {
        TLUM32Scale s;
        return s.layout();
    }();
    ASSERT_EQ(none.labels.size(), 1u);
    EXPECT_EQ(none.labels[0].text, "00:00:000");
}

TEST(Leds, PublishesItsDefaultsAndClampsTheLevel) {
    TLUM32VerticalLEDs leds;
    EXPECT_EQ(leds.LEDOnColor(), 65280u);
    EXPECT_EQ(leds.LEDOffColor(), 32768u);
    EXPECT_FLOAT_EQ(leds.Progress(), 0.5f);
    EXPECT_EQ(leds.NumLEDs(), 5);
    leds.setProgress(1.7f);
    EXPECT_FLOAT_EQ(leds.Progress(), 1.0f);
    leds.setProgress(-3.0f);
    EXPECT_FLOAT_EQ(leds.Progress(), 0.0f);
}

TEST(Leds, PointFiveOneOfTwentyLightsEleven) {
    TLUM32VerticalLEDs leds;
    leds.resize(12, 82);
    leds.setNumLEDs(20);
    leds.setColor(0xC0C0C0);
    leds.setLEDOnColor(0x00FF00);
    leds.setLEDOffColor(0x000080);
    leds.setProgress(0.51f);
    const QImage image = leds.render();
    int lit = 0, unlit = 0;
    // LED i spans rows 79 - 4i .. 82 - 4i; sample each in its middle column.
    for (int i = 1; i <= 20; ++i) {
        const QRgb p = image.pixel(6, 81 - 4 * i);
        if (p == qRgb(0, 255, 0)) ++lit;
        if (p == qRgb(128, 0, 0)) ++unlit;
        EXPECT_EQ(p, i <= 11 ? qRgb(0, 255, 0) : qRgb(128, 0, 0)) << "LED " << i;
    }
    EXPECT_EQ(lit, 11);
    EXPECT_EQ(unlit, 9);
    // The sunken border.
    EXPECT_EQ(image.pixel(5, 81), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(0, 40), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(1, 78), qRgb(192, 192, 192));  // background left of the LEDs

    leds.setProgress(1.7f);
    const QImage full = leds.render();
    EXPECT_EQ(full.pixel(6, 1), qRgb(0, 255, 0)) << "LED 20 reaches the top";
}

}  // namespace
}  // namespace sonthra
