// The time ruler's drawing as plain data: the base line, the minor and major ticks and the
// labels for a zoom, a left position and a sample rate. The widget (TLUM32Scale) measures its
// labels through a callback and draws the lines and texts it gets back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sonthra {

// The ruler's label style.
enum class TFormat { Time, Samples };

struct ScaleInput {
    int width = 500;
    int gapInPixels = 100;
    std::uint32_t zoomLevel = 1;
    std::uint32_t leftSamplePos = 0;
    TFormat format = TFormat::Time;
    bool showSmallDivisions = true;
    int numSmallDivisions = 10;
    bool isDataAvailable = false;
    std::uint32_t sampleRate = 44100;
};

struct ScaleLine {
    int x1, y1, x2, y2;
    bool operator==(const ScaleLine&) const = default;
};

struct ScaleLabel {
    int x, y;
    std::string text;
    bool operator==(const ScaleLabel&) const = default;
};

struct ScaleDrawing {
    std::vector<ScaleLine> lines;  // the base line first, then ticks in drawing order
    std::vector<ScaleLabel> labels;
    std::int64_t step = 0;  // value between labelled ticks: milliseconds or frames; 0 when
                            // only the origin is drawn
};

using TextWidth = std::function<int(const std::string&)>;

// Milliseconds as minutes, seconds and milliseconds zero-padded to 2, 2 and 3 digits ("00:05:000").
std::string ScaleTimeText(std::int64_t milliseconds);

// The readable step for a gap of gapFrames frames: whole minutes (above 5 down to a multiple
// of 5), else whole seconds (likewise), else milliseconds (11..100 down to a multiple of 10,
// above 100 to a multiple of 100). In milliseconds; 0 when the gap is under a millisecond.
std::int64_t ScaleTimeStep(std::uint64_t gapFrames, std::uint32_t sampleRate);

ScaleDrawing LayoutScale(const ScaleInput& input, const TextWidth& textWidth);

}  // namespace sonthra
