// Text helpers of the tag formats. Tag fields are kept as UTF-8 (the text of file names and
// titles on Linux); files hold Latin-1, UTF-16 or UTF-8, converted here. Input is hostile:
// malformed sequences become U+FFFD, never a read past the end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sonthra::tagtext {

// Removes trailing (and, for trimControls, also leading) characters with codes up to 32:
// spaces, control characters and NULs.
std::string trimRightControls(std::string_view text);
std::string trimControls(std::string_view text);

// The first maxChars characters (code points) of UTF-8 text.
std::string firstChars(std::string_view utf8, std::size_t maxChars);

// Latin-1 bytes to UTF-8.
std::string latin1ToUtf8(std::string_view latin1);
// UTF-8 to Latin-1; characters Latin-1 cannot hold become '?'.
std::string utf8ToLatin1(std::string_view utf8);
// True when every character of the UTF-8 text has a Latin-1 byte.
bool fitsLatin1(std::string_view utf8);
// True when the bytes are well-formed UTF-8.
bool isUtf8(std::string_view bytes);
// Bytes of a single-byte field whose code page is unknown: UTF-8 when they are well-formed
// UTF-8, else Latin-1.
std::string legacyToUtf8(std::string_view bytes);

// UTF-16 bytes to UTF-8. A leading byte-order mark decides the byte order and is dropped;
// without one, bigEndian decides. An odd last byte is ignored.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);
// UTF-8 text as UTF-16 little-endian bytes behind the byte-order mark FF FE.
std::string utf8ToUtf16WithBom(std::string_view utf8);

// Percent-encodes the bytes of characters that Latin-1 cannot hold, for links.
std::string linkToLatin1(std::string_view utf8);

}  // namespace sonthra::tagtext
