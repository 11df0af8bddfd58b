// Markers: named points of a recording, or named regions with an end, counted in frames. The
// one rule that moves them with an edit lives here, so that every edit path (the engine's file
// edits, and any other that changes where the sound lies) moves them the same way.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonthra {

struct Marker {
    std::uint64_t start = 0;           // frame the marker points at
    std::optional<std::uint64_t> end;  // a region's end (after start); none for a point
    std::string name;                  // UTF-8
    std::uint32_t id = 0;              // its number in the file it came from, 0 for a new one

    bool operator==(const Marker&) const = default;
};

// "start-end name #id", for messages and test reports.
void PrintTo(const Marker& marker, std::ostream* out);

// One change of where the sound lies: the frames [from, to) replaced by inserted new ones.
struct FrameEdit {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::uint64_t inserted = 0;
};

// Moves the markers for an edit that replaced the frames [removedFrom, removedTo) with
// insertedFrames new frames (a cut: none inserted; a paste: an empty range removed). A marker
// before the edit stays; one after it moves with its sound; a point inside the removed frames
// is dropped, and a region loses the part of it that was removed (dropped when nothing is
// left). A region's end is a boundary: sound inserted right at it stays outside the region.
// true when any marker moved, changed or was dropped.
bool shiftMarkers(std::vector<Marker>& markers, std::uint64_t removedFrom, std::uint64_t removedTo,
                  std::uint64_t insertedFrames);

// Seconds of frames at rate, with six decimals ("12.500000").
std::string markerSecondsText(std::uint64_t frames, std::uint32_t rate);

// The frame nearest seconds at rate; nullopt for a negative, endless or too large value.
std::optional<std::uint64_t> framesOfSeconds(double seconds, std::uint32_t rate);

// The plain label list: one line per marker, start, end (the start again for a point) and name
// separated by tabs, times in seconds; tabs and line breaks in a name become spaces.
std::string markerLabelText(const std::vector<Marker>& markers, std::uint32_t rate);

// The text as UTF-8: kept when it is valid UTF-8, else read as Latin-1 (older programs wrote
// labels in their code page).
std::string utf8FromLabel(std::string_view text);

}  // namespace sonthra
