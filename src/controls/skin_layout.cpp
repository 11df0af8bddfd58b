#include "controls/skin_layout.h"

#include <algorithm>
#include <cmath>

namespace sonthra::controls {

Bands splitBands(int height) {
    Bands bands;
    if (height <= 0) return bands;
    bands.top = std::max(0, height / 2 - 1);
    bands.middle = std::min(height - bands.top, height % 2 == 1 ? 3 : 2);
    bands.bottom = height - bands.top - bands.middle;
    return bands;
}

PieceSpans splitPieces(int width, int leftWidth, int rightWidth) {
    PieceSpans spans;
    if (width <= 0) return spans;
    spans.left = std::clamp(leftWidth, 0, width / 2);
    spans.right = std::clamp(rightWidth, 0, width / 2);
    spans.centre = width - spans.left - spans.right;
    return spans;
}

int clampPosition(int value, int min, int max) {
    return max < min ? min : std::clamp(value, min, max);
}

int thumbOffset(int extent, int thumb, int position, int min, int max) {
    if (max <= min || extent <= thumb) return 0;
    const double share = static_cast<double>(clampPosition(position, min, max) - min) / (max - min);
    return static_cast<int>(std::lround((extent - thumb) * share));
}

int positionAtOffset(int offset, int extent, int thumb, int min, int max) {
    if (max <= min || extent <= thumb) return min;
    const double value = static_cast<double>(offset) * (max - min) / (extent - thumb) + min;
    return clampPosition(static_cast<int>(std::lround(value)), min, max);
}

int tileCount(int length, int tileSize) {
    if (tileSize <= 0 || length <= 0) return 0;
    return (length + tileSize - 1) / tileSize;
}

const std::vector<std::string>& buttonImageNames() {
    static const std::vector<std::string> names = {
        "Btnleft",      "Btncenter",       "Btnright",          "BtnleftDown",     "BtncenterDown",
        "BtnrightDown", "BtnleftDisabled", "BtncenterDisabled", "BtnrightDisabled"};
    return names;
}

const std::vector<std::string>& verticalSliderImageNames() {
    static const std::vector<std::string> names = {"thumbvert", "channelvert", "channelverttop",
                                                   "channelvertBottom", "backgroundvert"};
    return names;
}

const std::vector<std::string>& horizontalSliderImageNames() {
    static const std::vector<std::string> names = {"thumbhorz",       "channelhorz",
                                                   "channelhorzLeft", "channelhorzRight",
                                                   "backgroundhorz",  "channelsel"};
    return names;
}

const std::vector<std::string>& formImageNames() {
    static const std::vector<std::string> names = {
        "topleft", "topright", "botLeft", "botRight", "top", "bot", "left", "right", "center"};
    return names;
}

}  // namespace sonthra::controls
