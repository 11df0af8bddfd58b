#include "ftp/ftp_connections.h"

#include "ftp/password_scramble.h"
#include "settings/registry_store.h"
#include "settings/settings.h"

namespace sonthra::ftp {
namespace {

bool usableName(const std::string& name) {
    if (name.empty() || name.size() > kMaxKeyNameLength) return false;
    for (char c : name) {
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return true;
}

}  // namespace

const char* ProtocolName(FtpProtocol protocol) {
    switch (protocol) {
        case FtpProtocol::Ftps:
            return "FTPS";
        case FtpProtocol::Sftp:
            return "SFTP";
        default:
            return "FTP";
    }
}

FtpProtocol ProtocolFromName(const std::string& name) {
    if (name == "FTPS") return FtpProtocol::Ftps;
    if (name == "SFTP") return FtpProtocol::Sftp;
    return FtpProtocol::Ftp;
}

FtpConnections::FtpConnections(std::filesystem::path storeFile, std::string company)
    : m_file(std::move(storeFile)), m_company(company.empty() ? kDefaultCompanyName : company) {}

bool FtpConnections::SaveConnection(const FTPSession& session) {
    if (!usableName(session.name)) return false;
    RegistryStore store(m_file);
    if (store.open() != 0) return false;
    if (store.openKey(ftpSettingsKey(m_company, session.name), true) != 0) return false;
    int result = store.writeString("HostName", session.hostName);
    result |= store.writeString("Port", session.port);
    result |= store.writeString("UserId", session.userId);
    result |= store.writeString("LastUploadPath", session.lastUploadPath);
    result |= store.writeString("Protocol", ProtocolName(session.protocol));
    result |= store.writeString("PrivateKeyFile", session.privateKeyFile);
    result |=
        store.writeString("LogKey", session.savePassword ? ScramblePassword(session.password) : "");
    result |= store.writeString(
        "KeyLogKey", session.savePassword ? ScramblePassword(session.keyPassphrase) : "");
    return store.close() == 0 && result == 0;
}

std::optional<FTPSession> FtpConnections::LoadConnection(const std::string& name) {
    if (!usableName(name)) return std::nullopt;
    RegistryStore store(m_file);
    if (store.open() != 0) return std::nullopt;
    if (store.openKey(ftpSettingsKey(m_company, name), false) != 0) return std::nullopt;
    FTPSession session;
    session.name = name;
    std::string logKey, keyLogKey, protocol;
    store.readString("HostName", session.hostName);
    store.readString("Port", session.port);
    store.readString("UserId", session.userId);
    store.readString("LastUploadPath", session.lastUploadPath);
    store.readString("Protocol", protocol);
    store.readString("PrivateKeyFile", session.privateKeyFile);
    store.readString("LogKey", logKey);
    store.readString("KeyLogKey", keyLogKey);
    session.protocol = ProtocolFromName(protocol);
    if (!logKey.empty()) session.password = UnscramblePassword(logKey);
    if (!keyLogKey.empty()) session.keyPassphrase = UnscramblePassword(keyLogKey);
    // The flag is not stored: a stored password or passphrase means the user wanted it kept.
    session.savePassword = !session.password.empty() || !session.keyPassphrase.empty();
    store.close();
    return session;
}

std::optional<std::vector<std::string>> FtpConnections::ListConnections() {
    RegistryStore store(m_file);
    if (store.open() != 0) return std::nullopt;
    if (store.openKey(ftpSettingsKey(m_company), false) != 0) return std::nullopt;
    auto names = store.subKeyNames();
    store.close();
    return names;
}

bool FtpConnections::DeleteConnection(const std::string& name) {
    if (!usableName(name) || name == kLastSessionName) return false;
    RegistryStore store(m_file);
    if (store.open() != 0) return false;
    const bool removed = store.deleteKey(ftpSettingsKey(m_company, name)) == 0;
    return store.close() == 0 && removed;
}

}  // namespace sonthra::ftp
