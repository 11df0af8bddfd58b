// How sonthra-cli reports failures on standard error.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace sonthra::cli {

// Prints the product's message for an engine error number; returns kExitFailed.
int reportEngineError(int engineError, std::ostream& err);
// Prints what is wrong with the command line and the usage text; returns kExitUsage.
int reportUsage(const std::string& problem, std::ostream& err);
// Refuses to write over an existing file; returns kExitFailed.
int reportExists(const std::string& path, std::ostream& err);
// Prints the product's message for a result other than 0; returns kExitOk for 0,
// kExitInterrupted for 129 (cancelled), kExitFailed otherwise.
int reportResult(int result, std::ostream& err);

// Text a file provided, made safe to print: control characters (escape sequences, line breaks,
// C1 controls, direction overrides) and bytes that are not UTF-8 are shown as \xNN or \u{NNNN},
// and a backslash as two, so no file can move the cursor, recolour or forge a line.
inline std::string printableText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto escaped = [&](unsigned char c) {
        out += "\\x";
        out += kHex[c >> 4];
        out += kHex[c & 15];
    };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = byte(i);
        if (c == '\\') {
            out += "\\\\";
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F) {
            escaped(c);
            ++i;
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence (no overlong form, no surrogate, at most U+10FFFF).
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        std::uint32_t code = length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
        bool valid = length != 0 && c <= 0xF4 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            valid = (byte(i + k) & 0xC0) == 0x80;
            code = code << 6 | (byte(i + k) & 0x3F);
        }
        valid = valid && !(length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) &&
                !(length == 4 && (code < 0x10000 || code > 0x10FFFF));
        if (!valid) {
            escaped(c);
            ++i;
            continue;
        }
        const bool control = code <= 0x9F || (code >= 0x202A && code <= 0x202E) ||
                             (code >= 0x2066 && code <= 0x2069) || code == 0x2028 || code == 0x2029;
        if (control) {
            out += "\\u{";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 15];
            out += '}';
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

}  // namespace sonthra::cli
