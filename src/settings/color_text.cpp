#include "settings/color_text.h"

#include <array>
#include <charconv>

#include "settings/registry_tree.h"

namespace sonthra {

namespace {

struct NamedColor {
    std::string_view name;
    std::uint32_t color;
};

// The toolkit's plain named colours, in the order its name table lists them; when two names
// share a value the first one is written.
constexpr std::array<NamedColor, 20> kNamedColors{{
    {"clBlack", 0x000000}, {"clMaroon", 0x000080},     {"clGreen", 0x008000},
    {"clOlive", 0x008080}, {"clNavy", 0x800000},       {"clPurple", 0x800080},
    {"clTeal", 0x808000},  {"clGray", 0x808080},       {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},   {"clLime", 0x00FF00},       {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},  {"clFuchsia", 0xFF00FF},    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF}, {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
}};

constexpr std::uint32_t kPlainColorMask = 0x00FFFFFF;

// A signed 32-bit number as the toolkit's text-to-integer conversion reads it.
std::optional<std::int32_t> parseToolkitInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    // Hex may spell any 32-bit pattern; decimal must fit a signed 32-bit number.
    if (base == 16) {
        if (magnitude > 0xFFFFFFFFull) return std::nullopt;
        const auto bits = static_cast<std::uint32_t>(magnitude);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    if (magnitude > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
    const std::int64_t value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::string colorToText(std::uint32_t color) {
    for (const auto& named : kNamedColors) {
        if (named.color == color) return std::string(named.name);
    }
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string text = "$";
    for (int shift = 28; shift >= 0; shift -= 4) text += kHexDigits[(color >> shift) & 15];
    return text;
}

std::optional<std::uint32_t> textToColor(std::string_view text) {
    for (const auto& named : kNamedColors) {
        if (sameNameNoCase(named.name, text)) return named.color;
    }
    const auto number = parseToolkitInteger(text);
    if (!number) return std::nullopt;
    const auto color = static_cast<std::uint32_t>(*number);
    if ((color & ~kPlainColorMask) != 0) return std::nullopt;
    return color;
}

}  // namespace sonthra
