// The display colour scheme: thirteen elements, each with its compiled-in default, a custom
// colour and a use-default flag, loaded from and saved to the settings store. Colours are
// 32-bit numbers with red in bits 0-7, green 8-15 and blue 16-23. The main window owns one
// table for the run and hands it to the colours window; GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace sonthra {

// Element numbers, which are also the list order and the storage order.
enum ColorSchemeIndex : int {
    kSchemeWaveformBackground = 0,
    kSchemeWaveform = 1,
    kSchemeAxis = 2,
    kSchemeCursor = 3,
    kSchemeSelectionBackground = 4,
    kSchemeSelectionWaveform = 5,
    kSchemeOverviewBackground = 6,
    kSchemeOverviewWaveform = 7,
    kSchemeLedBackground = 8,
    kSchemeLedOn = 9,
    kSchemeLedOff = 10,
    kSchemeClippingLightOn = 11,
    kSchemeClippingLightOff = 12,
};

struct ColorSchemeEntry {
    std::string name;
    std::uint32_t defaultColor = 0;
    std::uint32_t customColor = 0;
    bool useDefault = true;
};

class ColorSchemeTable {
public:
    // The compiled-in defaults, every element on "Default".
    ColorSchemeTable();

    // Reads the thirteen stored values; a missing or garbled one becomes the default, and an
    // element is on "Default" exactly when its colour equals the default. 0, or 183/185 when
    // the store or its key cannot be opened, the table then keeping what it held.
    int LoadColorScheme(Settings& settings);
    // Writes the thirteen effective colours. 0, 183, 185, or 187 when the values could not be
    // written.
    int SaveColorScheme(Settings& settings) const;

    // The effective colour: the default when the flag is set, else the custom colour; 0 for an
    // element number outside 0..12.
    std::uint32_t GetSchemeColor(int element) const;

    const ColorSchemeEntry& entry(int element) const { return m_entries.at(element); }
    void setUseDefault(int element, bool useDefault);
    void setCustomColor(int element, std::uint32_t color);

private:
    std::array<ColorSchemeEntry, kColorSchemeSize> m_entries;
};

}  // namespace sonthra
