// Colours as the settings store keeps them: a 32-bit number with red in bits 0-7, green in
// 8-15 and blue in 16-23, written as the windowing toolkit's colour name where it has one
// ("clBlack", "clLime", "clMoneyGreen") and otherwise as "$" and eight upper-case hex digits
// ("$00FFB56A"). Plain functions; callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sonthra {

// A colour from its red, green and blue parts.
constexpr std::uint32_t rgbColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(blue) << 16);
}

// The colour's name, or "$" and eight upper-case hex digits.
std::string colorToText(std::uint32_t color);

// Parses a name (any letter case) or a number as the toolkit reads one: decimal with an
// optional "-", or hex after "$" or "0x". Only plain colours are accepted (0 to $00FFFFFF):
// the toolkit's system and palette colours, which have bits above 23 set, and anything else
// give nothing, so that the caller keeps its default.
std::optional<std::uint32_t> textToColor(std::string_view text);

}  // namespace sonthra
