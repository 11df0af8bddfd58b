// Reading what FTP servers answer: folder listings (machine-readable MLSD lines, the Unix
// "ls -l" form and the DOS form) and the folder named in a PWD reply. Every input comes from the
// network and is treated as hostile: lines that do not parse are skipped, nothing is read past
// its end, and names holding line breaks or NUL are refused.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonthra::ftp {

inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;

// One remote folder entry, as OnFindItem hands it over: attributes, the three times (seconds
// since 1970, 0 when the server did not tell), the size in two 32-bit halves, the name and a
// short alternate name (always empty over FTP).
struct TFTPFindData {
    std::uint32_t dwFileAttributes = kFileAttributeNormal;
    std::int64_t ftCreationTime = 0;
    std::int64_t ftLastAccessTime = 0;
    std::int64_t ftLastWriteTime = 0;
    std::uint32_t nFileSizeHigh = 0;
    std::uint32_t nFileSizeLow = 0;
    std::string cFileName;
    std::string cAlternateFileName;

    bool isDirectory() const { return (dwFileAttributes & kFileAttributeDirectory) != 0; }
    std::uint64_t size() const { return (std::uint64_t{nFileSizeHigh} << 32) | nFileSizeLow; }
    void setSize(std::uint64_t bytes);
};

// One MLSD line ("type=file;size=12;modify=20240102030405; name"); nothing for a line that does
// not parse and for the entries of the folder itself and its parent.
std::optional<TFTPFindData> parseMlsdLine(std::string_view line);
// One line of a plain listing, Unix or DOS form; nothing for totals, "." and "..", and lines
// that do not parse.
std::optional<TFTPFindData> parseListLine(std::string_view line);
// Every entry of a listing, in the server's order.
std::vector<TFTPFindData> parseListing(std::string_view text, bool machineReadable);

// The folder of a "257" reply ("257 \"/a \"\"b\"\"\" is current" gives /a "b"), or nothing.
std::optional<std::string> parsePwdReply(std::string_view line);

// Whether a name matches a pattern of "*" and "?" wildcards (an empty pattern matches all).
bool matchesPattern(std::string_view pattern, std::string_view name);

}  // namespace sonthra::ftp
