#include "app/transport_rules.h"

namespace sonthra {

namespace {

std::uint32_t fivePercent(std::uint32_t total) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(total) * 5 / 100);
}

}  // namespace

FrameRange PlayRange(std::uint32_t caret, Selection selection, std::uint32_t total) {
    if (selection.present()) return {selection.low(), selection.high()};
    const bool atEnd = total == 0 || caret >= total - 1;
    return {atEnd ? 0u : caret, 0u};
}

std::optional<std::uint32_t> ForwardTarget(std::uint32_t position, std::uint32_t total) {
    const std::uint64_t target = static_cast<std::uint64_t>(position) + fivePercent(total);
    if (target >= total) return std::nullopt;
    return static_cast<std::uint32_t>(target);
}

std::uint32_t RewindTarget(std::uint32_t position, std::uint32_t total) {
    const std::uint32_t step = fivePercent(total);
    return position > step ? position - step : 0;
}

std::uint32_t GoToStartTarget(Selection selection) {
    return selection.present() ? selection.low() : 0;
}

std::uint32_t GoToEndTarget(Selection selection, std::uint32_t total) {
    return selection.present() ? selection.high() : total;
}

ClippingLights ClippingFor(int leftLevel, int rightLevel) {
    return {leftLevel > kClippingLevel, rightLevel > kClippingLevel};
}

}  // namespace sonthra
