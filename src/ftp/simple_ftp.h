// TSimpleFTP: the FTP client the podcast upload and the FTP window use. It connects, changes
// the remote folder, lists remote entries, uploads files with byte-level progress and deletes
// remote files, over plain FTP, FTPS (explicit TLS, never falling back to clear text) or SFTP.
//
// An upload never leaves a half-written file where a good one was: the bytes go to a temporary
// name in the same remote folder, which is renamed over the target only once complete.
//
// Threads as for TWinInetControl: operations block their caller and fire their events on its
// thread; Abort may come from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ftp/ftp_listing.h"
#include "ftp/win_inet_control.h"

namespace sonthra::ftp {

struct TransportRequest;
struct TransportResult;
struct TransportOptions;

enum TFTPTransferType { ttBinary, ttAscii, ttUnknown };
enum TFTPFileSystemType { ftUnix, ftUnknown };

class ESimpleFTPError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Upload progress. Sizes are 64-bit so that files past 2 GB report truthfully.
struct TFTPProgressInfo {
    std::int64_t BytesDone = 0;
    std::int64_t FileSize = 0;
    std::int32_t FileNumber = 0;  // position in a batch, for a caller that fills it in
    std::int32_t FileCount = 0;
    std::string FileName;  // the current file's name without folder
};

// A listing kept by the component or a caller: each entry's name and its own find data.
using TFTPFileList = std::vector<std::pair<std::string, TFTPFindData>>;

class TSimpleFTP : public TWinInetControl {
public:
    using FindItemEvent = std::function<void(TSimpleFTP& sender, const TFTPFindData& data)>;
    using LoginEvent =
        std::function<void(TSimpleFTP& sender, std::string& userName, std::string& password)>;
    using ProgressEvent = std::function<void(TSimpleFTP& sender, const TFTPProgressInfo& info)>;
    using FtpNotifyEvent = std::function<void(TSimpleFTP& sender)>;

    TSimpleFTP();
    ~TSimpleFTP() override;

    std::string LocalDir;
    bool Passive = false;
    TQuickProgressBar* QuickProgressMajor = nullptr;
    TQuickLabel* QuickLabelMajor = nullptr;
    TQuickLabel* QuickLabelMinor = nullptr;

    FtpNotifyEvent OnDirectoryChange;
    FindItemEvent OnFindItem;
    LoginEvent OnLogin;
    ProgressEvent OnTransferProgress;

    TFTPTransferType TransferType() const { return m_transferType; }
    void SetTransferType(TFTPTransferType type) { m_transferType = type; }
    TFTPFileSystemType FileSystemType() const { return m_fileSystemType; }
    // Refused while connected (raises unless SilentExceptions, which ignores the change).
    void SetFileSystemType(TFTPFileSystemType type);
    // The server's current folder while connected, else the stored one.
    std::string RemoteDir() const;
    void SetRemoteDir(const std::string& path) { ChangeDir(path); }
    std::int64_t CurFileSize() const { return m_progress.FileSize; }
    const TFTPProgressInfo& Progress() const { return m_progress; }
    // Fills FileNumber and FileCount for the uploads that follow.
    void SetBatchPosition(std::int32_t fileNumber, std::int32_t fileCount);
    // The server's text after connecting.
    const std::string& LastResponse() const { return m_lastResponseAfterConnect; }
    bool IsConnected() const { return m_connected; }

    bool Connect() override;
    bool Disconnect() override;
    bool ChangeDir(const std::string& path);
    bool DeleteFile(const std::string& name);
    bool PutFile(const std::string& localName);
    bool PutFileAs(const std::string& localPath, const std::string& remotePath);
    // Entries matching pattern ("*" and "?"; a "/" in it names the folder), into list when one
    // is given (cleared first), names with their folder when withPath; fires OnFindItem per
    // entry. The count, 0 when nothing matches or the listing fails.
    int FindFiles(const std::string& pattern, TFTPFileList* list, bool withPath);
    int ListDir() { return FindFiles({}, nullptr, false); }
    // A listing into the component's own list.
    int FindFilesIntoOwnList(const std::string& pattern, bool withPath);
    const TFTPFileList& Files() const { return m_files; }
    std::string AddSlash(const std::string& path) const;

    void UpdateQuickProgress() override;
    void HandleStatus(int statusCode, std::int64_t byteCount) override;

private:
    TransportOptions Options() const;
    TransportResult Run(TransportRequest& request);
    // After a failure that took the control connection with it: drop everything so that the
    // next Connect starts afresh.
    void DropConnection();
    bool EnterFolder(const std::string& target);
    bool ListFolder(const std::string& folder, std::string& text, bool& machineReadable);
    // Uploads to a temporary name beside the target, then renames it over the target; the
    // target is never removed first. why receives what the user should hear beyond the
    // failure itself (a refused replace, a stall).
    bool UploadAndRename(const std::string& localPath, const std::string& remoteAbsolute,
                         std::string& why);
    // Puts temporary in target's place through a rename of the target aside, for servers that
    // rename only onto a free name; the old file comes back when the second rename fails.
    bool ReplaceThroughAside(const std::string& temporary, const std::string& target);
    // Removes what an upload left under path: over the connection while it lasts, else over
    // a connection of its own (not after Abort, which must end everything at once).
    void RemoveLeftover(const std::string& path);
    std::vector<std::string> RenameCommands(const std::string& from, const std::string& to) const;
    std::string RemoveCommand(const std::string& path, bool ignoreFailure) const;
    bool PutFailure(const std::string& localPath, const std::string& remotePath,
                    const std::string& why);

    TFTPTransferType m_transferType = ttBinary;
    TFTPFileSystemType m_fileSystemType = ftUnix;
    std::string m_remoteDir;  // as the caller gave it
    std::string m_serverDir;  // the server's folder, absolute, while connected
    std::string m_lastResponseAfterConnect;
    bool m_connected = false;
    bool m_noMlsd = false;
    TFTPFileList m_files;
    TFTPProgressInfo m_progress;
};

}  // namespace sonthra::ftp
