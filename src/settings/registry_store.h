// The per-user settings store: a tree of keys holding named values of three stored types (text,
// 32-bit integer, binary), read and written the way the rest of the program expects of a
// registry, and kept in one text file (registry_tree.h gives its form).
//
// The file lives in $XDG_CONFIG_HOME/Corvanta/Sonthra/settings.reg (~/.config when the variable
// is unset). A store is used as: open, make a key current, read or write values, close. Reads
// come from a snapshot taken at open; writes change the snapshot at once and reach the file at
// close, which takes an exclusive lock on a lock file beside it, reads the file again, replays
// this store's changes onto it, writes the whole to a new file (mode 0600), flushes it and
// renames it over the old one. So two processes writing at once never tear the file and each
// value keeps the last write made to it, and a failed write (full disk, vanished folder) leaves
// the old file exactly as it was.
//
// A file that does not parse is moved aside to settings.reg.corrupt, the store starts empty
// (every reader's default applies) and setAsideCorruptFile() reports it.
//
// Results are the program's message numbers: 0, or one of the kMsgRegistry... below. A store
// object belongs to one thread; different objects, in any threads or processes, may share a file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/registry_tree.h"

namespace sonthra {

inline constexpr int kMsgRegistryCannotOpen = 183;
inline constexpr int kMsgRegistryKeyCannotOpen = 185;
inline constexpr int kMsgRegistryCannotRead = 186;
inline constexpr int kMsgRegistryCannotWrite = 187;

// Where the current user's store lives; empty when neither XDG_CONFIG_HOME nor a home folder is
// known.
std::filesystem::path userSettingsFile();

class RegistryStore {
public:
    explicit RegistryStore(std::filesystem::path file);
    // Closes the store; changes that cannot be stored then are lost without a word, so callers
    // that care call close() themselves.
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // Takes the snapshot. 0 also when the file does not exist yet; 183 when it exists but
    // cannot be read (or no file name is known), and then nothing can be read or written.
    int open();
    bool isOpen() const { return m_open; }
    // True when open() found the file corrupt and started empty.
    bool setAsideCorruptFile() const { return m_setAside; }

    // Makes the key current. 183 when the store is not open; 185 when the path is malformed or
    // the key does not exist and canCreate is false. A created key is stored at close even
    // when no value is written to it.
    int openKey(std::string_view path, bool canCreate);
    bool keyExists(std::string_view path) const;
    // Names of the current key's subkeys, in name order.
    std::vector<std::string> subKeyNames() const;
    // Removes a key with everything below it; 185 when it does not exist (or is the root).
    int deleteKey(std::string_view path);

    // Readers give 0 and set out, or 186 and leave out alone. A missing text value reads as
    // the empty string without error; a missing integer, boolean or float is an error, and so
    // is a value of another stored type, or a float whose data is not exactly 8 bytes.
    int readString(std::string_view name, std::string& out) const;
    int readInteger(std::string_view name, std::int32_t& out) const;
    int readBool(std::string_view name, bool& out) const;
    int readFloat(std::string_view name, double& out) const;
    bool valueExists(std::string_view name) const;

    // Writers give 0, or 187 when no key is current. Booleans are stored as the integers 1
    // and 0, floats as 8 bytes of IEEE 754 double, little-endian.
    int writeString(std::string_view name, std::string_view value);
    int writeInteger(std::string_view name, std::int32_t value);
    int writeBool(std::string_view name, bool value);
    int writeFloat(std::string_view name, double value);
    int deleteValue(std::string_view name);

    // Stores the changes and closes. 0, or 187 when they could not be stored (the file then is
    // as it was before). Closing a store that is not open gives 0.
    int close();

private:
    struct SetValue {
        std::vector<std::string> key;
        std::string name;
        RegistryValue value;
    };
    struct DeleteValue {
        std::vector<std::string> key;
        std::string name;
    };
    struct CreateKey {
        std::vector<std::string> key;
    };
    struct DeleteKey {
        std::vector<std::string> key;
    };
    using Change = std::variant<SetValue, DeleteValue, CreateKey, DeleteKey>;

    const RegistryValue* find(std::string_view name) const;
    int write(std::string_view name, RegistryValue value);
    int commit();

    std::filesystem::path m_file;
    RegistryKey m_tree;
    std::vector<std::string> m_current;
    std::vector<Change> m_changes;
    bool m_open = false;
    bool m_hasCurrent = false;
    bool m_setAside = false;
};

}  // namespace sonthra
