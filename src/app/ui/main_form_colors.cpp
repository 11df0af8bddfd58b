// The display colour scheme in the main window: loading it at the first show, the Set Colors
// window, applying the scheme to the displays, overviews, meters and clipping lights, and
// storing it at shutdown.
#include <QFrame>

#include "app/ui/document_views.h"
#include "app/ui/main_form.h"
#include "dialogs/ui/user_dialogs.h"
#include "view/ui/color_form.h"
#include "view/ui/overview.h"
#include "view/ui/wave_display.h"

namespace sonthra {

namespace {

constexpr int kCannotCreateWindow = 158;
constexpr const char* kClippingNames[2] = {"LeftChannelClipping", "RightChannelClipping"};

QString cssColor(TColor color) {
    return QString("rgb(%1, %2, %3)")
        .arg(color & 0xFF)
        .arg((color >> 8) & 0xFF)
        .arg((color >> 16) & 0xFF);
}

}  // namespace

void TMainForm::paintClippingLight(int channel, TColor color) {
    if (auto* light = findChild<QWidget*>(kClippingNames[channel & 1])) {
        light->setStyleSheet(QString("QFrame#%1 { background: %2; }")
                                 .arg(kClippingNames[channel & 1], cssColor(color)));
    }
}

void TMainForm::ApplyColorScheme() {
    ColorSchemeTargets targets;
    if (m_parts) m_parts->AddColorTargets(targets);
    for (int channel = 0; channel < 2; ++channel) {
        targets.meters.push_back(m_meters[channel]);
        targets.clippingLights.push_back({m_meters[channel], [this, channel](TColor color) {
                                              paintClippingLight(channel, color);
                                          }});
    }
    targets.storeClippingColors = [this](TColor lit, TColor unlit) {
        m_clippingLit = lit;
        m_clippingUnlit = unlit;
    };
    targets.emptyDisplay = findChild<TNoDocumentView*>("WaveformBase");
    targets.emptyOverview = findChild<TNoDocumentView*>("OverviewBase");
    targets.renderAndScale = [this](RIZI32DaziVereruz& view) {
        m_parts->RenderAndScale(view, view.ZoomLevel(), view.LeftSamplePos());
    };
    sonthra::ApplyColorScheme(m_colorScheme, targets);
}

void TMainForm::LoadColorScheme() {
    if (m_settings == nullptr) return;
    const int result = m_colorScheme.LoadColorScheme(*m_settings);
    if (result != 0) ShowMessage(m_dialogs, this, result);
    ApplyColorScheme();
}

void TMainForm::StoreColorScheme() {
    if (m_settings == nullptr) return;
    // As at every close of the colours window: the stored values are read and written back,
    // so a scheme changed by another copy of the program is not overwritten with defaults.
    ColorSchemeTable stored;
    if (stored.LoadColorScheme(*m_settings) == 0) stored.SaveColorScheme(*m_settings);
}

void TMainForm::ViewSetColorsMenuClick() {
    if (m_settings == nullptr) {
        ShowMessage(m_dialogs, this, kCannotCreateWindow);
        return;
    }
    TColorForm form(m_colorScheme, *m_settings, this);
    form.setOnApply([this] { ApplyColorScheme(); });
    form.setOnMessage([this](int number) { ShowMessage(m_dialogs, this, number); });
    form.setColorPicker([this](TColor initial, QWidget* parent) -> std::optional<TColor> {
        const QColor picked = m_dialogs.color(
            parent, QColor(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF), "Color");
        if (!picked.isValid()) return std::nullopt;
        return static_cast<TColor>(picked.red()) | (static_cast<TColor>(picked.green()) << 8) |
               (static_cast<TColor>(picked.blue()) << 16);
    });
    if (form.exec() == QDialog::Accepted) ApplyColorScheme();
}

}  // namespace sonthra
