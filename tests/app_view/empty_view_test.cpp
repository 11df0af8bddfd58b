// Without a document the waveform and overview areas show the empty state in the colours of
// the scheme, and the ruler labels in its own font, through the real main window.
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

#include "app/ui/main_form.h"
#include "dialogs/ui/scripted_dialogs.h"
#include "view/ui/no_document_view.h"
#include "view/ui/scale_widget.h"

namespace sonthra {
namespace {

QColor schemeColor(TMainForm& form, int element) {
    return toQColor(form.Colors().Scheme().GetSchemeColor(element));
}

// The colours an image holds, each with the number of its pixels.
std::map<QRgb, int> colorsOf(const QImage& image) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y) | 0xFF000000u];
    }
    return counts;
}

TEST(EmptyView, TheAreasWithoutADocumentFollowTheColourSchemeAndTheRulerItsFont) {
    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    form.resize(900, 700);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.Colors().ApplyColorScheme();
    QCoreApplication::processEvents();

    struct Area {
        const char* name;
        int background;
        int text;
    };
    for (const Area area :
         {Area{"WaveformBase", kSchemeWaveformBackground, kSchemeWaveform},
          Area{"OverviewBase", kSchemeOverviewBackground, kSchemeOverviewWaveform}}) {
        SCOPED_TRACE(area.name);
        auto* view = form.findChild<TNoDocumentView*>(area.name);
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(view->isVisible());
        const QImage image = view->grab().toImage();
        // Mostly background, the empty-state text at the top left in the waveform colour.
        const QColor background = schemeColor(form, area.background);
        const QColor text = schemeColor(form, area.text);
        EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - 2), background);
        const auto counts = colorsOf(image.copy(0, 0, 150, 25));
        EXPECT_GT(counts.count(text.rgb()), 0u) << "no text in the waveform colour";
        EXPECT_EQ(view->NoSamplePresentText(), "No sample present");
    }

    // The ruler labels in Arial, 12 pixels high, as the window is skinned.
    auto* scale = form.findChild<TLUM32Scale*>();
    ASSERT_NE(scale, nullptr);
    EXPECT_EQ(scale->font().family(), "Arial");
    EXPECT_EQ(scale->font().pixelSize(), 12);
}

}  // namespace
}  // namespace sonthra
