#include "view/led_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "view/peak_builder.h"

namespace sonthra {
namespace {

int roundEven(std::int64_t numerator, std::int64_t denominator) {
    if (numerator >= 0) return static_cast<int>(roundHalfEven(numerator, denominator));
    return -static_cast<int>(roundHalfEven(-numerator, denominator));
}

}  // namespace

float ClampLevel(float progress) {
    if (progress >= 1.0f) return 1.0f;
    if (!(progress > 0.0f)) return 0.0f;
    return progress;
}

int LitLeds(int numLeds, float progress) {
    if (numLeds <= 0) return 0;
    const float lit = std::ceil(static_cast<float>(numLeds) * ClampLevel(progress));
    return std::clamp(static_cast<int>(lit), 0, numLeds);
}

LedLayout LayoutLeds(int width, int height, int numLeds, float progress) {
    LedLayout out;
    if (numLeds <= 0) return out;
    out.pitch = roundEven(height - 8, numLeds);
    out.gap = roundEven(std::int64_t{out.pitch} * 10, 100);
    out.lit = LitLeds(numLeds, progress);
    for (int i = 1; i <= numLeds; ++i) {
        const int top = height - 3 - i * out.pitch;
        out.leds.push_back({2, top, width - 1, top + out.pitch - out.gap, i <= out.lit});
    }
    return out;
}

}  // namespace sonthra
