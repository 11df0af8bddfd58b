#include "view/ui/color_form.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sonthra {
namespace {

std::optional<TColor> platformPicker(TColor initial, QWidget* parent) {
    const QColor picked =
        QColorDialog::getColor(toQColor(initial), parent, QStringLiteral("Color"));
    if (!picked.isValid()) return std::nullopt;
    return fromQColor(picked);
}

}  // namespace

TColorForm::TColorForm(ColorSchemeTable& scheme, Settings& settings, QWidget* parent)
    : QDialog(parent), m_scheme(scheme), m_settings(settings), m_picker(platformPicker) {
    setObjectName("TColorForm");
    setWindowTitle("Set Colors");
    setFixedSize(457, 260);

    auto* group = new QGroupBox("[ Color Scheme ]", this);
    auto* label = new QLabel("Display Elements", group);
    DisplayElementsListBox = new QListWidget(group);
    DisplayElementsListBox->setObjectName("DisplayElementsListBox");
    ColorRadioGroup = new QGroupBox("Color", group);
    ColorRadioGroup->setObjectName("ColorRadioGroup");
    DefaultRadio = new QRadioButton("Default", ColorRadioGroup);
    CustomizeRadio = new QRadioButton("Customize", ColorRadioGroup);
    m_radios = new QButtonGroup(this);
    m_radios->addButton(DefaultRadio, 0);
    m_radios->addButton(CustomizeRadio, 1);
    auto* radioLayout = new QVBoxLayout(ColorRadioGroup);
    radioLayout->addWidget(DefaultRadio);
    radioLayout->addWidget(CustomizeRadio);
    ChangeColor = new QPushButton("Change &Color...", group);
    ChangeColor->setObjectName("ChangeColor");
    SampleColorPanel = new QFrame(group);
    SampleColorPanel->setObjectName("SampleColorPanel");
    SampleColorPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    SampleColorPanel->setAutoFillBackground(true);
    SampleColorPanel->setMinimumSize(80, 40);

    auto* right = new QVBoxLayout;
    right->addWidget(ColorRadioGroup);
    right->addWidget(ChangeColor);
    right->addWidget(SampleColorPanel, 1);
    auto* left = new QVBoxLayout;
    left->addWidget(label);
    left->addWidget(DisplayElementsListBox, 1);
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->addLayout(left, 3);
    groupLayout->addLayout(right, 2);

    OkButton = new QPushButton("OK", this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    ApplyButton = new QPushButton("Apply", this);
    ApplyButton->setObjectName("ApplyButton");
    HelpButton = new QPushButton("&Help", this);
    HelpButton->setObjectName("HelpButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {OkButton, CancelButton, ApplyButton, HelpButton}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);

    connect(DisplayElementsListBox, &QListWidget::currentRowChanged, this,
            [this] { DisplayElementsListBoxClick(); });
    connect(m_radios, &QButtonGroup::idClicked, this, [this] { ColorRadioGroupClick(); });
    connect(ChangeColor, &QPushButton::clicked, this, [this] { ChangeColorClick(); });
    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyButtonClick(); });
    FormCreate();
}

void TColorForm::report(int code) {
    if (isSettingsFileFault(code) && m_onMessage) m_onMessage(code);
}

int TColorForm::selected() const {
    return DisplayElementsListBox->currentRow();
}

void TColorForm::fillList() {
    const QSignalBlocker block(DisplayElementsListBox);
    DisplayElementsListBox->clear();
    for (int i = 0; i < kColorSchemeSize; ++i) {
        DisplayElementsListBox->addItem(QString::fromStdString(m_scheme.entry(i).name));
    }
    DisplayElementsListBox->setCurrentRow(0);
}

void TColorForm::showSample(TColor color) {
    m_sample = color;
    QPalette palette = SampleColorPanel->palette();
    palette.setColor(QPalette::Window, toQColor(color));
    SampleColorPanel->setPalette(palette);
}

void TColorForm::FormCreate() {
    report(m_scheme.LoadColorScheme(m_settings));
    fillList();
    DisplayElementsListBoxClick();
}

void TColorForm::DisplayElementsListBoxClick() {
    const int element = selected();
    if (element < 0 || element >= kColorSchemeSize) return;
    const ColorSchemeEntry& entry = m_scheme.entry(element);
    (entry.useDefault ? DefaultRadio : CustomizeRadio)->setChecked(true);
    showSample(entry.useDefault ? entry.defaultColor : entry.customColor);
}

