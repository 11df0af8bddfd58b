// The zoom and scroll commands' arithmetic over a display's zoom level (frames per pixel
// column), left position and client width. Plain functions; any thread.
#pragma once

#include <cstdint>
#include <optional>

namespace sonthra {

// Zoom In: half the level (rounded down), and 1 from a level of 3 or less.
std::uint32_t ZoomInLevel(std::uint32_t level);

// Zoom Out: twice the level while that stays below maxLevel, otherwise maxLevel.
std::uint32_t ZoomOutLevel(std::uint32_t level, std::uint32_t maxLevel);

// Half the frames the view shows: zoom x width div 2 (a zoom of 0 counts as 1).
std::uint32_t ScrollStep(std::uint32_t zoom, int width);

// The left position half a screen to the left, never before the first frame.
std::uint32_t ScrollLeftTarget(std::uint32_t left, std::uint32_t zoom, int width);

// The left position half a screen to the right, never beyond maxPosition (the largest left
// position that still fills the view). nullopt when that is 0: the view already reaches the
// end of a file that fits, and nothing is to be set.
std::optional<std::uint32_t> ScrollRightTarget(std::uint32_t left, std::uint32_t zoom, int width,
                                               std::uint32_t maxPosition);

// The zoom an edit's view is drawn at: the new whole-file level when the view showed the whole
// file before the edit, otherwise the level it had.
std::uint32_t ZoomAfterEdit(bool wasWhole, std::uint32_t current, std::uint32_t maxLevel);

}  // namespace sonthra
