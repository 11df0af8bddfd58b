#include "view/view_render.h"

#include <algorithm>
#include <memory>
#include <new>

#include "view/peak_builder.h"
#include "view/view_errors.h"

namespace sonthra {
namespace {

// round(numerator / denominator), ties to even, for a positive denominator and a numerator of
// either sign.
std::int64_t roundSigned(std::int64_t numerator, std::int64_t denominator) {
    if (numerator >= 0) return roundHalfEven(numerator, denominator);
    return -roundHalfEven(-numerator, denominator);
}

int sampleAt(const unsigned char* p, int bits) {
    if (bits == 16)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
    return p[0];
}

}  // namespace

std::uint32_t WholeFileZoom(std::uint32_t total, int width) {
    return total / static_cast<std::uint32_t>(std::max(width, 1)) + 1;
}

std::uint32_t EffectiveZoom(std::uint32_t zoom) {
    if (zoom <= kPeakBlockFrames) return zoom;
    const std::uint32_t rest = zoom % kPeakBlockFrames;
    const std::uint64_t down = zoom - rest;
    const std::uint64_t rounded = rest >= kPeakBlockFrames / 2 ? down + kPeakBlockFrames : down;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(rounded, 0xFFFFFFE0u));
}

RenderPlan PlanRender(std::uint32_t zoom, std::uint32_t left, std::uint32_t total, int width,
                      std::uint32_t maxZoom) {
    RenderPlan plan;
    width = std::max(width, 1);
    zoom = std::min(std::max(zoom, 1u), std::max(maxZoom, 1u));
    const std::uint64_t span = std::min<std::uint64_t>(std::uint64_t{1} * width * zoom, total);
    if (left > total || left + span > total) left = static_cast<std::uint32_t>(total - span);
    plan.zoom = zoom;
    plan.left = left;
    plan.right = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(std::uint64_t{1} * width * zoom + left, total));
    plan.fromPeaks = zoom >= kPeakBlockFrames;
    if (plan.fromPeaks) {
        plan.effectiveZoom = std::max(EffectiveZoom(zoom), kPeakBlockFrames);
        plan.columns = static_cast<int>(std::uint64_t{1} * width * zoom / plan.effectiveZoom);
    } else {
        plan.effectiveZoom = zoom;
        plan.columns = width;
    }
    return plan;
}

int VerticalOffset(int value, int halfLane, int bits) {
    const int full = bits == 8 ? 128 : 32767;
    if (bits == 8) value -= 128;
    return static_cast<int>(roundSigned(std::int64_t{halfLane} * value, full));
}

LaneLayout LayoutLanes(int height, int channels) {
    LaneLayout layout;
    if (channels <= 0) return layout;
    layout.lane = std::max(height, 0) / channels;
    for (int c = 0; c < channels; ++c) layout.centres.push_back(c * layout.lane + layout.lane / 2);
    return layout;
}

std::vector<ViewPoint> PeakPoints(const PeakData& peaks, int channel, const RenderPlan& plan,
                                  int centre, int halfLane, int bits) {
    std::vector<ViewPoint> points(2 * static_cast<std::size_t>(std::max(plan.columns, 0)));
    const std::size_t perColumn = plan.effectiveZoom / kPeakBlockFrames;
    const std::size_t count = peaks.blockCount();
    std::size_t block = plan.left / kPeakBlockFrames;
    int s = 0;
    for (; s < plan.columns && block < count; ++s, block += perColumn) {
        const TPeak p = peaks.range(channel, block, block + perColumn);
        points[2 * s] = {s, centre - VerticalOffset(p.minimum, halfLane, bits)};
        points[2 * s + 1] = {s, centre - VerticalOffset(p.maximum, halfLane, bits)};
    }
    for (; s < plan.columns; ++s) {
        points[2 * s] = {s, centre};
        points[2 * s + 1] = {s, centre};
    }
    return points;
}

