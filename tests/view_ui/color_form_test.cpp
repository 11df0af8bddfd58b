// The "Set Colors" window over a real settings file, and ApplyColorScheme.
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "display_fixture.h"
#include "settings/color_text.h"
#include "settings/registry_store.h"
#include "view/ui/color_form.h"

namespace sonthra {
namespace {

using testing::TempDir;

constexpr TColor kLightBlue = rgbColor(106, 181, 255);

void storeText(const std::string& file, const char* name, const std::string& text) {
    RegistryStore store(file);
    ASSERT_EQ(store.open(), 0);
    ASSERT_EQ(store.openKey(ColorSchemeKey, true), 0);
    ASSERT_EQ(store.writeString(name, text), 0);
    ASSERT_EQ(store.close(), 0);
}

struct Form {
    Form() : settings(dir.file("settings")) {}
    void open() {
        form = std::make_unique<TColorForm>(scheme, settings);
        form->setColorPicker([this](TColor initial, QWidget*) -> std::optional<TColor> {
            pickedFrom = initial;
            return pick;
        });
        form->setOnApply([this] { ++applied; });
    }
    void select(int element) { form->DisplayElementsListBox->setCurrentRow(element); }
    TempDir dir;
    Settings settings;
    ColorSchemeTable scheme;
    std::unique_ptr<TColorForm> form;
    std::optional<TColor> pick;
    TColor pickedFrom = 0;
    int applied = 0;
};

TEST(ColorForm, ListsTheThirteenElementsAndShowsTheFirst) {
    Form f;
    f.open();
    EXPECT_EQ(f.form->windowTitle(), "Set Colors");
    EXPECT_EQ(f.form->size(), QSize(457, 260));
    ASSERT_EQ(f.form->DisplayElementsListBox->count(), 13);
    EXPECT_EQ(f.form->DisplayElementsListBox->item(0)->text(), "Waveform Background");
    EXPECT_EQ(f.form->DisplayElementsListBox->item(12)->text(), "Clipping Light Off");
    EXPECT_EQ(f.form->DisplayElementsListBox->currentRow(), 0);
    EXPECT_TRUE(f.form->DefaultRadio->isChecked());
    EXPECT_EQ(f.form->sampleColor(), 0u);
    EXPECT_EQ(f.form->ChangeColor->text(), "Change &Color...");
    EXPECT_EQ(f.form->HelpButton->text(), "&Help");
    EXPECT_EQ(f.form->ColorRadioGroup->title(), "Color");
}

TEST(ColorForm, AStoredRedWaveformCanBeSetBackToItsDefault) {
    Form f;
    storeText(f.settings.file(), "Waveform", "clRed");
    storeText(f.settings.file(), "Axis", "garbage");
    f.open();
    f.select(kSchemeWaveform);
    EXPECT_TRUE(f.form->CustomizeRadio->isChecked());
    EXPECT_EQ(f.form->sampleColor(), rgbColor(255, 0, 0));
    f.select(kSchemeAxis);
    EXPECT_TRUE(f.form->DefaultRadio->isChecked());

    f.select(kSchemeWaveform);
    f.form->DefaultRadio->click();
    EXPECT_EQ(f.form->sampleColor(), kLightBlue);
    EXPECT_TRUE(f.scheme.entry(kSchemeWaveform).useDefault);
    // "Customize" shows the custom colour again.
    f.form->CustomizeRadio->click();
    EXPECT_EQ(f.form->sampleColor(), rgbColor(255, 0, 0));
}

TEST(ColorForm, APickedColourIsCustomUntilItEqualsTheDefaultOnTheNextLoad) {
    Form f;
    f.open();
    f.select(kSchemeLedOn);
    f.pick = rgbColor(1, 2, 3);
    f.form->ChangeColor->click();
    EXPECT_EQ(f.pickedFrom, kColorSchemeElements[kSchemeLedOn].defaultColor);
    EXPECT_TRUE(f.form->CustomizeRadio->isChecked());
    EXPECT_EQ(f.form->sampleColor(), rgbColor(1, 2, 3));
    EXPECT_EQ(f.scheme.GetSchemeColor(kSchemeLedOn), rgbColor(1, 2, 3));

    // A cancelled picker changes nothing.
    f.pick.reset();
    f.form->ChangeColor->click();
    EXPECT_EQ(f.scheme.GetSchemeColor(kSchemeLedOn), rgbColor(1, 2, 3));

    // Picking the default itself stays "Customize" until the scheme is loaded again.
    f.select(kSchemeCursor);
    f.pick = kColorSchemeElements[kSchemeCursor].defaultColor;
    f.form->ChangeColor->click();
    EXPECT_TRUE(f.form->CustomizeRadio->isChecked());
    f.form->OkButton->click();
    EXPECT_EQ(f.form->result(), QDialog::Accepted);

    f.open();
    f.select(kSchemeCursor);
    EXPECT_TRUE(f.form->DefaultRadio->isChecked());
    f.select(kSchemeLedOn);
    EXPECT_TRUE(f.form->CustomizeRadio->isChecked());
}

TEST(ColorForm, CancelAfterApplyKeepsWhatWasApplied) {
    Form f;
    f.open();
    f.select(kSchemeWaveform);
    f.pick = rgbColor(9, 9, 9);
    f.form->ChangeColor->click();
    f.form->ApplyButton->click();
    EXPECT_EQ(f.applied, 1);
    EXPECT_EQ(f.settings.readColorScheme().value[kSchemeWaveform], rgbColor(9, 9, 9));

    f.select(kSchemeAxis);
    f.pick = rgbColor(7, 7, 7);
    f.form->ChangeColor->click();
    f.form->CancelButton->click();
    EXPECT_EQ(f.form->result(), QDialog::Rejected);
    // The applied colour was stored; the unapplied one is gone.
    EXPECT_EQ(f.scheme.GetSchemeColor(kSchemeWaveform), rgbColor(9, 9, 9));
    EXPECT_EQ(f.scheme.GetSchemeColor(kSchemeAxis), kLightBlue);
    EXPECT_EQ(f.settings.readColorScheme().value[kSchemeWaveform], rgbColor(9, 9, 9));
}

TEST(ColorForm, SettingsThatCannotBeOpenedAreReported) {
    TempDir dir;
    testing::writeBytes(dir.file("plain"), "x");
    Settings settings(dir.file("plain") + "/settings");
    ColorSchemeTable scheme;
    std::vector<int> shown;
    TColorForm form(scheme, settings);
    form.setOnMessage([&](int m) { shown.push_back(m); });
    form.ApplyButtonClick();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0] == 183 || shown[0] == 185);
}

