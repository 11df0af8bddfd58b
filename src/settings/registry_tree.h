// The tree of keys and typed values that the settings file holds, and the text form it is kept
// in. Plain data; no I/O. The parser treats its input as hostile: any line it does not
// understand rejects the whole text.
//
// The text form, one item a line ("\n", a trailing "\r" is tolerated):
//
//   Sonthra settings 1                         first line: names the format
//   ; a comment                                ignored
//   [\Software\Corvanta\Sonthra\Settings]      a key by its full path; "[\]" is the root
//   "Temp Path"=text:"/home/ann/tmp/"          a string
//   "Last Input Device Selected"=int:-1        a 32-bit signed integer (booleans are 1 and 0)
//   "Insert Silence Time"=bytes:00,00,00,00,00,00,00,40      binary data, hex bytes
//   ; end of settings                          last line: marks a complete file
//
// Quoted texts escape '"' and '\' with a backslash and any other byte below 0x20 or 0x7F as
// \xHH; other bytes stand for themselves. Key and value names compare case-insensitively (ASCII)
// and keep the spelling they were first written with.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonthra {

enum class RegistryType { Text, Integer, Binary };

struct RegistryValue {
    RegistryType type = RegistryType::Text;
    std::string data;          // Text: the text; Binary: the bytes
    std::int32_t integer = 0;  // Integer only

    static RegistryValue text(std::string_view s) { return {RegistryType::Text, std::string(s)}; }
    static RegistryValue number(std::int32_t n) { return {RegistryType::Integer, {}, n}; }
    static RegistryValue binary(std::string_view bytes) {
        return {RegistryType::Binary, std::string(bytes)};
    }
    bool operator==(const RegistryValue&) const = default;
};

// ASCII case-insensitive ordering, as key and value names compare.
struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

bool sameNameNoCase(std::string_view a, std::string_view b);

struct RegistryKey {
    std::map<std::string, RegistryValue, NoCaseLess> values;
    std::map<std::string, RegistryKey, NoCaseLess> subKeys;

    bool operator==(const RegistryKey& other) const;
};

// Limits that keep a hostile file or caller from building an unbounded tree.
inline constexpr std::size_t kMaxKeyDepth = 64;
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;

// The components of a key path such as "\Software\Corvanta": one leading and one trailing "\"
// are optional, the empty path is the root. Empty components, control characters, names longer
// than kMaxKeyNameLength and paths deeper than kMaxKeyDepth give nothing.
std::optional<std::vector<std::string>> splitKeyPath(std::string_view path);

// Navigation below root; the path is a result of splitKeyPath.
RegistryKey* findKey(RegistryKey& root, const std::vector<std::string>& path);
const RegistryKey* findKey(const RegistryKey& root, const std::vector<std::string>& path);
RegistryKey& createKey(RegistryKey& root, const std::vector<std::string>& path);
// Removes the key with everything below it; false when it does not exist or path is the root.
bool eraseKey(RegistryKey& root, const std::vector<std::string>& path);

// The whole tree as text, parseable by parseRegistryText. Keys without values are written only
// when they have no subkeys, since a subkey's path already implies its parents.
std::string registryText(const RegistryKey& root);

// The tree the text describes, or nothing when the text is malformed or incomplete.
std::optional<RegistryKey> parseRegistryText(std::string_view text);

}  // namespace sonthra
