#include "podcast/text_rules.h"

#include <cctype>
#include <cstdint>

namespace sonthra::podcast {

namespace {

bool isBlank(unsigned char c) {
    return c <= 0x20 || c == 0x7F;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the valid UTF-8 sequence at text[i], 0 when there is none.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    std::size_t length = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (overlong || surrogate || cp > 0x10FFFF || cp == 0xFFFE || cp == 0xFFFF) return 0;
    return length;
}

bool xmlAllowed(std::uint32_t cp) {
    if (cp < 0x20) return cp == 0x09 || cp == 0x0A || cp == 0x0D;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    return cp <= 0x10FFFF && cp != 0xFFFE && cp != 0xFFFF;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Escapes with a line break written as lineBreak; CR LF counts as one break.
std::string escapeWith(std::string_view text, bool quotes, std::string_view lineBreak) {
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                if (quotes) {
                    out += "&quot;";
                } else {
                    out += c;
                }
                break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out += lineBreak;
                break;
            case '\n':
                out += lineBreak;
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string trimmed(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && isBlank(static_cast<unsigned char>(text[end - 1]))) --end;
    return std::string(text.substr(begin, end - begin));
}

std::string cleanUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8Length(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[i]);
        if (length == 1 && !xmlAllowed(c)) {
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

std::string escapeXmlText(std::string_view text) {
    return escapeWith(text, false, "&#10;");
}

std::string escapeXmlAttribute(std::string_view text) {
    return escapeWith(text, true, "&#10;");
}

std::string escapeHtml(std::string_view text) {
    return escapeWith(text, true, "<br>");
}

std::string unescapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::size_t semicolon = text.find(';', i + 1);
        // Entities are short; a far semicolon belongs to something else.
        if (semicolon == std::string_view::npos || semicolon - i > 12) {
            out += '&';
            continue;
        }
        const std::string_view name = text.substr(i + 1, semicolon - i - 1);
        std::string replacement;
        if (name == "amp")
            replacement = "&";
        else if (name == "lt")
            replacement = "<";
        else if (name == "gt")
            replacement = ">";
        else if (name == "quot")
            replacement = "\"";
        else if (name == "apos")
            replacement = "'";
        else if (name.size() >= 2 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            std::uint32_t cp = 0;
            bool valid = !digits.empty();
            for (char d : digits) {
                int v = -1;
                if (d >= '0' && d <= '9')
                    v = d - '0';
                else if (hex && lowerAscii(d) >= 'a' && lowerAscii(d) <= 'f')
                    v = lowerAscii(d) - 'a' + 10;
                if (v < 0 || cp > 0x10FFFF) {
                    valid = false;
                    break;
                }
                cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
            }
            if (valid && xmlAllowed(cp)) appendUtf8(replacement, cp);
        }
        if (replacement.empty()) {
            out += '&';
            continue;
        }
        out += replacement;
        i = semicolon;
    }
    return out;
}

std::string plainTextFromHtml(std::string_view html) {
    std::string text;
    for (std::size_t i = 0; i < html.size(); ++i) {
        if (html[i] != '<') {
            text += html[i];
            continue;
        }
        const std::size_t close = html.find('>', i);
        if (close == std::string_view::npos) {
            text.append(html.substr(i));
            break;
        }
        std::string name;
        for (std::size_t k = i + 1; k < close && std::isalpha(static_cast<unsigned char>(html[k]));
             ++k) {
            name += lowerAscii(html[k]);
        }
        if (name == "br") text += '\n';
        i = close;
    }
    return unescapeXml(text);
}

std::string replaceAllNoCase(std::string_view line, std::string_view marker,
                             std::string_view replacement) {
    if (marker.empty()) return std::string(line);
    std::string out;
    std::size_t i = 0;
    while (i < line.size()) {
        bool match = i + marker.size() <= line.size();
        for (std::size_t k = 0; match && k < marker.size(); ++k) {
            match = lowerAscii(line[i + k]) == lowerAscii(marker[k]);
        }
        if (match) {
            out += replacement;
            i += marker.size();
        } else {
            out += line[i++];
        }
    }
    return out;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = last ? text.size() : end + 1;
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

}  // namespace sonthra::podcast
