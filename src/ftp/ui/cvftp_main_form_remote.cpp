// The FTP window's remote side: connecting, folders, the remote list and uploads, each network
// call on a worker thread.
#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <thread>

#include "dialogs/ui/user_dialogs.h"
#include "ftp/ui/cvftp_main_form.h"
#include "ftp/ui/cvftp_texts.h"

namespace sonthra {
namespace {

using cvftp::kErrorCaption;
using cvftp::q;

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void TCVFTPMainForm::wireClient() {
    ftp::TSimpleFTP& client = *m_ftp;
    client.SilentExceptions = true;
    client.Passive = true;  // what works behind today's routers and firewalls
    // The client's events come on the worker; the window acts on them on its own thread.
    auto post = [this](std::function<void()> action) {
        QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
    };
    client.OnStateChange = [this, post](ftp::TWinInetControl&, ftp::TWinInetState state) {
        post([this, state] {
            switch (state) {
                case ftp::Disconnecting:
                    setStatus("Disconnecting...");
                    break;
                case ftp::NoConnection:
                    setStatus("No connection to remote host.");
                    break;
                case ftp::ResolvingName:
                    setStatus("Resolving the host name.");
                    break;
                case ftp::NameResolved:
                    setStatus("Host name resolved. Trying to connect...");
                    break;
                default:
                    break;
            }
        });
    };
    client.OnLogin = [post, this](ftp::TSimpleFTP&, std::string&, std::string&) {
        post([this] { setStatus("Logging in..."); });
    };
    client.OnDisconnected = [post, this](ftp::TWinInetControl&) {
        post([this] {
            setStatus("Disconnected.");
            // A line that dropped during an operation leaves the window usable, disconnected.
            if (!m_ftp->IsConnected() && remotePanelShown()) setConnectedControls(false);
        });
    };
    client.OnTransferProgress = [post, this](ftp::TSimpleFTP&, const ftp::TFTPProgressInfo& info) {
        const int percent =
            info.FileSize > 0 ? static_cast<int>(info.BytesDone * 100 / info.FileSize) : 100;
        if (m_postedPercent.exchange(percent) == percent) return;
        post([this, percent] { FTPProgress->setValue(percent); });
    };
}

bool TCVFTPMainForm::runOnWorker(const std::function<bool()>& job) {
    m_busy = true;
    QEventLoop loop;
    std::atomic<bool> result{false};
    std::thread worker([&] {
        bool ok = false;
        try {
            ok = job();
        } catch (...) {
            ok = false;
        }
        result.store(ok);
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    m_busy = false;
    if (m_closeWhenIdle) QTimer::singleShot(0, this, [this] { close(); });
    return result.load();
}

bool TCVFTPMainForm::sftpKey() const {
    return chosenProtocol() == ftp::FtpProtocol::Sftp && !PrivateKeyEditBox->text().isEmpty();
}

bool TCVFTPMainForm::isConnected() const {
    return !m_busy && m_ftp->IsConnected();
}

void TCVFTPMainForm::ConnectButtonClick() {
    if (m_busy || isConnected()) return;
    const QString host = HostNameEditBox->text();
    const QString port = PortEditBox->text();
    bool portOk = false;
    const int portNumber = port.toInt(&portOk);
    const char* problem = nullptr;
    if (host.isEmpty()) {
        problem = "Error : No Host has been specified for communication.";
    } else if (port.isEmpty() || !portOk || portNumber < 1 || portNumber > 65535) {
        problem = "Error : No Port has been specified to contact the host.";
    } else if (UserIDEditBox->text().isEmpty()) {
        problem = "Error : No User ID has been provided for authentication.";
    } else if (sftpKey() && !QFileInfo(PrivateKeyEditBox->text()).isReadable()) {
        problem = "Error : The private key file cannot be read.";
    }
    if (problem) {
        m_dialogs.messageBox(this, kErrorCaption, problem, DialogIcon::Error, DialogButtons::Ok);
        return;
    }
    ftp::TSimpleFTP& client = *m_ftp;
    client.HostName = host.trimmed().toStdString();
    client.Port = portNumber;
    client.UserName = UserIDEditBox->text().toStdString();
    client.Password = PasswordEditBox->text().toStdString();
    client.Protocol = chosenProtocol();
    // The key goes only to SFTP; a public key beside it ("<key>.pub") is offered with it.
    const std::string key = sftpKey() ? PrivateKeyEditBox->text().toStdString() : std::string();
    client.SshPrivateKeyFile = key;
    client.SshKeyPassphrase =
        key.empty() ? std::string() : KeyPassphraseEditBox->text().toStdString();
    client.SshPublicKeyFile =
        !key.empty() && QFileInfo(q(key + ".pub")).isFile() ? key + ".pub" : std::string();
    setStatus("Connecting to " + host);
    if (!m_callerRemoteFolder.isEmpty()) m_remotePathToOpen = m_callerRemoteFolder;

    bool connected = false;
    {
        WaitCursor wait;
        connected = runOnWorker([&client] { return client.Connect(); });
    }
    if (m_closeWhenIdle) return;  // the user closed the window meanwhile
    if (!connected) {
        m_dialogs.messageBox(this, kErrorCaption,
                             "Error connecting to remote host!\n" + q(client.LastErrorText()),
                             DialogIcon::Error, DialogButtons::Ok);
        return;
    }
    setStatus("Connected to " + host);
    setConnectedControls(true);
    RemoteList->clear();
    enterFolder(m_remotePathToOpen);
    RemotePathEdit->setText(q(client.RemoteDir()));
    refreshList();
    if (m_remotePathToOpen == "/") {
        refreshList();
        setStatus("Root folder listing done.");
    }
}

void TCVFTPMainForm::DisconnectButtonClick() {
    if (m_busy) return;
    runOnWorker([this] { return m_ftp->Disconnect(); });
    m_remotePathToOpen = RemotePathEdit->text().trimmed();
    saveLastSession();
    setConnectedControls(false);
    setStatus("Disconnected from " + HostNameEditBox->text());
}

bool TCVFTPMainForm::enterFolder(const QString& folder) {
    const std::string path = folder.toStdString();
    if (!runOnWorker([this, path] { return m_ftp->ChangeDir(path); })) return false;
    setStatus("Directory changed. Listing files...");
    refreshList();
    RemotePathEdit->setText(q(m_ftp->RemoteDir()));
    setStatus("Listing done.");
    return true;
}

void TCVFTPMainForm::refreshList() {
    ftp::TFTPFileList entries;
    runOnWorker([this, &entries] { return m_ftp->FindFiles({}, &entries, false) >= 0; });
    RemoteList->clear();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const auto& [name, data] : entries) {
        auto* row = new QTreeWidgetItem(RemoteList);
        row->setText(0, q(name));
        row->setText(1, QString::number(static_cast<qulonglong>(data.size())));
        row->setIcon(0, data.isDirectory() ? folderIcon : fileIcon);
        row->setData(0, Qt::UserRole, data.isDirectory());
    }
}

void TCVFTPMainForm::RefreshButtonClick() {
    if (m_busy || !isConnected()) return;
    refreshList();
}

void TCVFTPMainForm::RemoteListDblClick(QTreeWidgetItem* item) {
    if (m_busy || !item || !isConnected() || !item->data(0, Qt::UserRole).toBool()) return;
    setStatus("Changing to " + item->text(0));
    if (!enterFolder(item->text(0))) setStatus("Cannot change the directory");
}

void TCVFTPMainForm::ParentDirButtonClick() {
    if (m_busy || !isConnected()) return;
    setStatus("Changing to parent directory.");
    if (!enterFolder("..")) setStatus("Cannot change the directory");
}

void TCVFTPMainForm::RemotePathEditReturn() {
    if (m_busy || !isConnected()) return;
    if (!enterFolder(RemotePathEdit->text().trimmed())) setStatus("Cannot change the directory");
}

bool TCVFTPMainForm::uploadOne(const QString& file, int number, int count, bool& stop) {
    const QFileInfo info(file);
    if (!info.isFile()) {
        m_dialogs.messageBox(this, "File Missing", file + " does not exist. Continuing with other.",
                             DialogIcon::Warning, DialogButtons::Ok);
        return false;
    }
    const QString name = info.fileName();
    UploadStatusLabel->setText(" File : " + QString::number(number) + " of " +
                               QString::number(count) + " (" + name + ")");
    FTPBatchProgress->setValue(number - 1);
    ftp::TFTPFileList found;
    const std::string remoteName = name.toStdString();
    runOnWorker([&] { return m_ftp->FindFiles(remoteName, &found, false) >= 0; });
    const bool exists = std::any_of(found.begin(), found.end(),
                                    [&](const auto& entry) { return entry.first == remoteName; });
    if (exists) {
        const DialogAnswer answer =
            m_dialogs.messageBox(this, "File Exists",
                                 "The file " + name + " already exists at remote location." +
                                     "\n\r" + "Do you want to overwrite it?",
                                 DialogIcon::Warning, DialogButtons::YesNoCancel);
        if (answer == DialogAnswer::Cancel) {
            stop = true;
            return true;  // not a failure: the user ended the batch
        }
        if (answer == DialogAnswer::No) return true;
    }
    m_postedPercent.store(-1);
    FTPProgress->setValue(0);
    FTPProgress->show();
    const std::string local = info.absoluteFilePath().toStdString();
    if (!runOnWorker([this, local] { return m_ftp->PutFile(local); })) return false;
    if (!m_uploaded.contains(file)) m_uploaded << file;
    return true;
}

void TCVFTPMainForm::UploadButtonClick() {
    if (m_busy || !isConnected()) return;
    bool anyFailed = false;
    if (m_uploadFiles.isEmpty()) {
        setStatus("No files to upload.");
    } else {
        WaitCursor wait;
        for (QPushButton* b : {RefreshButton, UploadButton, ParentDirButton}) b->setEnabled(false);
        FTPBatchProgress->setRange(0, static_cast<int>(m_uploadFiles.size()));
        FTPBatchProgress->show();
        bool stop = false;
        for (int i = 0; i < m_uploadFiles.size() && !stop && !m_closeWhenIdle; ++i) {
            if (!uploadOne(m_uploadFiles[i], i + 1, static_cast<int>(m_uploadFiles.size()), stop)) {
                anyFailed = true;
            }
        }
        FTPBatchProgress->hide();
    }
    for (QPushButton* b : {RefreshButton, UploadButton, ParentDirButton}) b->setEnabled(true);
    FTPProgress->hide();
    setStatus("Transfer Completed!");
    UploadStatusLabel->setText(anyFailed ? "One or more files could not be uploaded." : "");
    if (isConnected()) refreshList();
}

}  // namespace sonthra
