#include "ftp/simple_ftp.h"

#include <curl/curl.h>

#include "ftp/ftp_paths.h"
#include "ftp/ftp_transport.h"

namespace sonthra::ftp {
namespace {

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) {
        if (!out.empty()) out += "\n";
        out += line;
    }
    return out;
}

// The platform error code a failed connect is reported with.
int connectErrorCode(const TransportResult& r) {
    switch (r.curlCode) {
        case CURLE_OPERATION_TIMEDOUT:
            return kInetErrTimeout;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return kInetErrNameNotResolved;
        case CURLE_LOGIN_DENIED:
            return r.sawPasswordRequest ? kInetErrBadPassword : kInetErrBadUserName;
        case CURLE_COULDNT_CONNECT:
            return kInetErrCannotConnect;
        case CURLE_FAILED_INIT:
        case CURLE_OUT_OF_MEMORY:
            return kInetErrInternal;
        case CURLE_ABORTED_BY_CALLBACK:
            return kInetErrLoginFailure;
        case CURLE_PEER_FAILED_VERIFICATION:
            return kInetErrInvalidCertificate;
        default:
            return kInetErrGeneral;
    }
}

// Failures worth another connect attempt: the server may simply not have been reachable yet.
bool retryable(const TransportResult& r) {
    return !r.aborted &&
           (r.curlCode == CURLE_COULDNT_CONNECT || r.curlCode == CURLE_OPERATION_TIMEDOUT ||
            r.curlCode == CURLE_GOT_NOTHING || r.curlCode == CURLE_RECV_ERROR);
}

// SFTP quote commands take paths in double quotes.
std::string sftpQuoted(const std::string& path) {
    std::string out = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::optional<std::string> lastPwd(const std::vector<std::string>& replies) {
    for (auto it = replies.rbegin(); it != replies.rend(); ++it) {
        if (auto folder = parsePwdReply(*it)) return folder;
    }
    return std::nullopt;
}

}  // namespace

TSimpleFTP::TSimpleFTP() {
    Port = 21;
}

TSimpleFTP::~TSimpleFTP() {
    SetDestroying();
    Disconnect();
}

void TSimpleFTP::SetFileSystemType(TFTPFileSystemType type) {
    if (m_connected) {
        Fail<ESimpleFTPError>("Cannot change file system type when connected");
        return;
    }
    m_fileSystemType = type;
}

void TSimpleFTP::SetBatchPosition(std::int32_t fileNumber, std::int32_t fileCount) {
    m_progress.FileNumber = fileNumber;
    m_progress.FileCount = fileCount;
}

std::string TSimpleFTP::RemoteDir() const {
    if (m_connected && !m_serverDir.empty()) return m_serverDir;
    return m_remoteDir;
}

std::string TSimpleFTP::AddSlash(const std::string& path) const {
    if (path.empty()) return "/";
    if (path.back() == '/' || m_fileSystemType == ftUnknown) return path;
    return path + "/";
}

TransportOptions TSimpleFTP::Options() const {
    TransportOptions o;
    o.protocol = Protocol;
    o.host = HostName;
    o.port = Port;
    o.user = UserName;
    o.password = Password;
    o.passive = Passive;
    o.transferText = m_transferType == ttAscii;
    o.timeoutMs = ConnectTimeout();
    o.stallMs = StallTimeout();
    o.resolve = ResolveNames;
    o.proxy = ProxyName;
    for (const auto& host : ProxyBypassList) {
        if (!o.proxyBypass.empty()) o.proxyBypass += ",";
        o.proxyBypass += host;
    }
    o.verifyPeer = VerifyPeer;
    o.caFile = CaFile;
    o.sshPrivateKey = SshPrivateKeyFile;
    o.sshKeyPassphrase = SshKeyPassphrase;
    o.sshPublicKey = SshPublicKeyFile;
    o.sshKnownHosts = SshKnownHostsFile;
    return o;
}

