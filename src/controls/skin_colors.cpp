#include "controls/skin_colors.h"

namespace sonthra::controls {

namespace {

constexpr std::uint32_t rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// Quieter than the compiled-in scheme: near-black greys that sit with the dark skin's panels,
// a soft blue waveform, an amber caret that stays visible over the selection.
constexpr ColorScheme kDarkColors{
    rgb(24, 26, 29),     // waveform background
    rgb(120, 190, 255),  // waveform
    rgb(74, 84, 96),     // axis
    rgb(255, 208, 84),   // cursor
    rgb(48, 70, 104),    // selection background
    rgb(204, 226, 255),  // selection waveform
    rgb(32, 34, 38),     // overview background
    rgb(98, 158, 220),   // overview waveform
    rgb(24, 26, 29),     // LED background
    rgb(255, 84, 64),    // LED on
    rgb(74, 32, 30),     // LED off
    rgb(255, 140, 40),   // clipping light on
    rgb(72, 75, 80),     // clipping light off
};

}  // namespace

ColorScheme SkinDisplayColors(bool dark) {
    if (dark) return kDarkColors;
    ColorScheme colors{};
    for (int i = 0; i < kColorSchemeSize; ++i) colors[i] = kColorSchemeElements[i].defaultColor;
    return colors;
}

}  // namespace sonthra::controls
