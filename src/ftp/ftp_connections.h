// Saved FTP connections: one key per connection below "\Software\<company>\FTPSettings\" in the
// settings store, holding host, port, user, last remote folder, the protocol, the SFTP private
// key file and, when the user asked for it, the scrambled password ("LogKey") and key
// passphrase ("KeyLogKey"). "<Last Session>" is saved automatically and is
// never deleted. The store's file is readable by its owner only.
//
// Each call opens the store, does its work and closes it. Call from any one thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ftp/win_inet_control.h"

namespace sonthra::ftp {

inline constexpr const char* kLastSessionName = "<Last Session>";
inline constexpr const char* kDefaultCompanyName = "Corvanta";

struct FTPSession {
    std::string name;
    std::string hostName;
    std::string port;  // as typed
    std::string lastUploadPath;
    std::string password;
    std::string userId;
    bool savePassword = false;
    FtpProtocol protocol = FtpProtocol::Ftp;
    // SFTP: the private key to log in with, and its passphrase, which is kept (scrambled) only
    // when the password is.
    std::string privateKeyFile;
    std::string keyPassphrase;
};

// "FTP", "FTPS", "SFTP"; unknown text reads as plain FTP.
const char* ProtocolName(FtpProtocol protocol);
FtpProtocol ProtocolFromName(const std::string& name);

class FtpConnections {
public:
    // company: the name the keys live under; empty gives "Corvanta".
    FtpConnections(std::filesystem::path storeFile, std::string company);

    // False when the key cannot be opened or created, or the name cannot be a key name.
    bool SaveConnection(const FTPSession& session);
    // Nothing when no connection of that name exists.
    std::optional<FTPSession> LoadConnection(const std::string& name);
    // The names of all saved connections in name order; nothing when none can be read.
    std::optional<std::vector<std::string>> ListConnections();
    // Removes a connection; "<Last Session>" and the empty name are never removed.
    bool DeleteConnection(const std::string& name);

    const std::string& company() const { return m_company; }

private:
    std::filesystem::path m_file;
    std::string m_company;
};

}  // namespace sonthra::ftp
