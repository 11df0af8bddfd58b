// Text helpers shared by the podcast files: trimming, UTF-8 repair, XML and HTML escaping and
// the reverse, and marker replacement without regard to case. Plain functions on UTF-8 strings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sonthra::podcast {

// Without leading and trailing blanks (spaces, tabs, CR, LF and other control characters).
std::string trimmed(std::string_view text);

// The text with every byte sequence that is not valid UTF-8 replaced by U+FFFD, and the
// control characters XML cannot carry (all below 0x20 except tab, LF and CR) removed, so that
// anything a user or a file gives can go into a feed that parses.
std::string cleanUtf8(std::string_view text);

// Element text: & < > escaped, and every line break (CR LF, CR or LF) as a character
// reference, so that a value stays on one line of the file.
std::string escapeXmlText(std::string_view text);
// Attribute values: as element text, plus double quotes.
std::string escapeXmlAttribute(std::string_view text);
// The five named entities and decimal or hexadecimal character references back to UTF-8;
// anything else (unknown names, broken references) is left as it stands.
std::string unescapeXml(std::string_view text);

// Page text: & < > " escaped; line breaks become <br>, so a multi-line description keeps its
// lines on the page and the page keeps one line per template line.
std::string escapeHtml(std::string_view text);

// Plain text back from the page text escapeHtml makes (and from the HTML descriptions of a
// feed): <br> in any spelling becomes a line break, other tags are dropped, entities decoded.
std::string plainTextFromHtml(std::string_view html);

// Every occurrence of marker, compared without regard to ASCII case, replaced by replacement.
std::string replaceAllNoCase(std::string_view line, std::string_view marker,
                             std::string_view replacement);

// The file's lines split at LF, with a CR before it removed (CR LF and LF files both read).
std::vector<std::string> splitLines(std::string_view text);
// The lines each ended by CR LF.
std::string joinLines(const std::vector<std::string>& lines);

}  // namespace sonthra::podcast
