#include "view/overview_sync.h"

#include <algorithm>

namespace sonthra {

FrameSpan FrameForView(std::uint32_t mainLeft, std::uint32_t mainRight, std::uint32_t overviewZoom,
                       int overviewWidth) {
    const std::uint32_t zoom = std::max(overviewZoom, 1u);
    FrameSpan span;
    span.left = static_cast<int>(std::min<std::uint32_t>(mainLeft / zoom, 0x7FFFFFFF));
    const std::uint32_t frames = mainRight > mainLeft ? mainRight - mainLeft : 0;
    span.width = static_cast<int>(std::min<std::uint32_t>(
        frames / zoom, static_cast<std::uint32_t>(std::max(overviewWidth, 0))));
    return span;
}

int ClampFrameLeft(int left, int frameWidth, int overviewWidth) {
    return std::clamp(left, 0, std::max(overviewWidth - frameWidth, 0));
}

ViewRequest ViewForFrame(int frameLeft, int frameWidth, std::uint32_t overviewZoom, int mainWidth) {
    ViewRequest request;
    if (mainWidth <= 0 || frameWidth <= 0) return request;
    const std::uint64_t zoom = overviewZoom;
    request.left = static_cast<std::uint32_t>(std::min<std::uint64_t>(
        zoom * static_cast<std::uint64_t>(std::max(frameLeft, 0)), 0xFFFFFFFFu));
    const std::uint64_t scaled = static_cast<std::uint64_t>(frameWidth) * zoom;
    request.zoom = static_cast<std::uint32_t>(
        std::min<std::uint64_t>((scaled + mainWidth - 1) / mainWidth, 0xFFFFFFFFu));
    return request;
}

}  // namespace sonthra
