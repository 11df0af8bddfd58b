#include "ftp/ftp_listing.h"

#include <cctype>
#include <ctime>

#include "ftp/ftp_paths.h"

namespace sonthra::ftp {
namespace {

constexpr std::size_t kMaxNameBytes = 1024;

bool isDigits(std::string_view s) {
    if (s.empty() || s.size() > 20) return false;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

std::optional<std::uint64_t> parseSize(std::string_view s) {
    if (!isDigits(s) || s.size() > 19) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : s) value = value * 10 + static_cast<unsigned>(c - '0');
    return value;
}

int numberAt(std::string_view s, std::size_t pos, std::size_t len) {
    int value = 0;
    for (std::size_t i = pos; i < pos + len; ++i) value = value * 10 + (s[i] - '0');
    return value;
}

std::int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second) {
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60 ||
        year < 1970 || year > 9999) {
        return 0;
    }
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return static_cast<std::int64_t>(timegm(&t));
}

bool acceptableName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxNameBytes && isSafeRemoteText(name) && name != "." &&
           name != ".." && name.find('/') == std::string_view::npos;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Splits at runs of spaces, remembering where each token starts in the line.
struct Token {
    std::string_view text;
    std::size_t start;
};

std::vector<Token> tokens(std::string_view line, std::size_t limit) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < line.size() && out.size() < limit) {
        while (i < line.size() && line[i] == ' ') ++i;
        if (i >= line.size()) break;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        out.push_back({line.substr(start, i - start), start});
    }
    return out;
}

int monthNumber(std::string_view s) {
    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    if (s.size() != 3) return 0;
    const std::string m = lower(s);
    for (int i = 0; i < 12; ++i) {
        if (m == kMonths[i]) return i + 1;
    }
    return 0;
}

int currentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    gmtime_r(&now, &t);
    return t.tm_year + 1900;
}

std::optional<TFTPFindData> parseUnixLine(std::string_view line) {
    const char kind = line[0];
    if (kind != 'd' && kind != '-' && kind != 'l') return std::nullopt;
    const auto parts = tokens(line, 12);
    // Find "Mon DD HH:MM|YYYY", which follows the size.
    for (std::size_t m = 2; m + 2 < parts.size(); ++m) {
        const int month = monthNumber(parts[m].text);
        if (month == 0 || !isDigits(parts[m + 1].text) || parts[m + 1].text.size() > 2) continue;
        const auto size = parseSize(parts[m - 1].text);
        if (!size) continue;
        const std::string_view when = parts[m + 2].text;
        int year = currentYear(), hour = 0, minute = 0;
        if (when.size() == 5 && when[2] == ':' && isDigits(when.substr(0, 2)) &&
            isDigits(when.substr(3, 2))) {
            hour = numberAt(when, 0, 2);
            minute = numberAt(when, 3, 2);
        } else if (when.size() == 4 && isDigits(when)) {
            year = numberAt(when, 0, 4);
        } else {
            continue;
        }
        // The name is everything after one space past the time, spaces included.
        const std::size_t nameStart = parts[m + 2].start + when.size() + 1;
        if (nameStart >= line.size()) return std::nullopt;
        std::string_view name = line.substr(nameStart);
        if (kind == 'l') {
            const std::size_t arrow = name.find(" -> ");
            if (arrow != std::string_view::npos) name = name.substr(0, arrow);
        }
        if (!acceptableName(name)) return std::nullopt;
        TFTPFindData data;
        data.dwFileAttributes = kind == 'd' ? kFileAttributeDirectory : kFileAttributeNormal;
        data.setSize(*size);
        data.ftLastWriteTime = utcSeconds(
            year, month, numberAt(parts[m + 1].text, 0, parts[m + 1].text.size()), hour, minute, 0);
        data.cFileName = std::string(name);
        return data;
    }
    return std::nullopt;
}

