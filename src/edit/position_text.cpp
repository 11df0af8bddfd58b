#include "edit/position_text.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

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

// A typed time past the 32-bit range is past any file's end, where it is clamped.
std::optional<std::uint32_t> within32(std::uint64_t ms) {
    return saturate32(ms);
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

// Digits only, at least one and few enough that no sum below overflows.
std::optional<std::uint64_t> readDigits(const std::string& part) {
    if (part.empty() || part.size() > 12) return std::nullopt;
    return readNumber(part);
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

std::optional<std::uint32_t> ParseTypedTime(const std::string& typed) {
    std::string text;
    for (const char c : typed) {
        if (c != ' ') text += c == ',' ? '.' : c;
    }
    if (!text.empty() && (text.back() == 's' || text.back() == 'S')) text.pop_back();
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t colon; (colon = text.find(':', from)) != std::string::npos; from = colon + 1) {
        parts.push_back(text.substr(from, colon - from));
    }
    parts.push_back(text.substr(from));
    if (parts.size() > 3) return std::nullopt;

    std::string last = parts.back();
    std::uint64_t fraction = 0;
    const auto point = last.find('.');
    if (point != std::string::npos) {
        const std::string places = last.substr(point + 1);
        if (!places.empty() && !readDigits(places.substr(0, 12))) return std::nullopt;
        if (places.size() > 12 || (point == 0 && places.empty())) return std::nullopt;
        fraction = readDigits((places + "000").substr(0, 3)).value_or(0);
        last.erase(point);
        // ".5" alone is half a second; "1:.5" has no seconds.
        if (last.empty() && parts.size() == 1) last = "0";
    } else if (parts.size() == 3 && last.size() == 3) {
        // The read-out's own form: minutes, seconds, milliseconds.
        const auto minutes = readDigits(parts[0]);
        const auto seconds = readDigits(parts[1]);
        const auto millis = readDigits(last);
        if (!minutes || !seconds || !millis || *seconds >= 60) return std::nullopt;
        return within32(*minutes * 60000 + *seconds * 1000 + *millis);
    }
    parts.back() = last;
    std::uint64_t seconds = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto value = readDigits(parts[i]);
        if (!value || (i > 0 && *value >= 60)) return std::nullopt;
        seconds = seconds * 60 + *value;
    }
    return within32(seconds * 1000 + fraction);
}

std::optional<std::uint32_t> ParseTypedPosition(const std::string& text, PositionMode mode,
                                                const WaveFormat& format, std::uint32_t total) {
    const auto frames = ParsePosition(text, mode, PositionMode::Samples, format);
    if (!frames) return std::nullopt;
    return std::min(*frames, total);
}

}  // namespace sonthra
