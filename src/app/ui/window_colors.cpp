#include "app/ui/window_colors.h"

#include "controls/skin_colors.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"
#include "view/ui/color_form.h"
#include "view/ui/view_colors.h"

namespace sonthra {

namespace {

constexpr int kCannotCreateWindow = 158;

}  // namespace

void WindowColors::ApplyColorScheme() {
    ColorSchemeTargets targets;
    m_targets(targets);
    sonthra::ApplyColorScheme(m_scheme, targets);
}

void WindowColors::LoadColorScheme() {
    if (m_settings == nullptr) return;
    const int result = m_scheme.LoadColorScheme(*m_settings);
    if (result != 0 && m_settings->tellOnce(result)) ShowMessage(m_dialogs, &m_window, result);
    ApplyColorScheme();
}

void WindowColors::StoreColorScheme() {
    if (m_settings == nullptr) return;
    // As at every close of the colours window: the stored values are read and written back.
    ColorSchemeTable stored;
    if (stored.LoadColorScheme(*m_settings) == 0) stored.SaveColorScheme(*m_settings);
}

void WindowColors::TakeSkinColors(bool dark) {
    const ColorScheme colors = controls::SkinDisplayColors(dark);
    for (int element = 0; element < kColorSchemeSize; ++element) {
        const bool isDefault = colors[element] == m_scheme.entry(element).defaultColor;
        if (!isDefault) m_scheme.setCustomColor(element, colors[element]);
        m_scheme.setUseDefault(element, isDefault);
    }
    if (m_settings != nullptr) {
        const int saved = m_scheme.SaveColorScheme(*m_settings);
        if (saved != 0 && m_settings->tellOnce(saved)) ShowMessage(m_dialogs, &m_window, saved);
    }
    ApplyColorScheme();
}

void WindowColors::ViewSetColorsMenuClick() {
    if (m_settings == nullptr) {
        ShowMessage(m_dialogs, &m_window, kCannotCreateWindow);
        return;
    }
    TColorForm form(m_scheme, *m_settings, &m_window);
    form.setOnApply([this] { ApplyColorScheme(); });
    form.setOnMessage([this](int number) {
        if (m_settings->tellOnce(number)) ShowMessage(m_dialogs, &m_window, number);
    });
    form.setColorPicker([this](TColor initial, QWidget* parent) -> std::optional<TColor> {
        const QColor picked = m_dialogs.color(parent, toQColor(initial), "Color");
        if (!picked.isValid()) return std::nullopt;
        return fromQColor(picked);
    });
    if (form.exec() == QDialog::Accepted) ApplyColorScheme();
}

}  // namespace sonthra
