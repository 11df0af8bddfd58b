#include "edit/position_text.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace sonthra {

namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
// Numbers are read into 64 bits and stop growing here, far above anything 32 bits can hold, so
// that no text, however long, overflows the arithmetic that follows.
constexpr std::uint64_t kReadCap = std::uint64_t{1} << 40;

bool usable(const WaveFormat& format) {
    return format.sampleRate != 0 && format.bitsPerSample != 0 && format.channels != 0;
}

std::uint32_t saturate32(std::uint64_t value) {
    return static_cast<std::uint32_t>(std::min(value, kMax32));
}

// One part of a read-out: its digits, the field's blanks (spaces) left out.
std::optional<std::uint64_t> readNumber(const std::string& part) {
    std::uint64_t value = 0;
    bool digit = false;
    for (const char c : part) {
        if (c == ' ') continue;
        if (c < '0' || c > '9') return std::nullopt;
        digit = true;
        value = std::min(value * 10 + static_cast<std::uint64_t>(c - '0'), kReadCap);
    }
    if (!digit) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> readMilliseconds(const std::string& text) {
    const auto first = text.find(':');
    if (first == std::string::npos) return std::nullopt;
    const auto second = text.find(':', first + 1);
    if (second == std::string::npos) return std::nullopt;
    const auto minutes = readNumber(text.substr(0, first));
    const auto seconds = readNumber(text.substr(first + 1, second - first - 1));
    const auto millis = readNumber(text.substr(second + 1));
    if (!minutes || !seconds || !millis) return std::nullopt;
    return *minutes * 60000 + *seconds * 1000 + *millis;
}

}  // namespace

std::uint32_t FramesToMilliseconds(std::uint32_t frames, const WaveFormat& format) {
    if (!usable(format)) return 0;
    // Whole numbers, so the truncation is exact where a division in floating point might land
    // a hair below a whole millisecond.
    return saturate32(std::uint64_t{frames} * 1000 / format.sampleRate);
}

std::uint32_t MillisecondsToFrames(std::uint64_t milliseconds, const WaveFormat& format) {
    if (!usable(format)) return 0;
    milliseconds = std::min(milliseconds, kReadCap);
    const std::uint64_t product = milliseconds * format.sampleRate;
    std::uint64_t frames = product / 1000;
    const std::uint64_t rest = product % 1000;
    if (rest > 500 || (rest == 500 && (frames & 1) != 0)) ++frames;
    return saturate32(frames);
}

std::uint32_t ConvertPosition(std::uint32_t value, PositionMode from, PositionMode to,
                              const WaveFormat& format) {
    if (from == to) return value;
    return from == PositionMode::Samples ? FramesToMilliseconds(value, format)
                                         : MillisecondsToFrames(value, format);
}

std::string FormatReadout(std::uint32_t value, PositionMode valueMode, PositionMode displayMode,
                          const WaveFormat& format) {
    const std::uint32_t shown = ConvertPosition(value, valueMode, displayMode, format);
    char text[32];
    if (displayMode == PositionMode::Samples) {
        std::snprintf(text, sizeof text, "%08u", static_cast<unsigned>(shown));
        return text;
    }
    std::snprintf(text, sizeof text, "%03u:%02u:%03u", static_cast<unsigned>(shown / 60000),
                  static_cast<unsigned>(shown % 60000 / 1000), static_cast<unsigned>(shown % 1000));
    return text;
}

std::string FormatPosition(std::uint32_t frames, PositionMode mode, const WaveFormat& format) {
    return FormatReadout(frames, PositionMode::Samples, mode, format);
}

std::optional<std::uint32_t> ParsePosition(const std::string& text, PositionMode mode,
                                           PositionMode wanted, const WaveFormat& format) {
    if (mode == PositionMode::Samples) {
        const auto frames = readNumber(text);
        if (!frames) return std::nullopt;
        return ConvertPosition(saturate32(*frames), PositionMode::Samples, wanted, format);
    }
    const auto ms = readMilliseconds(text);
    if (!ms) return std::nullopt;
    if (wanted == PositionMode::Time) return saturate32(*ms);
    return MillisecondsToFrames(*ms, format);
}

std::optional<std::uint32_t> ParseTypedPosition(const std::string& text, PositionMode mode,
                                                const WaveFormat& format, std::uint32_t total) {
    const auto frames = ParsePosition(text, mode, PositionMode::Samples, format);
    if (!frames) return std::nullopt;
    return std::min(*frames, total);
}

}  // namespace sonthra