void TColorForm::ColorRadioGroupClick() {
    const int element = selected();
    if (element < 0 || element >= kColorSchemeSize) return;
    const bool useDefault = DefaultRadio->isChecked();
    m_scheme.setUseDefault(element, useDefault);
    const ColorSchemeEntry& entry = m_scheme.entry(element);
    showSample(useDefault ? entry.defaultColor : entry.customColor);
}

void TColorForm::ChangeColorClick() {
    if (!m_picker) return;
    const std::optional<TColor> picked = m_picker(m_sample, this);
    const int element = selected();
    if (!picked || element < 0 || element >= kColorSchemeSize) return;
    CustomizeRadio->setChecked(true);
    m_scheme.setUseDefault(element, false);
    m_scheme.setCustomColor(element, *picked);
    showSample(*picked);
}

void TColorForm::ApplyButtonClick() {
    report(m_scheme.SaveColorScheme(m_settings));
    if (m_onApply) m_onApply();
}

void TColorForm::OkButtonClick() {
    report(m_scheme.SaveColorScheme(m_settings));
    accept();
}

void TColorForm::CancelButtonClick() {
    report(m_scheme.LoadColorScheme(m_settings));
    fillList();
    DisplayElementsListBoxClick();
    QDialog::reject();
}

void TColorForm::reject() {
    CancelButtonClick();
}

void ApplyColorScheme(const ColorSchemeTable& scheme, const ColorSchemeTargets& targets) {
    auto color = [&](int element) { return scheme.GetSchemeColor(element); };
    for (TLUM32VerticalLEDs* meter : targets.meters) {
        meter->setColor(color(kSchemeLedBackground));
        meter->setLEDOffColor(color(kSchemeLedOff));
        meter->setLEDOnColor(color(kSchemeLedOn));
    }
    if (targets.storeClippingColors) {
        targets.storeClippingColors(color(kSchemeClippingLightOn), color(kSchemeClippingLightOff));
    }
    for (const auto& light : targets.clippingLights) {
        if (light.paint) light.paint(color(kSchemeClippingLightOff));
    }
    for (const auto& light : targets.clippingLights) {
        if (light.paint && light.meter && light.meter->Progress() * 100 > 95) {
            light.paint(color(kSchemeClippingLightOn));
        }
    }
    auto colorDisplay = [&](RIZI32DaziVereruz* display) {
        display->setBackGroundColor(color(kSchemeWaveformBackground));
        display->setWaveFormColor(color(kSchemeWaveform));
        display->setAxisColor(color(kSchemeAxis));
        display->setCaretColor(color(kSchemeCursor));
        display->setSelectionBackGroundColor(color(kSchemeSelectionBackground));
        display->setSelectionWaveFormColor(color(kSchemeSelectionWaveform));
    };
    auto colorOverview = [&](TLUM32Overview* overview) {
        overview->setBackGroundColor(color(kSchemeOverviewBackground));
        overview->setWaveFormColor(color(kSchemeOverviewWaveform));
        // The scheme has no axis of the overview's own: its centre line is drawn in the
        // overview's waveform colour rather than the component's built-in red.
        overview->setAxisColor(color(kSchemeOverviewWaveform));
    };
    if (targets.templateDisplay) colorDisplay(targets.templateDisplay);
    if (targets.emptyDisplay) {
        targets.emptyDisplay->setBackGroundColor(color(kSchemeWaveformBackground));
        targets.emptyDisplay->setWaveFormColor(color(kSchemeWaveform));
    }
    if (targets.emptyOverview) {
        targets.emptyOverview->setBackGroundColor(color(kSchemeOverviewBackground));
        targets.emptyOverview->setWaveFormColor(color(kSchemeOverviewWaveform));
    }
    if (targets.templateOverview) colorOverview(targets.templateOverview);
    for (const auto& [display, overview] : targets.documents) {
        if (display) {
            colorDisplay(display);
            if (targets.renderAndScale) {
                targets.renderAndScale(*display);
            } else {
                display->RenderView(display->ZoomLevel(), display->LeftSamplePos());
            }
        }
        if (overview) {
            colorOverview(overview);
            overview->RenderView(overview->ZoomLevel(), overview->LeftSamplePos());
        }
    }
}

}  // namespace sonthra