TEST(ApplyColorScheme, ColoursDisplaysMetersAndClippingLights) {
    ColorSchemeTable scheme;
    for (int i = 0; i < kColorSchemeSize; ++i) {
        scheme.setUseDefault(i, false);
        scheme.setCustomColor(i, static_cast<TColor>(0x10 + i));
    }
    testing::ShownDisplay shown(testing::loudStretch(3200, 0, 0), 100, 41);
    ASSERT_EQ(shown.display->RenderView(32, 0), 0);
    RIZI32DaziVereruz templateDisplay;
    TLUM32Overview templateOverview, overview;
    TLUM32VerticalLEDs left, right;
    left.setProgress(0.96f);
    right.setProgress(0.5f);
    std::vector<std::pair<std::string, TColor>> painted;
    TColor lit = 0, unlit = 0;
    int rendered = 0;

    ColorSchemeTargets targets;
    targets.templateDisplay = &templateDisplay;
    targets.templateOverview = &templateOverview;
    targets.documents = {{shown.display.get(), &overview}};
    targets.meters = {&left, &right};
    targets.clippingLights = {{&left,
                               [&](TColor c) {
                                   painted.push_back({"left", c});
                               }},
                              {&right, [&](TColor c) {
                                   painted.push_back({"right", c});
                               }}};
    targets.storeClippingColors = [&](TColor l, TColor u) { lit = l, unlit = u; };
    targets.renderAndScale = [&](RIZI32DaziVereruz& d) {
        ++rendered;
        d.RenderView(d.ZoomLevel(), d.LeftSamplePos());
    };
    ApplyColorScheme(scheme, targets);

    for (RIZI32DaziVereruz* d : {&templateDisplay, shown.display.get()}) {
        EXPECT_EQ(d->BackGroundColor(), 0x10u);
        EXPECT_EQ(d->WaveFormColor(), 0x11u);
        EXPECT_EQ(d->AxisColor(), 0x12u);
        EXPECT_EQ(d->CaretColor(), 0x13u);
        EXPECT_EQ(d->SelectionBackGroundColor(), 0x14u);
        EXPECT_EQ(d->SelectionWaveFormColor(), 0x15u);
    }
    for (TLUM32Overview* o : {&templateOverview, &overview}) {
        EXPECT_EQ(o->BackGroundColor(), 0x16u);
        EXPECT_EQ(o->WaveFormColor(), 0x17u);
        EXPECT_EQ(o->AxisColor(), 0x17u) << "the centre line follows the scheme too";
    }
    for (TLUM32VerticalLEDs* m : {&left, &right}) {
        EXPECT_EQ(m->Color(), 0x18u);
        EXPECT_EQ(m->LEDOnColor(), 0x19u);
        EXPECT_EQ(m->LEDOffColor(), 0x1Au);
    }
    EXPECT_EQ(lit, 0x1Bu);
    EXPECT_EQ(unlit, 0x1Cu);
    // Both unlit first, then the light of the meter above 95 % lit.
    const std::vector<std::pair<std::string, TColor>> expected = {
        {"left", 0x1C}, {"right", 0x1C}, {"left", 0x1B}};
    EXPECT_EQ(painted, expected);
    EXPECT_EQ(rendered, 1);
    // The display was drawn again in its new background colour.
    EXPECT_EQ(shown.grab().pixel(50, 1), toQColor(0x10).rgb());
}

}  // namespace
}  // namespace sonthra