int DirectPoints(SampleFile& file, const RenderPlan& plan, int width, const LaneLayout& lanes,
                 std::vector<std::vector<ViewPoint>>& out) {
    const WaveHeaderInfo& info = file.info();
    const int channels = info.format.channels;
    const int bits = info.format.bitsPerSample;
    const std::size_t frameBytes = info.format.blockAlign;
    const int halfLane = lanes.lane / 2;
    width = std::max(width, 0);
    out.assign(channels, {});
    for (int c = 0; c < channels; ++c) {
        out[c].resize(2 * static_cast<std::size_t>(width));
        for (std::size_t i = 0; i < out[c].size(); ++i) {
            out[c][i] = {static_cast<int>(i / 2), lanes.centres[c]};
        }
    }
    // The visible frames are at most 31 columns' worth per pixel, so they are read in one go.
    const std::uint64_t wanted =
        std::min<std::uint64_t>(std::uint64_t{1} * width * plan.zoom,
                                info.totalSamples - std::min(plan.left, info.totalSamples));
    std::unique_ptr<unsigned char[]> buffer;
    const std::size_t bytes = static_cast<std::size_t>(wanted * frameBytes);
    try {
        buffer.reset(new unsigned char[std::max<std::size_t>(bytes, 1)]);
    } catch (const std::bad_alloc&) {
        out.clear();
        return kViewErrNoMemory;
    }
    if (bytes > 0 && file.read(std::uint64_t{plan.left} * frameBytes, buffer.get(), bytes) !=
                         static_cast<std::int64_t>(bytes)) {
        out.clear();
        return kViewErrCannotRead;
    }
    const std::size_t frames = static_cast<std::size_t>(wanted);
    for (int c = 0; c < channels; ++c) {
        const unsigned char* base = buffer.get() + c * (bits / 8);
        std::size_t f = 0;
        for (int b = 0; b < width && f < frames; ++b) {
            int lo = sampleAt(base + f * frameBytes, bits);
            int hi = lo;
            const std::size_t stop = std::min<std::size_t>(f + plan.zoom, frames);
            for (; f < stop; ++f) {
                const int v = sampleAt(base + f * frameBytes, bits);
                if (v > hi) {
                    hi = v;
                } else if (v < lo) {
                    lo = v;
                }
            }
            out[c][2 * b] = {b, lanes.centres[c] - VerticalOffset(hi, halfLane, bits)};
            out[c][2 * b + 1] = {b, lanes.centres[c] - VerticalOffset(lo, halfLane, bits)};
        }
    }
    return kViewOk;
}

std::vector<ColumnSpan> PolylineSpans(const std::vector<ViewPoint>& points, int columns,
                                      int width) {
    columns = std::min(columns, static_cast<int>(points.size() / 2));
    std::vector<ColumnSpan> source(static_cast<std::size_t>(std::max(columns, 0)));
    for (int x = 0; x < columns; ++x) {
        const int first = points[2 * x].y;
        const int second = points[2 * x + 1].y;
        int top = std::min(first, second);
        int bottom = std::max(first, second);
        // The half of the line from the previous column's end that falls in this column, and
        // the half of the line to the next column's start.
        if (x > 0) {
            const int from = points[2 * x - 1].y;
            const int d = first - from;
            const int start = from + d / 2 + (d > 0) - (d < 0);
            top = std::min(top, start);
            bottom = std::max(bottom, start);
        }
        if (x + 1 < columns) {
            const int to = points[2 * x + 2].y;
            const int mid = second + (to - second) / 2;
            top = std::min(top, mid);
            bottom = std::max(bottom, mid);
        }
        source[x] = {top, bottom};
    }
    // Without columns nothing is covered: every span is empty.
    std::vector<ColumnSpan> out(static_cast<std::size_t>(std::max(width, 0)), ColumnSpan{0, -1});
    if (columns <= 0) return out;
    for (int x = 0; x < width; ++x) {
        // The source column under the middle of this column.
        const std::int64_t from = (std::int64_t{2} * x + 1) * columns / (std::int64_t{2} * width);
        out[x] = source[static_cast<std::size_t>(std::min<std::int64_t>(from, columns - 1))];
    }
    return out;
}

}  // namespace sonthra
