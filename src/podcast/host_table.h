// The table of podcast hosts ("hostsettings.ini"): one section per host, named as the host list
// shows it, with the keys host, httplink, uploadpath, append, username and loginname (the
// password, scrambled). The default table ships beside the program and is never written; the
// table the user changes is a copy in the per-user settings folder, mode 0600, read instead of
// the default once it exists.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "podcast/podcast_info.h"

namespace sonthra::podcast {

inline constexpr const char* kHostTableName = "hostsettings.ini";
inline constexpr const char* kCustomHost = "<Custom>";

class HostTable {
public:
    // Reads ini text: "[section]" lines, "key=value" lines (key and value trimmed, keys
    // compared without regard to case), ";" and "#" comments. Lines that are none of these,
    // keys before the first section and a repeated section header are passed over.
    static HostTable parse(const std::vector<std::string>& lines);
    std::vector<std::string> serialize() const;

    // Section names in file order, "<Custom>" never among them.
    std::vector<std::string> sections() const;
    bool hasSection(const std::string& section) const;
    // Empty when the section or key is missing.
    std::string value(const std::string& section, const std::string& key) const;
    void setValue(const std::string& section, const std::string& key, const std::string& value);

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
    };
    const Section* find(const std::string& name) const;

    std::vector<Section> m_sections;
};

// Where the tables live: the default in the program's resource folder, the user's copy in
// the per-user settings folder.
struct HostTableFiles {
    std::string defaultPath;
    std::string userPath;

    // The default beside the program (resourceFolder/hostsettings.ini) and the user's copy
    // beside the settings store.
    static HostTableFiles standard(const std::string& resourceFolder);
    // The table in use: the user's copy when it exists, else the default.
    std::string activePath() const;
    bool exists() const;
    Status load(HostTable& table) const;
    // Writes the whole table to the user's copy (mode 0600, its folder made when missing).
    Status save(const HostTable& table) const;
};

// The settings of the chosen host.
struct HostSettings {
    std::string Host;
    std::string HttpLink;  // every "%username%", in any case, replaced by a stored user name
    std::string UserName;
    std::string LoginName;  // as stored: scrambled
    std::string UploadPath;
};

// The settings of host name; for "<Custom>" only Host = "<Custom>" and an empty UserName are
// set and the other fields keep what current holds.
HostSettings hostSettingsFor(const HostTable& table, const std::string& name,
                             const HostSettings& current = {});
// "username" followed by "append": the FTP login of the host.
std::string userNameForLogin(const HostTable& table, const std::string& name);
// The stored password, unscrambled.
std::string passwordForLogin(const HostTable& table, const std::string& name);

// What the account window stores on OK: a non-empty user name as "username" and a non-empty
// password, scrambled, as "loginname".
void storeAccount(HostTable& table, const std::string& name, const std::string& userName,
                  const std::string& password);

}  // namespace sonthra::podcast
