#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/ui/mixer_levels.h"

namespace sonthra {

namespace {

std::int64_t rounded(double value) {
    return std::llround(value);
}

std::uint32_t clampLevel(std::int64_t value) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, 0, UINT32_MAX));
}

int clampPosition(std::int64_t position) {
    return static_cast<int>(std::clamp<std::int64_t>(position, kSliderMin, kSliderMax));
}

}  // namespace

std::uint32_t VolumeBound(int result, std::uint32_t upper) {
    return result != 0 || upper == 0 ? kFallbackVolumeBound : upper;
}

std::uint32_t SliderLevel(int position, std::uint32_t bound) {
    const std::int64_t v = clampPosition(position);
    return clampLevel((kSliderMax - v) * static_cast<std::int64_t>(bound) /
                      (kSliderMax - kSliderMin));
}

ChannelPair VolumeChannels(std::uint32_t level, int balance) {
    const double lean =
        static_cast<double>(clampPosition(balance) - kSliderCentre) / kSliderHalfRange;
    const std::int64_t c = level;
    const std::int64_t shift = rounded(static_cast<double>(c) * lean);
    if (lean < 0) return {clampLevel(c), clampLevel(c + shift)};
    return {clampLevel(c - shift), clampLevel(c)};
}

ChannelPair BalanceChannels(const ChannelPair& current, int balance) {
    const std::int64_t b = clampPosition(balance);
    const std::int64_t m = std::max(current[0], current[1]);
    const std::int64_t g =
        rounded(static_cast<double>(std::llabs(b - kSliderHalfRange)) / kSliderHalfRange * 100.0);
    if (g == 0) return {clampLevel(m), clampLevel(m)};
    const std::uint32_t lowered = clampLevel(m - m * g / 100);
    // Leaning right lowers the left channel, leaning left the right one.
    if (b > kSliderCentre) return {lowered, clampLevel(m)};
    return {clampLevel(m), lowered};
}

int VolumeSliderPosition(std::uint32_t larger, std::uint32_t bound) {
    if (bound == 0) bound = kFallbackVolumeBound;
    return clampPosition(kSliderMax - rounded(static_cast<double>(kSliderMax) * larger / bound));
}

int BalanceSliderPosition(const ChannelPair& values) {
    const auto [left, right] = values;
    if (left == right) return kSliderCentre;
    const std::uint32_t louder = std::max(left, right);
    const std::uint32_t difference = louder - std::min(left, right);
    const std::int64_t percent = rounded(static_cast<double>(difference) / louder * 100.0);
    const std::int64_t offset = rounded(static_cast<double>(percent) * kSliderHalfRange / 100.0);
    return clampPosition(left > right ? kSliderCentre - offset : kSliderCentre + offset);
}

}  // namespace sonthra
