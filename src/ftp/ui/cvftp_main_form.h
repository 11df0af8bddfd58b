// TCVFTPMainForm: the modal window through which podcast files reach the user's host. The user
// connects, browses the remote folders and uploads the whole list of files into the current
// remote folder; connection details can be saved under a name, and the last one used is saved
// as "<Last Session>" at every disconnect and close.
//
// The FTP client (FTPMain) runs every network call on a worker thread while the window's own
// event loop keeps it painted and answering; the client's events are posted back to this
// thread. Escape or Close during a transfer aborts it first. Call only from the GUI thread.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>

#include "ftp/ftp_connections.h"
#include "ftp/simple_ftp.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace sonthra {

class UserDialogs;

class TCVFTPMainForm : public QDialog {
public:
    // storeFile: the settings store; company: the key the connections live under.
    TCVFTPMainForm(UserDialogs& dialogs, std::filesystem::path storeFile, const QString& company,
                   QWidget* parent = nullptr);
    ~TCVFTPMainForm() override;

    // The files to upload (the caller's list) and the remote folder the caller wants entered.
    void setUploadFiles(const QStringList& files) { m_uploadFiles = files; }
    void setCallerRemoteFolder(const QString& folder) { m_callerRemoteFolder = folder; }
    // Fills the four boxes (the interface does this with the caller's details).
    void setLoginDetails(const QString& host, const QString& user, const QString& password);
    // Puts a saved connection into the boxes; false when there is none of that name.
    bool loadSession(const QString& name);

    // The handlers, named after their controls.
    void ConnectButtonClick();
    void DisconnectButtonClick();
    void CloseButtonClick();
    void SaveSettingsButtonClick();
    void DeleteButtonClick();
    void urlComboChange();
    void RefreshButtonClick();
    void UploadButtonClick();
    void ParentDirButtonClick();
    void RemoteListDblClick(QTreeWidgetItem* item);
    void RemotePathEditReturn();
    void ClockTimerTimer();
    // SFTP's key file: chosen in a file window; the key boxes are open for SFTP only.
    void PrivateKeyBrowseButtonClick();
    void ProtocolComboChange();

    // What the window shows, for its callers and tests.
    bool isConnected() const;
    bool remotePanelShown() const;
    QString statusText() const;
    QString uploadStatusText() const;
    QString remotePath() const;
    QStringList remoteNames() const;
    QString remotePathToOpen() const { return m_remotePathToOpen; }
    // Files uploaded in this window (each counted once).
    int uploadedCount() const { return static_cast<int>(m_uploaded.size()); }
    bool busy() const { return m_busy; }
    ftp::TSimpleFTP& FTPMain() { return *m_ftp; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void wireClient();
    void fillSessionList(const QString& select);
    void setStatus(const QString& text);
    void showRemotePanel(bool shown);
    void setConnectedControls(bool connected);
    void enableKeyControls();
    // Runs job on a worker, keeping this window alive and painted until it returns.
    bool runOnWorker(const std::function<bool()>& job);
    bool enterFolder(const QString& folder);
    void refreshList();
    void saveLastSession();
    ftp::FTPSession sessionFromBoxes(const QString& name) const;
    ftp::FtpProtocol chosenProtocol() const;
    // SFTP is chosen and a private key named.
    bool sftpKey() const;
    // Uploads one file of the batch; false when it was not uploaded, and sets stop on Cancel.
    bool uploadOne(const QString& file, int number, int count, bool& stop);

    UserDialogs& m_dialogs;
    ftp::FtpConnections m_connections;
    std::unique_ptr<ftp::TSimpleFTP> m_ftp;
    QStringList m_uploadFiles;
    QString m_callerRemoteFolder;
    QString m_remotePathToOpen = "/";
    QStringList m_uploaded;
    bool m_busy = false;
    bool m_closeWhenIdle = false;
    std::atomic<int> m_postedPercent{-1};  // the per-file percent last posted by the worker

    QLineEdit* HostNameEditBox = nullptr;
    QLineEdit* PortEditBox = nullptr;
    QComboBox* ProtocolCombo = nullptr;
    QLineEdit* UserIDEditBox = nullptr;
    QLineEdit* PasswordEditBox = nullptr;
    QCheckBox* SavePasswordCheckBox = nullptr;
    QLineEdit* PrivateKeyEditBox = nullptr;
    QPushButton* PrivateKeyBrowseButton = nullptr;
    QLineEdit* KeyPassphraseEditBox = nullptr;
    QPushButton* ConnectButton = nullptr;
    QPushButton* DisconnectButton = nullptr;
    QPushButton* CloseButton = nullptr;
    QComboBox* urlCombo = nullptr;
    QPushButton* DeleteButton = nullptr;
    QLineEdit* SessionNameEditBox = nullptr;
    QPushButton* SaveSettingsButton = nullptr;
    QWidget* RemotePanel = nullptr;
    QLineEdit* RemotePathEdit = nullptr;
    QLabel* UploadStatusLabel = nullptr;
    QTreeWidget* RemoteList = nullptr;
    QPushButton* RefreshButton = nullptr;
    QPushButton* UploadButton = nullptr;
    QPushButton* ParentDirButton = nullptr;
    QProgressBar* FTPProgress = nullptr;
    QProgressBar* FTPBatchProgress = nullptr;
    QLabel* DatePanel = nullptr;
    QLabel* TimePanel = nullptr;
    QLabel* StatusPanel = nullptr;
    QTimer* ClockTimer = nullptr;
};

}  // namespace sonthra