TransportResult TSimpleFTP::Run(TransportRequest& request) {
    request.status = [this](int code, std::int64_t count) {
        // Data connections open sockets too; once logged in, only byte counts matter.
        if (m_connected && code != kStatusRequestSent && code != kStatusResponseReceived) return;
        HandleStatus(code, count);
    };
    TransportResult result;
    if (!Session() || AbortRequested()) {
        result.curlCode = CURLE_ABORTED_BY_CALLBACK;
        result.aborted = AbortRequested();
        result.connectionLost = true;
    } else {
        result = Session()->perform(Options(), request);
    }
    if (!result.ok() && result.connectionLost && m_connected) DropConnection();
    return result;
}

void TSimpleFTP::DropConnection() {
    m_connected = false;
    m_serverDir.clear();
    // Shut the sockets first so that closing does not wait for a polite reply.
    if (Session()) Session()->abort();
    TWinInetControl::Disconnect();
}

bool TSimpleFTP::Connect() {
    if (m_connected && State() == Connected && HasSession()) return true;
    TWinInetControl::Connect();
    if (OnLogin) OnLogin(*this, UserName, Password);
    if (!HasSession() || m_connected) return m_connected;

    const bool usable = !HostName.empty() && isSafeRemoteText(HostName) &&
                        isSafeRemoteText(UserName) && isSafeRemoteText(Password) && Port > 0 &&
                        Port < 65536 &&
                        (Protocol != FtpProtocol::Sftp || FtpTransport::sftpAvailable());
    TransportResult result;
    if (!usable) {
        result.curlCode = HostName.empty() ? CURLE_COULDNT_RESOLVE_HOST : CURLE_URL_MALFORMAT;
    } else {
        const int attempts = ConnectRetries < 1 ? 1 : ConnectRetries;
        for (int attempt = 0; attempt < attempts; ++attempt) {
            HandleStatus(kStatusResolvingName, 0);
            TransportRequest request;
            request.kind = TransportRequest::Command;
            request.path = "/";
            result = Run(request);
            if (result.ok() || !retryable(result)) break;
        }
    }
    if (!result.ok()) {
        SetLastResponse(joinLines(result.replies));
        CloseSession();
        RaiseConnectError(connectErrorCode(result), result.certificateSubject);
        return false;
    }
    m_connected = true;
    SetState(Connected);
    m_lastResponseAfterConnect = joinLines(result.replies);
    SetLastResponse(m_lastResponseAfterConnect);
    std::string entry = result.entryPath;
    if (entry.empty()) entry = lastPwd(result.replies).value_or("/");
    m_serverDir = resolveRemotePath("/", entry);
    if (!m_remoteDir.empty()) ChangeDir(m_remoteDir);
    if (OnConnected) OnConnected(*this);
    return true;
}

bool TSimpleFTP::Disconnect() {
    m_connected = false;
    m_serverDir.clear();
    return TWinInetControl::Disconnect();
}

bool TSimpleFTP::EnterFolder(const std::string& target) {
    if (Protocol == FtpProtocol::Sftp) {
        // SFTP has no current folder: the client keeps it, once the server lists it.
        const std::string folder = resolveRemotePath(m_serverDir, target);
        std::string text;
        bool machineReadable = false;
        if (!ListFolder(folder, text, machineReadable)) return false;
        m_serverDir = folder;
        return true;
    }
    TransportRequest request;
    request.kind = TransportRequest::Command;
    request.path = "/";
    // The server's own folder may have been reset by a quiet reconnect, so start from ours.
    request.quote = {"CWD " + m_serverDir, "CWD " + target, "PWD"};
    const TransportResult result = Run(request);
    if (!result.ok()) return false;
    SetLastResponse(joinLines(result.replies));
    m_serverDir = lastPwd(result.replies).value_or(resolveRemotePath(m_serverDir, target));
    return true;
}

