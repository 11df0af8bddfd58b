// The arithmetic of the transport: which frames Play plays, where the move buttons go, and
// which clipping lights a level reading turns on. Positions are sample frames, total the
// document's frame count. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>

namespace sonthra {

struct FrameRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;  // 0: to the end
};

struct Selection {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    bool present() const { return start != end; }
    std::uint32_t low() const { return start < end ? start : end; }
    std::uint32_t high() const { return start < end ? end : start; }
};

// Play: the selection when there is one (smaller end to larger end), otherwise from the caret
// to the end, or from 0 when the caret stands on the last frame or beyond.
FrameRange PlayRange(std::uint32_t caret, Selection selection, std::uint32_t total);

// Forward: the heard position plus 5 % of the total; nullopt when that reaches the end (the
// playback stops instead).
std::optional<std::uint32_t> ForwardTarget(std::uint32_t position, std::uint32_t total);
// Rewind: the heard position less 5 % of the total, 0 at the least.
std::uint32_t RewindTarget(std::uint32_t position, std::uint32_t total);
// Go to start: the selection's smaller end, or 0. Go to end: its larger end, or the total.
std::uint32_t GoToStartTarget(Selection selection);
std::uint32_t GoToEndTarget(Selection selection, std::uint32_t total);

// A level above this (0..100) lights a channel's clipping indicator.
inline constexpr int kClippingLevel = 95;
struct ClippingLights {
    bool left = false;
    bool right = false;
    bool any() const { return left || right; }
};
ClippingLights ClippingFor(int leftLevel, int rightLevel);

// The recording label changes colour on every fifth tick of the 50 ms timer.
inline constexpr int kRecordingLabelTicks = 5;

}  // namespace sonthra
