#include "settings/registry_store.h"

#include <unistd.h>

#include <bit>
#include <cstdlib>

#include "platform/private_folder.h"
#include "settings/settings_file.h"

namespace sonthra {

namespace {

// Parses text that came from a settings file; a file that is too large never parses.
std::optional<RegistryKey> parseFile(settings_file::ReadResult read, const std::string& text) {
    if (read == settings_file::ReadResult::TooLarge) return std::nullopt;
    return parseRegistryText(text);
}

}  // namespace

std::filesystem::path userSettingsFile() {
    std::filesystem::path config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is invalid and is to be ignored.
    if (xdg != nullptr && xdg[0] == '/') {
        config = xdg;
    } else {
        const std::filesystem::path home = UserHomeFolder();
        if (home.empty()) return {};
        config = home / ".config";
    }
    return config / "Corvanta" / "Sonthra" / "settings.reg";
}

RegistryStore::RegistryStore(std::filesystem::path file) : m_file(std::move(file)) {}

RegistryStore::~RegistryStore() {
    close();
}

int RegistryStore::open() {
    close();
    m_tree = RegistryKey{};
    m_changes.clear();
    m_hasCurrent = false;
    m_setAside = false;
    if (m_file.empty()) return kMsgRegistryCannotOpen;

    std::string text;
    const auto read = settings_file::readFile(m_file, text);
    if (read == settings_file::ReadResult::Error) return kMsgRegistryCannotOpen;
    if (read != settings_file::ReadResult::Missing) {
        if (auto tree = parseFile(read, text)) {
            m_tree = std::move(*tree);
        } else {
            m_setAside = true;
            // Move it aside under the writers' lock, and only if it is still the broken file:
            // a writer may have replaced it with a good one since we read it.
            settings_file::WriterLock lock(m_file);
            if (lock.locked()) {
                const auto again = settings_file::readFile(m_file, text);
                if (again != settings_file::ReadResult::Missing &&
                    again != settings_file::ReadResult::Error && !parseFile(again, text)) {
                    settings_file::setAside(m_file);
                }
            }
        }
    }
    m_open = true;
    return 0;
}

int RegistryStore::openKey(std::string_view path, bool canCreate) {
    if (!m_open) return kMsgRegistryCannotOpen;
    auto parts = splitKeyPath(path);
    if (!parts) return kMsgRegistryKeyCannotOpen;
    if (findKey(m_tree, *parts) == nullptr) {
        if (!canCreate) return kMsgRegistryKeyCannotOpen;
        createKey(m_tree, *parts);
        m_changes.emplace_back(CreateKey{*parts});
    }
    m_current = std::move(*parts);
    m_hasCurrent = true;
    return 0;
}

bool RegistryStore::keyExists(std::string_view path) const {
    if (!m_open) return false;
    auto parts = splitKeyPath(path);
    return parts && findKey(m_tree, *parts) != nullptr;
}

std::vector<std::string> RegistryStore::subKeyNames() const {
    std::vector<std::string> names;
    if (!m_open || !m_hasCurrent) return names;
    if (const RegistryKey* key = findKey(m_tree, m_current)) {
        for (const auto& [name, sub] : key->subKeys) names.push_back(name);
    }
    return names;
}

int RegistryStore::deleteKey(std::string_view path) {
    if (!m_open) return kMsgRegistryCannotOpen;
    auto parts = splitKeyPath(path);
    if (!parts || !eraseKey(m_tree, *parts)) return kMsgRegistryKeyCannotOpen;
    // The current key may have gone with it; later reads then find nothing.
    m_changes.emplace_back(DeleteKey{std::move(*parts)});
    return 0;
}

const RegistryValue* RegistryStore::find(std::string_view name) const {
    if (!m_open || !m_hasCurrent) return nullptr;
    const RegistryKey* key = findKey(m_tree, m_current);
    if (key == nullptr) return nullptr;
    auto it = key->values.find(name);
    return it == key->values.end() ? nullptr : &it->second;
}

bool RegistryStore::valueExists(std::string_view name) const {
    return find(name) != nullptr;
}

int RegistryStore::readString(std::string_view name, std::string& out) const {
    if (!m_open || !m_hasCurrent) return kMsgRegistryCannotRead;
    const RegistryValue* value = find(name);
    if (value == nullptr) {
        out.clear();
        return 0;
    }
    if (value->type != RegistryType::Text) return kMsgRegistryCannotRead;
    out = value->data;
    return 0;
}

int RegistryStore::readInteger(std::string_view name, std::int32_t& out) const {
    const RegistryValue* value = find(name);
    if (value == nullptr || value->type != RegistryType::Integer) return kMsgRegistryCannotRead;
    out = value->integer;
    return 0;
}

int RegistryStore::readBool(std::string_view name, bool& out) const {
    std::int32_t n = 0;
    if (readInteger(name, n) != 0) return kMsgRegistryCannotRead;
    out = n != 0;
    return 0;
}

int RegistryStore::readFloat(std::string_view name, double& out) const {
    const RegistryValue* value = find(name);
    if (value == nullptr || value->type != RegistryType::Binary || value->data.size() != 8)
        return kMsgRegistryCannotRead;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(value->data[i]);
    out = std::bit_cast<double>(bits);
    return 0;
}

int RegistryStore::write(std::string_view name, RegistryValue value) {
    if (!m_open || !m_hasCurrent || name.size() > kMaxValueNameLength)
        return kMsgRegistryCannotWrite;
    // A key deleted since it was made current comes back, as writing into it recreates it.
    RegistryKey& key = createKey(m_tree, m_current);
    auto it = key.values.find(name);
    if (it == key.values.end())
        key.values.emplace(std::string(name), value);
    else
        it->second = value;
    m_changes.emplace_back(SetValue{m_current, std::string(name), std::move(value)});
    return 0;
}

int RegistryStore::writeString(std::string_view name, std::string_view value) {
    return write(name, RegistryValue::text(value));
}

int RegistryStore::writeInteger(std::string_view name, std::int32_t value) {
    return write(name, RegistryValue::number(value));
}

int RegistryStore::writeBool(std::string_view name, bool value) {
    return write(name, RegistryValue::number(value ? 1 : 0));
}

int RegistryStore::writeFloat(std::string_view name, double value) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    std::string bytes(8, '\0');
    for (auto& byte : bytes) {
        byte = static_cast<char>(bits & 0xFF);
        bits >>= 8;
    }
    return write(name, RegistryValue::binary(bytes));
}