bool TSimpleFTP::ChangeDir(const std::string& path) {
    if (!m_connected) {
        m_remoteDir = path;
        return true;
    }
    const std::string target = path.size() > 1 ? withoutTrailingSlash(path) : path;
    if (!target.empty() && isSafeRemoteText(target) && EnterFolder(target)) {
        m_remoteDir = path;
        if (OnDirectoryChange) OnDirectoryChange(*this);
        return true;
    }
    const std::string text = "Couldn't change to directory " + path;
    if (m_fileSystemType == ftUnknown) {
        NoteFailure(text);
        return false;
    }
    return Fail<ESimpleFTPError>(text);
}

bool TSimpleFTP::DeleteFile(const std::string& name) {
    const std::string path =
        name.find('/') != std::string::npos ? name : AddSlash(RemoteDir()) + name;
    const std::string text = "Error deleting " + path;
    if (!m_connected || name.empty() || !isSafeRemoteText(path)) {
        return Fail<ESimpleFTPError>(text);
    }
    TransportRequest request;
    request.kind = TransportRequest::Command;
    request.path = "/";
    request.quote = {RemoveCommand(resolveRemotePath(m_serverDir, path), false)};
    if (!Run(request).ok()) return Fail<ESimpleFTPError>(text);
    return true;
}

bool TSimpleFTP::ListFolder(const std::string& folder, std::string& text, bool& machineReadable) {
    TransportRequest request;
    request.kind = TransportRequest::List;
    request.path = folder == "/" ? "/" : folder + "/";
    request.listing = &text;
    machineReadable = Protocol != FtpProtocol::Sftp && !m_noMlsd;
    if (machineReadable) {
        request.customRequest = "MLSD";
        const TransportResult result = Run(request);
        if (result.ok()) return true;
        if (result.connectionLost || !m_connected) return false;
        // Only a server that does not know MLSD gets the plain listing from now on; a folder
        // that is missing is missing either way.
        if (result.responseCode != 500 && result.responseCode != 502 &&
            result.responseCode != 504) {
            return false;
        }
        m_noMlsd = true;
        machineReadable = false;
        request.customRequest.clear();
        text.clear();
    }
    return Run(request).ok();
}

int TSimpleFTP::FindFiles(const std::string& pattern, TFTPFileList* list, bool withPath) {
    if (list) list->clear();
    if (!m_connected || !isSafeRemoteText(pattern)) return 0;
    std::string prefix;
    std::string namePattern = pattern;
    const std::size_t slash = pattern.rfind('/');
    if (slash != std::string::npos) {
        prefix = pattern.substr(0, slash + 1);
        namePattern = pattern.substr(slash + 1);
    } else {
        prefix = AddSlash(RemoteDir());
    }
    std::string text;
    bool machineReadable = false;
    if (!ListFolder(resolveRemotePath(m_serverDir, prefix), text, machineReadable)) return 0;
    int count = 0;
    for (auto& entry : parseListing(text, machineReadable)) {
        if (!matchesPattern(namePattern, entry.cFileName)) continue;
        const std::string name = withPath ? prefix + entry.cFileName : entry.cFileName;
        ++count;
        if (list) {
            list->emplace_back(name, entry);
            if (OnFindItem) OnFindItem(*this, list->back().second);
        } else if (OnFindItem) {
            OnFindItem(*this, entry);
        }
    }
    return count;
}

int TSimpleFTP::FindFilesIntoOwnList(const std::string& pattern, bool withPath) {
    m_files.clear();
    return FindFiles(pattern, &m_files, withPath);
}

std::vector<std::string> TSimpleFTP::RenameCommands(const std::string& from,
                                                    const std::string& to) const {
    std::vector<std::string> commands;
    if (Protocol == FtpProtocol::Sftp) {
        commands.push_back("rename " + sftpQuoted(from) + " " + sftpQuoted(to));
    } else {
        commands.push_back("RNFR " + from);
        commands.push_back("RNTO " + to);
    }
    return commands;
}

std::string TSimpleFTP::RemoveCommand(const std::string& path, bool ignoreFailure) const {
    const std::string command =
        Protocol == FtpProtocol::Sftp ? "rm " + sftpQuoted(path) : "DELE " + path;
    return ignoreFailure ? "*" + command : command;
}

}  // namespace sonthra::ftp
