// The arithmetic that ties the overview's frame to the main display: where the frame goes for
// the main display's view, and which zoom and left position a moved or resized frame asks for.
#pragma once

#include <cstdint>

namespace sonthra {

struct FrameSpan {
    int left = 0;
    int width = 0;
};

// The frame over the overview (rendered at its whole-file zoom overviewZoom, at least 1) for a
// main view from mainLeft to mainRight: left = mainLeft div zoom, width = the span div zoom,
// at most the overview's width.
FrameSpan FrameForView(std::uint32_t mainLeft, std::uint32_t mainRight, std::uint32_t overviewZoom,
                       int overviewWidth);

// A frame's left edge kept inside the overview: 0..(overview width - frame width).
int ClampFrameLeft(int left, int frameWidth, int overviewWidth);

struct ViewRequest {
    std::uint32_t zoom = 0;  // 0 when the frame is too narrow to ask for anything
    std::uint32_t left = 0;
};

// The main view a frame asks for: left = zoom x frame left, zoom = ceil(frame width x zoom /
// main width).
ViewRequest ViewForFrame(int frameLeft, int frameWidth, std::uint32_t overviewZoom, int mainWidth);

}  // namespace sonthra
