// The level meter's geometry as plain data: how many LEDs are lit for a level and where each
// LED lies, LED 1 at the bottom. The widget (TLUM32VerticalLEDs) fills what it gets back.
#pragma once

#include <vector>

namespace sonthra {

// A level clamped to [0, 1]: 1 or more gives 1, anything not above 0 (NaN included) gives 0.
float ClampLevel(float progress);

// LEDs lit for a level: ceil(numLeds x progress) in single precision, at most numLeds.
int LitLeds(int numLeds, float progress);

struct LedRect {
    int left, top, right, bottom;  // right and bottom are exclusive
    bool lit;
};

struct LedLayout {
    int pitch = 0;  // round((height - 8) / numLeds), ties to even
    int gap = 0;    // round(pitch x 10 / 100), ties to even
    int lit = 0;
    std::vector<LedRect> leds;  // LED 1 first
};

LedLayout LayoutLeds(int width, int height, int numLeds, float progress);

}  // namespace sonthra
