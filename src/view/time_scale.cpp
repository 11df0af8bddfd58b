#include "view/time_scale.h"

#include <algorithm>
#include <cstdio>

#include "view/peak_builder.h"

namespace sonthra {
namespace {

std::string padded(std::int64_t value, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", digits, static_cast<long long>(value));
    return text;
}

class Positions {
public:
    explicit Positions(const ScaleInput& in) : m_in(in) {}

    // The frame of a ruler value: milliseconds are converted with ties to even.
    std::int64_t frames(std::int64_t value) const {
        if (m_in.format == TFormat::Samples) return value;
        const std::int64_t product = value * m_in.sampleRate;
        return product >= 0 ? roundHalfEven(product, 1000) : -roundHalfEven(-product, 1000);
    }
    // Pixel of a value; the division rounds toward zero on both sides of the left edge.
    std::int64_t x(std::int64_t value) const {
        return (frames(value) - m_in.leftSamplePos) / std::int64_t{m_in.zoomLevel};
    }
    // The ruler value at the left edge.
    std::int64_t leftValue() const {
        if (m_in.format == TFormat::Samples) return m_in.leftSamplePos;
        return std::int64_t{m_in.leftSamplePos} * 1000 / m_in.sampleRate;
    }

private:
    const ScaleInput& m_in;
};

void drawOrigin(const ScaleInput& in, ScaleDrawing& out) {
    out.lines.push_back({0, 2, 0, 10});
    out.labels.push_back({4, 4, in.format == TFormat::Time ? "00:00:000" : "0"});
    out.step = 0;
}

}  // namespace

std::string ScaleTimeText(std::int64_t milliseconds) {
    milliseconds = std::max<std::int64_t>(milliseconds, 0);
    return padded(milliseconds / 60000, 2) + ":" + padded(milliseconds % 60000 / 1000, 2) + ":" +
           padded(milliseconds % 1000, 3);
}

std::int64_t ScaleTimeStep(std::uint64_t gapFrames, std::uint32_t sampleRate) {
    if (sampleRate == 0) return 0;
    const std::int64_t ms = static_cast<std::int64_t>(gapFrames * 1000 / sampleRate);
    if (const std::int64_t minutes = ms / 60000; minutes > 0) {
        return (minutes > 5 ? minutes - minutes % 5 : minutes) * 60000;
    }
    if (const std::int64_t seconds = ms / 1000; seconds > 0) {
        return (seconds > 5 ? seconds - seconds % 5 : seconds) * 1000;
    }
    if (ms > 100) return ms - ms % 100;
    if (ms > 10) return ms - ms % 10;
    return ms;
}

ScaleDrawing LayoutScale(const ScaleInput& in, const TextWidth& textWidth) {
    ScaleDrawing out;
    out.lines.push_back({0, 2, in.width, 2});
    // A zoom or rate of 0 has no positions to speak of; such a ruler shows its origin only.
    if (!in.isDataAvailable || in.zoomLevel == 0 ||
        (in.format == TFormat::Time && in.sampleRate == 0)) {
        drawOrigin(in, out);
        return out;
    }
    const std::uint64_t gapFrames =
        static_cast<std::uint64_t>(std::max(in.gapInPixels, 0)) * in.zoomLevel;
    std::int64_t step = in.format == TFormat::Time ? ScaleTimeStep(gapFrames, in.sampleRate)
                                                   : static_cast<std::int64_t>(gapFrames);
    if (step <= 0) {
        drawOrigin(in, out);
        return out;
    }
    const Positions pos(in);
    const std::string sample = in.format == TFormat::Time ? "00:00:000" : std::to_string(step);
    const int measured = textWidth(sample);
    const int needed = measured + measured * 75 / 100;
    if (pos.x(2 * step) - pos.x(step) <= needed) step *= 2;
    out.step = step;

    std::int64_t value = 0;
    if (in.leftSamplePos != 0) {
        if (pos.frames(step) >= in.leftSamplePos) {
            value = step;
        } else {
            value = std::max<std::int64_t>(pos.leftValue() / step * step - step, 0);
        }
    }
    std::int64_t x = pos.x(value);
    // Every round moves at least one pixel right, so this bounds the loop.
    const std::int64_t rounds = in.width - x + 2;
    for (std::int64_t round = 0; x < in.width && round < rounds; ++round) {
        const std::int64_t x2 = pos.x(value + step);
        if (in.showSmallDivisions && in.numSmallDivisions > 0) {
            const std::int64_t d = (x2 - x) / in.numSmallDivisions;
            if (d <= 0) {
                out.lines.push_back({static_cast<int>(x), 2, static_cast<int>(x), 5});
            } else {
                for (std::int64_t t = x; t <= x2 - d; t += d) {
                    out.lines.push_back({static_cast<int>(t), 2, static_cast<int>(t), 5});
                }
            }
        }
        if (x2 > 0) {
            const std::string text =
                in.format == TFormat::Time
                    ? ScaleTimeText(value)
                    : std::to_string(x * std::int64_t{in.zoomLevel} + in.leftSamplePos);
            if (in.width - x >= textWidth(text)) {
                out.lines.push_back({static_cast<int>(x), 2, static_cast<int>(x), 10});
                out.labels.push_back({static_cast<int>(x) + 4, 4, text});
            }
        }
        if (x2 <= x) break;
        x = x2;
        value += step;
    }
    return out;
}

}  // namespace sonthra
