#include "wave/markers.h"

#include <cmath>
#include <cstdio>
#include <ostream>
#include <string_view>

namespace sonthra {

bool shiftMarkers(std::vector<Marker>& markers, std::uint64_t removedFrom, std::uint64_t removedTo,
                  std::uint64_t insertedFrames) {
    if (removedTo < removedFrom) std::swap(removedFrom, removedTo);
    const std::uint64_t removed = removedTo - removedFrom;
    if (removed == 0 && insertedFrames == 0) return false;
    // A frame after the removed ones moves by what the edit took out and put in.
    const auto after = [&](std::uint64_t frame) { return frame - removed + insertedFrames; };
    bool changed = false;
    std::vector<Marker> kept;
    kept.reserve(markers.size());
    for (Marker marker : markers) {
        const bool region = marker.end && *marker.end > marker.start;
        const bool startRemoved = marker.start >= removedFrom && marker.start < removedTo;
        std::uint64_t start = marker.start;
        if (marker.start >= removedTo) {
            start = after(marker.start);
        } else if (startRemoved) {
            if (!region) {
                changed = true;
                continue;
            }
            // What is left of the region starts with the sound that followed the removal.
            start = removedFrom + insertedFrames;
        }
        std::optional<std::uint64_t> end = marker.end;
        if (region) {
            const std::uint64_t e = *marker.end;
            end = e <= removedFrom ? e : e >= removedTo ? after(e) : removedFrom;
            if (*end <= start) {
                changed = true;
                continue;
            }
        }
        if (start != marker.start || end != marker.end) changed = true;
        marker.start = start;
        marker.end = end;
        kept.push_back(std::move(marker));
    }
    markers = std::move(kept);
    return changed;
}

void PrintTo(const Marker& marker, std::ostream* out) {
    *out << marker.start;
    if (marker.end) *out << "-" << *marker.end;
    *out << " \"" << marker.name << "\" #" << marker.id;
}

std::string markerSecondsText(std::uint64_t frames, std::uint32_t rate) {
    if (rate == 0) return "0.000000";
    // Whole seconds and the rest apart, so that long files keep every digit.
    const std::uint64_t whole = frames / rate;
    const std::uint64_t micro = ((frames % rate) * 1000000 + rate / 2) / rate;
    char text[48];
    std::snprintf(text, sizeof text, "%llu.%06llu",
                  static_cast<unsigned long long>(whole + micro / 1000000),
                  static_cast<unsigned long long>(micro % 1000000));
    return text;
}

std::optional<std::uint64_t> framesOfSeconds(double seconds, std::uint32_t rate) {
    if (!std::isfinite(seconds) || seconds < 0) return std::nullopt;
    const double frames = std::round(seconds * rate);
    if (frames > 9.0e15) return std::nullopt;
    return static_cast<std::uint64_t>(frames);
}

std::string markerLabelText(const std::vector<Marker>& markers, std::uint32_t rate) {
    std::string text;
    for (const Marker& marker : markers) {
        std::string name = marker.name;
        for (char& c : name) {
            if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        }
        text += markerSecondsText(marker.start, rate) + "\t" +
                markerSecondsText(marker.end.value_or(marker.start), rate) + "\t" + name + "\n";
    }
    return text;
}

namespace {

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t more = 0;
        std::uint32_t least = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            least = 0x10000;
        } else {
            return false;
        }
        if (i + more >= text.size()) return false;
        std::uint32_t value = c & (0x3F >> more);
        for (std::size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            value = value << 6 | (next & 0x3F);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += more + 1;
    }
    return true;
}

}  // namespace

std::string utf8FromLabel(std::string_view text) {
    if (validUtf8(text)) return std::string(text);
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace sonthra
