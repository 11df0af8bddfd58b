#include "view/color_scheme.h"

namespace sonthra {

ColorSchemeTable::ColorSchemeTable() {
    for (int i = 0; i < kColorSchemeSize; ++i) {
        m_entries[i].name = kColorSchemeElements[i].name;
        m_entries[i].defaultColor = kColorSchemeElements[i].defaultColor;
        m_entries[i].customColor = kColorSchemeElements[i].defaultColor;
        m_entries[i].useDefault = true;
    }
}

int ColorSchemeTable::LoadColorScheme(Settings& settings) {
    const SettingRead<ColorScheme> read = settings.readColorScheme();
    if (isSettingsFileFault(read.result)) return read.result;
    for (int i = 0; i < kColorSchemeSize; ++i) {
        m_entries[i].customColor = read.value[i];
        m_entries[i].useDefault = read.value[i] == m_entries[i].defaultColor;
    }
    return 0;
}

int ColorSchemeTable::SaveColorScheme(Settings& settings) const {
    ColorScheme colors{};
    for (int i = 0; i < kColorSchemeSize; ++i) colors[i] = GetSchemeColor(i);
    return settings.writeColorScheme(colors);
}

std::uint32_t ColorSchemeTable::GetSchemeColor(int element) const {
    if (element < 0 || element >= kColorSchemeSize) return 0;
    const ColorSchemeEntry& e = m_entries[element];
    return e.useDefault ? e.defaultColor : e.customColor;
}

void ColorSchemeTable::setUseDefault(int element, bool useDefault) {
    if (element >= 0 && element < kColorSchemeSize) m_entries[element].useDefault = useDefault;
}

void ColorSchemeTable::setCustomColor(int element, std::uint32_t color) {
    if (element >= 0 && element < kColorSchemeSize) m_entries[element].customColor = color;
}

}  // namespace sonthra
