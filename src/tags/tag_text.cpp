#include "tags/tag_text.h"

#include <cstdint>

namespace sonthra::tagtext {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 character at text[at], advancing at; malformed input gives U+FFFD and
// advances one byte.
char32_t nextUtf8(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++at;
        return kReplacement;
    }
    if (at + extra >= text.size()) {
        ++at;
        return kReplacement;
    }
    for (int i = 1; i <= extra; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return kReplacement;
        }
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++at;
        return kReplacement;
    }
    at += extra + 1;
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void appendUtf16Le(std::string& out, char32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

bool isControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

std::string trimRightControls(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && isControl(text[end - 1])) --end;
    return std::string(text.substr(0, end));
}

std::string trimControls(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && isControl(text[begin])) ++begin;
    return trimRightControls(text.substr(begin));
}

std::string firstChars(std::string_view utf8, std::size_t maxChars) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < maxChars && at < utf8.size(); ++n) nextUtf8(utf8, at);
    return std::string(utf8.substr(0, at));
}

std::string latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (const char c : latin1) appendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::string utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t cp = nextUtf8(utf8, at);
        out.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
    }
    return out;
}

bool fitsLatin1(std::string_view utf8) {
    for (std::size_t at = 0; at < utf8.size();) {
        if (nextUtf8(utf8, at) > 0xFF) return false;
    }
    return true;
}

bool isUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t before = at;
        if (nextUtf8(bytes, at) == kReplacement && at == before + 1 &&
            static_cast<unsigned char>(bytes[before]) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::string legacyToUtf8(std::string_view bytes) {
    return isUtf8(bytes) ? std::string(bytes) : latin1ToUtf8(bytes);
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::size_t at = 0;
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) {
            bigEndian = false, at = 2;
        } else if (b0 == 0xFE && b1 == 0xFF) {
            bigEndian = true, at = 2;
        }
    }
    const auto unitAt = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    std::string out;
    while (at + 1 < bytes.size()) {
        const char32_t unit = unitAt(at);
        at += 2;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (at + 1 < bytes.size()) {
                const char32_t low = unitAt(at);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    at += 2;
                    appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                    continue;
                }
            }
            appendUtf8(out, kReplacement);
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::string utf8ToUtf16WithBom(std::string_view utf8) {
    std::string out = "\xFF\xFE";
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t cp = nextUtf8(utf8, at);
        if (cp >= 0x10000) {
            appendUtf16Le(out, 0xD800 + ((cp - 0x10000) >> 10));
            appendUtf16Le(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            appendUtf16Le(out, cp);
        }
    }
    return out;
}

std::string linkToLatin1(std::string_view utf8) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t start = at;
        if (nextUtf8(utf8, at) <= 0x7F) {
            out.append(utf8.substr(start, at - start));
            continue;
        }
        for (std::size_t i = start; i < at; ++i) {
            const auto b = static_cast<unsigned char>(utf8[i]);
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

}  // namespace sonthra::tagtext
