// The render computations of the waveform display, as plain functions: which zoom and left
// position a request ends at, how many columns the off-screen image has before it is stretched
// to the client width, and the point list of every channel. The widget only paints the result.
#pragma once

#include <cstdint>
#include <vector>

#include "view/peak_data.h"
#include "view/wave_source.h"

namespace sonthra {

struct ViewPoint {
    int x = 0;
    int y = 0;

    bool operator==(const ViewPoint&) const = default;
};

struct RenderPlan {
    std::uint32_t zoom = 1;           // the clamped zoom; becomes the display's ZoomLevel
    std::uint32_t effectiveZoom = 1;  // frames per column: the zoom, or above 32 the nearest
                                      // multiple of 32
    std::uint32_t left = 0;           // becomes LeftSamplePos
    std::uint32_t right = 0;          // becomes RightSamplePos
    bool fromPeaks = false;           // zoom 32 and above: drawn from memory
    int columns = 0;                  // width of the image before the stretch
};

// The zoom that shows a whole file of total frames in width columns: total div width + 1
// (a width below 1 counts as 1).
std::uint32_t WholeFileZoom(std::uint32_t total, int width);

// The effective zoom of a clamped zoom: below 32 the zoom itself; from 32 on a multiple of 32,
// a remainder of 16 or more rounding up.
std::uint32_t EffectiveZoom(std::uint32_t zoom);

// Clamps zoom to 1..maxZoom and pulls left back so that the view does not run past the end:
// the view then shows min(width x zoom, total) frames from left.
RenderPlan PlanRender(std::uint32_t zoom, std::uint32_t left, std::uint32_t total, int width,
                      std::uint32_t maxZoom);

// The vertical offset of a sample value from its lane's centre: (halfLane x value / full scale)
// rounded to the nearest integer, ties to even. 8-bit values are stored 0..255 and centred on
// 128 with a full scale of 128; 16-bit values have a full scale of 32,767.
int VerticalOffset(int value, int halfLane, int bits);

// Lanes: the height divided by the channel count; centre of channel c (from 0) is
// c x lane + lane div 2.
struct LaneLayout {
    int lane = 0;
    std::vector<int> centres;
};
LaneLayout LayoutLanes(int height, int channels);

// The points of one channel drawn from the peaks: two per column, (s, centre - ymin) then
// (s, centre - ymax), from block left div 32 on, effectiveZoom / 32 blocks per column; columns
// left over when the blocks run out lie on the centre line.
std::vector<ViewPoint> PeakPoints(const PeakData& peaks, int channel, const RenderPlan& plan,
                                  int centre, int halfLane, int bits);

// The points of every channel drawn straight from the sample data, for zooms below 32: width
// columns of zoom frames from plan.left, (b, centre - ymax) then (b, centre - ymin); columns
// past the end of the data lie on the centre line. 0, 106 or 107.
int DirectPoints(SampleFile& file, const RenderPlan& plan, int width, const LaneLayout& lanes,
                 std::vector<std::vector<ViewPoint>>& out);

// The rows one image column covers; top > bottom when it covers none.
struct ColumnSpan {
    int top = 0;
    int bottom = 0;

    bool operator==(const ColumnSpan&) const = default;
};

// The rows each of width image columns covers when a channel's points are joined as one line
// (point to point, in order) over columns source columns and the picture is then stretched or
// squeezed to width columns, each taking its nearest source column. A line between neighbouring
// columns is split at its middle row, the upper half (nearer its start) going to its start
// column, as a one-pixel line is drawn. Points must be two per column, column by column.
std::vector<ColumnSpan> PolylineSpans(const std::vector<ViewPoint>& points, int columns, int width);

}  // namespace sonthra