// "01-31-24  10:05AM  <DIR>  name" or "01-31-2024  10:05PM  1234 name".
std::optional<TFTPFindData> parseDosLine(std::string_view line) {
    const auto parts = tokens(line, 4);
    if (parts.size() < 4) return std::nullopt;
    const std::string_view date = parts[0].text;
    const std::string_view time = parts[1].text;
    if ((date.size() != 8 && date.size() != 10) || date[2] != '-' || date[5] != '-') {
        return std::nullopt;
    }
    if (!isDigits(date.substr(0, 2)) || !isDigits(date.substr(3, 2)) || !isDigits(date.substr(6))) {
        return std::nullopt;
    }
    if (time.size() != 7 || time[2] != ':' || !isDigits(time.substr(0, 2)) ||
        !isDigits(time.substr(3, 2))) {
        return std::nullopt;
    }
    TFTPFindData data;
    if (parts[2].text == "<DIR>") {
        data.dwFileAttributes = kFileAttributeDirectory;
    } else {
        const auto size = parseSize(parts[2].text);
        if (!size) return std::nullopt;
        data.setSize(*size);
    }
    const std::string_view name = line.substr(parts[3].start);
    if (!acceptableName(name)) return std::nullopt;
    int year = numberAt(date, 6, date.size() - 6);
    if (date.size() == 8) year += year < 70 ? 2000 : 1900;
    int hour = numberAt(time, 0, 2) % 12;
    if (lower(time.substr(5)) == "pm") hour += 12;
    data.ftLastWriteTime =
        utcSeconds(year, numberAt(date, 0, 2), numberAt(date, 3, 2), hour, numberAt(time, 3, 2), 0);
    data.cFileName = std::string(name);
    return data;
}

}  // namespace

void TFTPFindData::setSize(std::uint64_t bytes) {
    nFileSizeHigh = static_cast<std::uint32_t>(bytes >> 32);
    nFileSizeLow = static_cast<std::uint32_t>(bytes & 0xFFFFFFFFu);
}

std::optional<TFTPFindData> parseMlsdLine(std::string_view line) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || space + 1 >= line.size()) return std::nullopt;
    const std::string_view facts = line.substr(0, space);
    const std::string_view name = line.substr(space + 1);
    if (!acceptableName(name)) return std::nullopt;
    TFTPFindData data;
    bool typeSeen = false;
    std::size_t start = 0;
    while (start < facts.size()) {
        std::size_t end = facts.find(';', start);
        if (end == std::string_view::npos) end = facts.size();
        const std::string_view fact = facts.substr(start, end - start);
        start = end + 1;
        const std::size_t eq = fact.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string key = lower(fact.substr(0, eq));
        const std::string_view value = fact.substr(eq + 1);
        if (key == "type") {
            const std::string type = lower(value);
            if (type == "cdir" || type == "pdir") return std::nullopt;
            typeSeen = true;
            data.dwFileAttributes = type == "dir" ? kFileAttributeDirectory : kFileAttributeNormal;
        } else if (key == "size" || key == "sizd") {
            if (const auto size = parseSize(value)) data.setSize(*size);
        } else if (key == "modify" && value.size() >= 14 && isDigits(value.substr(0, 14))) {
            data.ftLastWriteTime =
                utcSeconds(numberAt(value, 0, 4), numberAt(value, 4, 2), numberAt(value, 6, 2),
                           numberAt(value, 8, 2), numberAt(value, 10, 2), numberAt(value, 12, 2));
        }
    }
    if (!typeSeen) return std::nullopt;
    data.cFileName = std::string(name);
    return data;
}

std::optional<TFTPFindData> parseListLine(std::string_view line) {
    if (line.size() < 2) return std::nullopt;
    if (std::isdigit(static_cast<unsigned char>(line[0]))) return parseDosLine(line);
    return parseUnixLine(line);
}

std::vector<TFTPFindData> parseListing(std::string_view text, bool machineReadable) {
    std::vector<TFTPFindData> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        auto entry = machineReadable ? parseMlsdLine(line) : parseListLine(line);
        if (entry) out.push_back(std::move(*entry));
    }
    return out;
}

std::optional<std::string> parsePwdReply(std::string_view line) {
    if (line.size() < 5 || line.substr(0, 3) != "257") return std::nullopt;
    const std::size_t open = line.find('"');
    if (open == std::string_view::npos) return std::nullopt;
    std::string folder;
    for (std::size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] != '"') {
            folder += line[i];
            continue;
        }
        if (i + 1 < line.size() && line[i + 1] == '"') {
            folder += '"';
            ++i;
            continue;
        }
        if (folder.empty() || !isSafeRemoteText(folder)) return std::nullopt;
        return folder;
    }
    return std::nullopt;
}

bool matchesPattern(std::string_view pattern, std::string_view name) {
    if (pattern.empty()) return true;
    // Iterative wildcard match with one backtrack point: linear in practice, never recursive.
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace sonthra::ftp