int RegistryStore::deleteValue(std::string_view name) {
    if (!m_open || !m_hasCurrent) return kMsgRegistryCannotWrite;
    RegistryKey* key = findKey(m_tree, m_current);
    if (key == nullptr) return kMsgRegistryCannotWrite;
    auto it = key->values.find(name);
    if (it == key->values.end()) return kMsgRegistryCannotWrite;
    key->values.erase(it);
    m_changes.emplace_back(DeleteValue{m_current, std::string(name)});
    return 0;
}

int RegistryStore::close() {
    if (!m_open) return 0;
    const int result = m_changes.empty() ? 0 : commit();
    m_open = false;
    m_hasCurrent = false;
    m_changes.clear();
    return result;
}

int RegistryStore::commit() {
    if (!settings_file::makeFolders(m_file.parent_path())) return kMsgRegistryCannotWrite;
    settings_file::WriterLock lock(m_file);
    if (!lock.locked()) return kMsgRegistryCannotWrite;

    // Start from what is on disk now, so that values other writers stored since our open()
    // survive, and replay this store's changes in order.
    std::string text;
    const auto read = settings_file::readFile(m_file, text);
    if (read == settings_file::ReadResult::Error) return kMsgRegistryCannotWrite;
    RegistryKey tree;
    if (read != settings_file::ReadResult::Missing) {
        if (auto parsed = parseFile(read, text)) {
            tree = std::move(*parsed);
        } else {
            // Keep the broken file for the user to look at rather than writing over it.
            if (!settings_file::setAside(m_file)) return kMsgRegistryCannotWrite;
            m_setAside = true;
        }
    }
    for (const Change& change : m_changes) {
        if (const auto* set = std::get_if<SetValue>(&change)) {
            RegistryKey& key = createKey(tree, set->key);
            auto it = key.values.find(set->name);
            if (it == key.values.end())
                key.values.emplace(set->name, set->value);
            else
                it->second = set->value;
        } else if (const auto* erase = std::get_if<DeleteValue>(&change)) {
            if (RegistryKey* key = findKey(tree, erase->key)) key->values.erase(erase->name);
        } else if (const auto* create = std::get_if<CreateKey>(&change)) {
            createKey(tree, create->key);
        } else if (const auto* drop = std::get_if<DeleteKey>(&change)) {
            eraseKey(tree, drop->key);
        }
    }

    settings_file::removeStaleTemporaries(m_file);
    if (!settings_file::replaceFile(m_file, registryText(tree))) return kMsgRegistryCannotWrite;
    m_tree = std::move(tree);
    return 0;
}

}  // namespace sonthra
