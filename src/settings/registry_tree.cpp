#include "settings/registry_tree.h"

#include <algorithm>
#include <charconv>

namespace sonthra {

namespace {

constexpr std::string_view kFirstLine = "Sonthra settings 1";
constexpr std::string_view kLastLine = "; end of settings";

unsigned char foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr char kHex[] = "0123456789abcdef";

void appendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (isControl(c)) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    out += '"';
}

// Reads a quoted text at the start of s; on success s is advanced past the closing quote.
std::optional<std::string> takeQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string out;
    std::size_t i = 1;
    while (i < s.size()) {
        const char ch = s[i];
        if (ch == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        if (isControl(static_cast<unsigned char>(ch))) return std::nullopt;
        if (ch != '\\') {
            out += ch;
            ++i;
            continue;
        }
        if (i + 1 >= s.size()) return std::nullopt;
        const char next = s[i + 1];
        if (next == '"' || next == '\\') {
            out += next;
            i += 2;
        } else if (next == 'x' && i + 3 < s.size() && hexDigit(s[i + 2]) >= 0 &&
                   hexDigit(s[i + 3]) >= 0) {
            out += static_cast<char>(hexDigit(s[i + 2]) * 16 + hexDigit(s[i + 3]));
            i += 4;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::int32_t> parseInteger(std::string_view s) {
    if (s.empty() || s.size() > 11) return std::nullopt;
    if (s.front() == '+') return std::nullopt;
    std::int32_t n = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return n;
}

std::optional<std::string> parseBytes(std::string_view s) {
    std::string out;
    if (s.empty()) return out;
    // Two hex digits per byte, a comma between bytes.
    if ((s.size() + 1) % 3 != 0) return std::nullopt;
    out.reserve((s.size() + 1) / 3);
    for (std::size_t i = 0; i < s.size(); i += 3) {
        const int hi = hexDigit(s[i]);
        const int lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        if (i + 2 < s.size() && s[i + 2] != ',') return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

std::optional<RegistryValue> parseValueData(std::string_view s) {
    if (s.starts_with("text:")) {
        s.remove_prefix(5);
        auto text = takeQuoted(s);
        if (!text || !s.empty()) return std::nullopt;
        return RegistryValue::text(*text);
    }
    if (s.starts_with("int:")) {
        auto n = parseInteger(s.substr(4));
        if (!n) return std::nullopt;
        return RegistryValue::number(*n);
    }
    if (s.starts_with("bytes:")) {
        auto bytes = parseBytes(s.substr(6));
        if (!bytes) return std::nullopt;
        return RegistryValue::binary(*bytes);
    }
    return std::nullopt;
}

void appendValue(std::string& out, const std::string& name, const RegistryValue& value) {
    appendQuoted(out, name);
    out += '=';
    switch (value.type) {
        case RegistryType::Text:
            out += "text:";
            appendQuoted(out, value.data);
            break;
        case RegistryType::Integer:
            out += "int:";
            out += std::to_string(value.integer);
            break;
        case RegistryType::Binary:
            out += "bytes:";
            for (std::size_t i = 0; i < value.data.size(); ++i) {
                const auto c = static_cast<unsigned char>(value.data[i]);
                if (i > 0) out += ',';
                out += kHex[c >> 4];
                out += kHex[c & 15];
            }
            break;
    }
    out += '\n';
}

void appendKey(std::string& out, const RegistryKey& key, std::string& path) {
    if (!key.values.empty() || (key.subKeys.empty() && !path.empty())) {
        out += '[';
        out += path.empty() ? std::string_view("\\") : std::string_view(path);
        out += "]\n";
        for (const auto& [name, value] : key.values) appendValue(out, name, value);
    }
    for (const auto& [name, sub] : key.subKeys) {
        const std::size_t size = path.size();
        path += '\\';
        path += name;
        appendKey(out, sub, path);
        path.resize(size);
    }
}

}  // namespace

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return foldAscii(static_cast<unsigned char>(x)) < foldAscii(static_cast<unsigned char>(y));
    });
}

bool sameNameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && !NoCaseLess{}(a, b) && !NoCaseLess{}(b, a);
}

bool RegistryKey::operator==(const RegistryKey& other) const {
    return values == other.values && subKeys == other.subKeys;
}

std::optional<std::vector<std::string>> splitKeyPath(std::string_view path) {
    if (path.starts_with('\\')) path.remove_prefix(1);
    if (path.ends_with('\\')) path.remove_suffix(1);
    std::vector<std::string> parts;
    if (path.empty()) return parts;
    while (true) {
        const std::size_t cut = path.find('\\');
        const std::string_view part = path.substr(0, cut);
        if (part.empty() || part.size() > kMaxKeyNameLength) return std::nullopt;
        if (std::any_of(part.begin(), part.end(),
                        [](char c) { return isControl(static_cast<unsigned char>(c)); }))
            return std::nullopt;
        if (parts.size() >= kMaxKeyDepth) return std::nullopt;
        parts.emplace_back(part);
        if (cut == std::string_view::npos) break;
        path.remove_prefix(cut + 1);
    }
    return parts;
}

RegistryKey* findKey(RegistryKey& root, const std::vector<std::string>& path) {
    RegistryKey* key = &root;
    for (const auto& part : path) {
        auto it = key->subKeys.find(part);
        if (it == key->subKeys.end()) return nullptr;
        key = &it->second;
    }
    return key;
}

const RegistryKey* findKey(const RegistryKey& root, const std::vector<std::string>& path) {
    return findKey(const_cast<RegistryKey&>(root), path);
}

RegistryKey& createKey(RegistryKey& root, const std::vector<std::string>& path) {
    RegistryKey* key = &root;
    for (const auto& part : path) {
        auto it = key->subKeys.find(part);
        if (it == key->subKeys.end()) it = key->subKeys.emplace(part, RegistryKey{}).first;
        key = &it->second;
    }
    return *key;
}

bool eraseKey(RegistryKey& root, const std::vector<std::string>& path) {
    if (path.empty()) return false;
    RegistryKey* parent = findKey(root, std::vector<std::string>(path.begin(), path.end() - 1));
    if (parent == nullptr) return false;
    auto it = parent->subKeys.find(path.back());
    if (it == parent->subKeys.end()) return false;
    parent->subKeys.erase(it);
    return true;
}

std::string registryText(const RegistryKey& root) {
    std::string out;
    out += kFirstLine;
    out += '\n';
    std::string path;
    appendKey(out, root, path);
    out += kLastLine;
    out += '\n';
    return out;
}

std::optional<RegistryKey> parseRegistryText(std::string_view text) {
    // A file cut short loses its last line and with it the end mark.
    if (!text.ends_with('\n')) return std::nullopt;
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.size() < 2 || lines.front() != kFirstLine || lines.back() != kLastLine)
        return std::nullopt;

    RegistryKey root;
    RegistryKey* current = nullptr;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (!line.ends_with(']') || line.size() < 3) return std::nullopt;
            auto path = splitKeyPath(line.substr(1, line.size() - 2));
            if (!path) return std::nullopt;
            current = &createKey(root, *path);
            continue;
        }
        if (current == nullptr) return std::nullopt;
        auto name = takeQuoted(line);
        if (!name || name->size() > kMaxValueNameLength) return std::nullopt;
        if (!line.starts_with('=')) return std::nullopt;
        line.remove_prefix(1);
        auto value = parseValueData(line);
        if (!value) return std::nullopt;
        // A repeated name keeps its first spelling and its last value.
        auto it = current->values.find(*name);
        if (it == current->values.end())
            current->values.emplace(std::move(*name), std::move(*value));
        else
            it->second = std::move(*value);
    }
    return root;
}

}  // namespace sonthra
