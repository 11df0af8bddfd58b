#include "edit/zoom_rules.h"

#include <algorithm>
#include <limits>

namespace sonthra {

namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

}  // namespace

std::uint32_t ZoomInLevel(std::uint32_t level) {
    return level > 3 ? level / 2 : 1;
}

std::uint32_t ZoomOutLevel(std::uint32_t level, std::uint32_t maxLevel) {
    const std::uint64_t doubled = std::uint64_t{level} * 2;
    return doubled < maxLevel ? static_cast<std::uint32_t>(doubled) : maxLevel;
}

std::uint32_t ScrollStep(std::uint32_t zoom, int width) {
    const std::uint64_t frames = std::uint64_t{std::max<std::uint32_t>(zoom, 1)} *
                                 static_cast<std::uint64_t>(std::max(width, 0));
    return static_cast<std::uint32_t>(std::min(frames / 2, kMax32));
}

std::uint32_t ScrollLeftTarget(std::uint32_t left, std::uint32_t zoom, int width) {
    const std::uint32_t step = ScrollStep(zoom, width);
    return left < step ? 0 : left - step;
}

std::optional<std::uint32_t> ScrollRightTarget(std::uint32_t left, std::uint32_t zoom, int width,
                                               std::uint32_t maxPosition) {
    const std::uint64_t wanted = std::uint64_t{left} + ScrollStep(zoom, width);
    const auto target = static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted, maxPosition));
    if (target == 0) return std::nullopt;
    return target;
}

std::uint32_t ZoomAfterEdit(bool wasWhole, std::uint32_t current, std::uint32_t maxLevel) {
    return wasWhole ? maxLevel : current;
}

}  // namespace sonthra
