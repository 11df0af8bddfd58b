#include "podcast/host_table.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "ftp/password_scramble.h"
#include "podcast/text_file.h"
#include "podcast/text_rules.h"
#include "settings/registry_store.h"

namespace sonthra::podcast {

namespace {

bool sameNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

HostTable HostTable::parse(const std::vector<std::string>& lines) {
    HostTable table;
    Section* current = nullptr;
    for (const std::string& raw : lines) {
        const std::string line = trimmed(cleanUtf8(raw));
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            current = nullptr;
            if (close == std::string::npos) continue;
            const std::string name = trimmed(line.substr(1, close - 1));
            if (name.empty() || name == kCustomHost || table.find(name) != nullptr) continue;
            table.m_sections.push_back(Section{name, {}});
            current = &table.m_sections.back();
            continue;
        }
        const std::size_t equals = line.find('=');
        if (current == nullptr || equals == std::string::npos || equals == 0) continue;
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        bool replaced = false;
        for (auto& [name, old] : current->keys) {
            if (sameNoCase(name, key)) {
                old = value;
                replaced = true;
                break;
            }
        }
        if (!replaced) current->keys.emplace_back(key, value);
    }
    return table;
}

std::vector<std::string> HostTable::serialize() const {
    std::vector<std::string> lines;
    for (const Section& section : m_sections) {
        if (!lines.empty()) lines.emplace_back();
        lines.push_back("[" + section.name + "]");
        for (const auto& [key, value] : section.keys) lines.push_back(key + "=" + value);
    }
    return lines;
}

std::vector<std::string> HostTable::sections() const {
    std::vector<std::string> names;
    for (const Section& section : m_sections) names.push_back(section.name);
    return names;
}

bool HostTable::hasSection(const std::string& section) const {
    return find(section) != nullptr;
}

const HostTable::Section* HostTable::find(const std::string& name) const {
    for (const Section& section : m_sections) {
        if (sameNoCase(section.name, name)) return &section;
    }
    return nullptr;
}

std::string HostTable::value(const std::string& section, const std::string& key) const {
    const Section* found = find(section);
    if (found == nullptr) return {};
    for (const auto& [name, value] : found->keys) {
        if (sameNoCase(name, key)) return value;
    }
    return {};
}

void HostTable::setValue(const std::string& section, const std::string& key,
                         const std::string& value) {
    // One line per key: a value never carries a line break into the file.
    std::string clean = trimmed(cleanUtf8(value));
    for (char& c : clean) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    auto* found = const_cast<Section*>(find(section));
    if (found == nullptr) {
        m_sections.push_back(Section{trimmed(section), {}});
        found = &m_sections.back();
    }
    for (auto& [name, old] : found->keys) {
        if (sameNoCase(name, key)) {
            old = clean;
            return;
        }
    }
    found->keys.emplace_back(key, clean);
}

HostTableFiles HostTableFiles::standard(const std::string& resourceFolder) {
    HostTableFiles files;
    files.defaultPath = resourceFolder + "/" + kHostTableName;
    const std::filesystem::path settings = userSettingsFile();
    if (!settings.empty()) files.userPath = (settings.parent_path() / kHostTableName).string();
    return files;
}

std::string HostTableFiles::activePath() const {
    if (!userPath.empty() && fileExists(userPath)) return userPath;
    return defaultPath;
}

bool HostTableFiles::exists() const {
    return fileExists(activePath());
}

Status HostTableFiles::load(HostTable& table) const {
    std::vector<std::string> lines;
    if (Status read = readTextLines(activePath(), lines); !read.ok()) return read;
    table = HostTable::parse(lines);
    return {};
}

Status HostTableFiles::save(const HostTable& table) const {
    if (userPath.empty()) {
        return Status::failure("Cannot create file \"" + std::string(kHostTableName) +
                               "\": no home folder is known.");
    }
    const std::filesystem::path folder = std::filesystem::path(userPath).parent_path();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return Status::failure("Cannot create folder \"" + folder.string() + "\". " +
                               error.message());
    }
    return writeTextLines(userPath, table.serialize(), mode_t{0600});
}

HostSettings hostSettingsFor(const HostTable& table, const std::string& name,
                             const HostSettings& current) {
    HostSettings settings = current;
    if (name == kCustomHost) {
        settings.Host = kCustomHost;
        settings.UserName.clear();
        return settings;
    }
    settings.Host = table.value(name, "host");
    settings.UserName = table.value(name, "username");
    settings.LoginName = table.value(name, "loginname");
    settings.UploadPath = table.value(name, "uploadpath");
    settings.HttpLink = table.value(name, "httplink");
    if (!settings.UserName.empty()) {
        settings.HttpLink = replaceAllNoCase(settings.HttpLink, "%username%", settings.UserName);
    }
    return settings;
}

std::string userNameForLogin(const HostTable& table, const std::string& name) {
    return table.value(name, "username") + table.value(name, "append");
}

std::string passwordForLogin(const HostTable& table, const std::string& name) {
    return ftp::UnscramblePassword(table.value(name, "loginname"));
}

void storeAccount(HostTable& table, const std::string& name, const std::string& userName,
                  const std::string& password) {
    if (!userName.empty()) table.setValue(name, "username", userName);
    if (!password.empty()) table.setValue(name, "loginname", ftp::ScramblePassword(password));
}

}  // namespace sonthra::podcast
