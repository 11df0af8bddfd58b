// The FTP window's controls, saved connections, clock and status; the remote side (connect,
// folders, uploads) is in cvftp_main_form_remote.cpp.
#include "ftp/ui/cvftp_main_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs/ui/user_dialogs.h"
#include "ftp/ftp_transport.h"
#include "ftp/ui/cvftp_texts.h"

namespace sonthra {
namespace {

const char* const kSessionNamePrompt = "Session Name";

using cvftp::kErrorCaption;
using cvftp::q;
std::string s(const QString& text) {
    return text.toStdString();
}

}  // namespace

TCVFTPMainForm::TCVFTPMainForm(UserDialogs& dialogs, std::filesystem::path storeFile,
                               const QString& company, QWidget* parent)
    : QDialog(parent),
      m_dialogs(dialogs),
      m_connections(std::move(storeFile), s(company)),
      m_ftp(std::make_unique<ftp::TSimpleFTP>()) {
    setObjectName("CVFTPMainForm");
    setModal(true);
    buildControls();
    wireClient();
    fillSessionList({});
    if (PortEditBox->text().isEmpty()) PortEditBox->setText("21");
}

TCVFTPMainForm::~TCVFTPMainForm() {
    // Nothing runs on a worker once a handler has returned; the client says goodbye here.
    m_ftp->OnDisconnected = nullptr;
    m_ftp->OnStateChange = nullptr;
}

void TCVFTPMainForm::buildControls() {
    auto* hostBox = new QGroupBox("Host Specifications", this);
    auto* hostGrid = new QGridLayout(hostBox);
    HostNameEditBox = new QLineEdit(hostBox);
    HostNameEditBox->setObjectName("HostNameEditBox");
    PortEditBox = new QLineEdit(hostBox);
    PortEditBox->setObjectName("PortEditBox");
    ProtocolCombo = new QComboBox(hostBox);
    ProtocolCombo->setObjectName("ProtocolCombo");
    ProtocolCombo->addItem("FTP", static_cast<int>(ftp::FtpProtocol::Ftp));
    ProtocolCombo->addItem("FTPS (explicit TLS)", static_cast<int>(ftp::FtpProtocol::Ftps));
    if (ftp::FtpTransport::sftpAvailable()) {
        ProtocolCombo->addItem("SFTP", static_cast<int>(ftp::FtpProtocol::Sftp));
    }
    hostGrid->addWidget(new QLabel("Host Name: ", hostBox), 0, 0);
    hostGrid->addWidget(HostNameEditBox, 0, 1);
    hostGrid->addWidget(new QLabel("Port: ", hostBox), 0, 2);
    hostGrid->addWidget(PortEditBox, 0, 3);
    hostGrid->addWidget(new QLabel("Protocol: ", hostBox), 1, 0);
    hostGrid->addWidget(ProtocolCombo, 1, 1);

    auto* loginBox = new QGroupBox("Login Information", this);
    auto* loginGrid = new QGridLayout(loginBox);
    UserIDEditBox = new QLineEdit(loginBox);
    UserIDEditBox->setObjectName("UserIDEditBox");
    PasswordEditBox = new QLineEdit(loginBox);
    PasswordEditBox->setObjectName("PasswordEditBox");
    PasswordEditBox->setEchoMode(QLineEdit::Password);
    SavePasswordCheckBox = new QCheckBox("Save Password", loginBox);
    SavePasswordCheckBox->setObjectName("SavePasswordCheckBox");
    loginGrid->addWidget(new QLabel("User ID :", loginBox), 0, 0);
    loginGrid->addWidget(UserIDEditBox, 0, 1);
    loginGrid->addWidget(new QLabel("Password :", loginBox), 1, 0);
    loginGrid->addWidget(PasswordEditBox, 1, 1);
    loginGrid->addWidget(SavePasswordCheckBox, 2, 1);
    // SFTP can log in with a key instead of (or besides) the password.
    PrivateKeyEditBox = new QLineEdit(loginBox);
    PrivateKeyEditBox->setObjectName("PrivateKeyEditBox");
    PrivateKeyBrowseButton = new QPushButton("...", loginBox);
    PrivateKeyBrowseButton->setObjectName("PrivateKeyBrowseButton");
    PrivateKeyBrowseButton->setToolTip("Choose the private key file");
    KeyPassphraseEditBox = new QLineEdit(loginBox);
    KeyPassphraseEditBox->setObjectName("KeyPassphraseEditBox");
    KeyPassphraseEditBox->setEchoMode(QLineEdit::Password);
    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(PrivateKeyEditBox, 1);
    keyRow->addWidget(PrivateKeyBrowseButton);
    auto* keyLabel = new QLabel("Private Key :", loginBox);
    auto* passphraseLabel = new QLabel("Key Passphrase :", loginBox);
    loginGrid->addWidget(keyLabel, 3, 0);
    loginGrid->addLayout(keyRow, 3, 1);
    loginGrid->addWidget(passphraseLabel, 4, 0);
    loginGrid->addWidget(KeyPassphraseEditBox, 4, 1);
    if (!ftp::FtpTransport::sftpAvailable()) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{keyLabel, PrivateKeyEditBox, PrivateKeyBrowseButton,
                                             passphraseLabel, KeyPassphraseEditBox}) {
            w->hide();
        }
    }

    ConnectButton = new QPushButton("&Connect", this);
    DisconnectButton = new QPushButton("&Disconnect", this);
    CloseButton = new QPushButton("Cl&ose", this);
    DisconnectButton->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ConnectButton);
    buttons->addWidget(DisconnectButton);
    buttons->addWidget(CloseButton);

    urlCombo = new QComboBox(this);
    urlCombo->setObjectName("urlCombo");
    DeleteButton = new QPushButton("D&elete", this);
    auto* sessions = new QHBoxLayout;
    sessions->addWidget(new QLabel("Saved Sessions:", this));
    sessions->addWidget(urlCombo, 1);
    sessions->addWidget(DeleteButton);

    auto* saveBox = new QGroupBox("Save FTP Settings", this);
    auto* saveRow = new QHBoxLayout(saveBox);
    SessionNameEditBox = new QLineEdit(kSessionNamePrompt, saveBox);
    SessionNameEditBox->setObjectName("SessionNameEditBox");
    SaveSettingsButton = new QPushButton("&Save Settings", saveBox);
    saveRow->addWidget(SessionNameEditBox, 1);
    saveRow->addWidget(SaveSettingsButton);

    RemotePanel = new QWidget(this);
    auto* remote = new QVBoxLayout(RemotePanel);
    remote->setContentsMargins(0, 0, 0, 0);
    RemotePathEdit = new QLineEdit(RemotePanel);
    RemotePathEdit->setObjectName("RemotePathEdit");
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel("Remote Path : ", RemotePanel));
    pathRow->addWidget(RemotePathEdit, 1);
    UploadStatusLabel = new QLabel(RemotePanel);
    UploadStatusLabel->setObjectName("UploadStatusLabel");
    RemoteList = new QTreeWidget(RemotePanel);
    RemoteList->setObjectName("RemoteList");
    RemoteList->setHeaderLabels({"File Name", "File Size"});
    RemoteList->setRootIsDecorated(false);
    RemoteList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    RemoteList->setSortingEnabled(true);
    RemoteList->sortByColumn(0, Qt::AscendingOrder);
    RefreshButton = new QPushButton("&Refresh (F5)", RemotePanel);
    UploadButton = new QPushButton("&Upload (F6)", RemotePanel);
    ParentDirButton = new QPushButton("&Parent Dir (F7)", RemotePanel);
    auto* tools = new QHBoxLayout;
    tools->addWidget(RefreshButton);
    tools->addWidget(UploadButton);
    tools->addWidget(ParentDirButton);
    remote->addLayout(pathRow);
    remote->addLayout(tools);
    remote->addWidget(UploadStatusLabel);
    remote->addWidget(RemoteList);

    FTPProgress = new QProgressBar(this);
    FTPProgress->setObjectName("FTPProgress");
    FTPProgress->setRange(0, 100);
    FTPProgress->hide();
    FTPBatchProgress = new QProgressBar(this);
    FTPBatchProgress->setObjectName("FTPBatchProgress");
    FTPBatchProgress->setFormat("%v of %m");
    FTPBatchProgress->hide();

    auto* statusBar = new QStatusBar(this);
    DatePanel = new QLabel(statusBar);
    TimePanel = new QLabel(statusBar);
    StatusPanel = new QLabel(statusBar);
    StatusPanel->setObjectName("StatusPanel");
    statusBar->addWidget(DatePanel);
    statusBar->addWidget(TimePanel);
    statusBar->addWidget(StatusPanel, 1);
    statusBar->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hostBox);
    layout->addWidget(loginBox);
    layout->addLayout(buttons);
    layout->addLayout(sessions);
    layout->addWidget(saveBox);
    layout->addWidget(RemotePanel, 1);
    layout->addWidget(FTPBatchProgress);
    layout->addWidget(FTPProgress);
    layout->addWidget(statusBar);
    RemotePanel->hide();

    ClockTimer = new QTimer(this);
    ClockTimer->setInterval(1000);
    connect(ClockTimer, &QTimer::timeout, this, [this] { ClockTimerTimer(); });
    connect(ConnectButton, &QPushButton::clicked, this, [this] { ConnectButtonClick(); });
    connect(DisconnectButton, &QPushButton::clicked, this, [this] { DisconnectButtonClick(); });
    connect(CloseButton, &QPushButton::clicked, this, [this] { CloseButtonClick(); });
    connect(SaveSettingsButton, &QPushButton::clicked, this, [this] { SaveSettingsButtonClick(); });
    connect(DeleteButton, &QPushButton::clicked, this, [this] { DeleteButtonClick(); });
    connect(urlCombo, &QComboBox::activated, this, [this] { urlComboChange(); });
    connect(RefreshButton, &QPushButton::clicked, this, [this] { RefreshButtonClick(); });
    connect(UploadButton, &QPushButton::clicked, this, [this] { UploadButtonClick(); });
    connect(ParentDirButton, &QPushButton::clicked, this, [this] { ParentDirButtonClick(); });
    connect(RemoteList, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { RemoteListDblClick(item); });
    connect(RemotePathEdit, &QLineEdit::returnPressed, this, [this] { RemotePathEditReturn(); });
    connect(PrivateKeyBrowseButton, &QPushButton::clicked, this,
            [this] { PrivateKeyBrowseButtonClick(); });
    connect(ProtocolCombo, &QComboBox::currentIndexChanged, this,
            [this] { ProtocolComboChange(); });
    enableKeyControls();
}

void TCVFTPMainForm::setLoginDetails(const QString& host, const QString& user,
                                     const QString& password) {
    HostNameEditBox->setText(host);
    UserIDEditBox->setText(user);
    PasswordEditBox->setText(password);
}

void TCVFTPMainForm::fillSessionList(const QString& select) {
    urlCombo->clear();
    const auto names = m_connections.ListConnections();
    if (!names) {
        setStatus("Cannot retrieve the ftp settings.");
        return;
    }
    for (const auto& name : *names) urlCombo->addItem(q(name));
    if (urlCombo->count() == 0) return;
    const int found = select.isEmpty() ? 0 : urlCombo->findText(select);
    urlCombo->setCurrentIndex(found < 0 ? 0 : found);
    urlComboChange();
}

bool TCVFTPMainForm::loadSession(const QString& name) {
    const auto session = m_connections.LoadConnection(s(name));
    if (!session) return false;
    HostNameEditBox->setText(q(session->hostName));
    PortEditBox->setText(q(session->port));
    UserIDEditBox->setText(q(session->userId));
    PasswordEditBox->setText(q(session->password));
    // The flag is not stored; a stored password means the user chose to keep it.
    SavePasswordCheckBox->setChecked(session->savePassword);
    PrivateKeyEditBox->setText(q(session->privateKeyFile));
    KeyPassphraseEditBox->setText(q(session->keyPassphrase));
    const int protocol = ProtocolCombo->findData(static_cast<int>(session->protocol));
    ProtocolCombo->setCurrentIndex(protocol < 0 ? 0 : protocol);
    SessionNameEditBox->setText(name);
    m_remotePathToOpen = session->lastUploadPath.empty() ? "/" : q(session->lastUploadPath);
    return true;
}

void TCVFTPMainForm::urlComboChange() {
    if (m_busy || urlCombo->currentIndex() < 0) return;
    loadSession(urlCombo->currentText());
}

ftp::FtpProtocol TCVFTPMainForm::chosenProtocol() const {
    return static_cast<ftp::FtpProtocol>(ProtocolCombo->currentData().toInt());
}

ftp::FTPSession TCVFTPMainForm::sessionFromBoxes(const QString& name) const {
    ftp::FTPSession session;
    session.name = s(name);
    session.hostName = s(HostNameEditBox->text());
    session.port = s(PortEditBox->text());
    session.userId = s(UserIDEditBox->text());
    session.password = s(PasswordEditBox->text());
    session.savePassword = SavePasswordCheckBox->isChecked();
    session.protocol = chosenProtocol();
    session.privateKeyFile = s(PrivateKeyEditBox->text());
    session.keyPassphrase = s(KeyPassphraseEditBox->text());
    return session;
}

void TCVFTPMainForm::saveLastSession() {
    ftp::FTPSession session = sessionFromBoxes(ftp::kLastSessionName);
    const QString path = RemotePathEdit->text();
    session.lastUploadPath = path.isEmpty() ? "/" : s(path);
    m_connections.SaveConnection(session);
}

void TCVFTPMainForm::SaveSettingsButtonClick() {
    if (m_busy) return;
    const QString name = SessionNameEditBox->text();
    if (name.isEmpty() || name == kSessionNamePrompt) {
        m_dialogs.messageBox(this, kErrorCaption,
                             "Please enter a valid session name for current session.",
                             DialogIcon::Warning, DialogButtons::Ok);
        return;
    }
    ftp::FTPSession session = sessionFromBoxes(name);
    if (remotePanelShown()) session.lastUploadPath = s(RemotePathEdit->text());
    if (!m_connections.SaveConnection(session)) {
        setStatus("Couldnot save FTP Settings.");
        return;
    }
    setStatus("FTP settings saved.");
    fillSessionList(name);
}

void TCVFTPMainForm::DeleteButtonClick() {
    if (m_busy) return;
    m_connections.DeleteConnection(s(urlCombo->currentText().trimmed()));
    fillSessionList({});
}

void TCVFTPMainForm::setStatus(const QString& text) {
    StatusPanel->setText(text);
}

QString TCVFTPMainForm::statusText() const {
    return StatusPanel->text();
}

QString TCVFTPMainForm::uploadStatusText() const {
    return UploadStatusLabel->text();
}

QString TCVFTPMainForm::remotePath() const {
    return RemotePathEdit->text();
}

bool TCVFTPMainForm::remotePanelShown() const {
    return !RemotePanel->isHidden();
}

QStringList TCVFTPMainForm::remoteNames() const {
    QStringList names;
    for (int i = 0; i < RemoteList->topLevelItemCount(); ++i) {
        names << RemoteList->topLevelItem(i)->text(0);
    }
    return names;
}

void TCVFTPMainForm::showRemotePanel(bool shown) {
    RemotePanel->setVisible(shown);
    adjustSize();
}

void TCVFTPMainForm::setConnectedControls(bool connected) {
    showRemotePanel(connected);
    for (QWidget* w :
         std::initializer_list<QWidget*>{ConnectButton, HostNameEditBox, PortEditBox, ProtocolCombo,
                                         UserIDEditBox, PasswordEditBox, urlCombo, DeleteButton}) {
        w->setEnabled(!connected);
    }
    DisconnectButton->setEnabled(connected);
    enableKeyControls();
    if (!connected) FTPProgress->hide();
}

void TCVFTPMainForm::enableKeyControls() {
    const bool open =
        ConnectButton->isEnabledTo(this) && chosenProtocol() == ftp::FtpProtocol::Sftp;
    for (QWidget* w : std::initializer_list<QWidget*>{PrivateKeyEditBox, PrivateKeyBrowseButton,
                                                      KeyPassphraseEditBox}) {
        w->setEnabled(open);
    }
}

void TCVFTPMainForm::ProtocolComboChange() {
    enableKeyControls();
}

void TCVFTPMainForm::PrivateKeyBrowseButtonClick() {
    if (m_busy) return;
    FileDialogRequest request;
    request.title = "Private Key";
    const QString current = PrivateKeyEditBox->text();
    request.directory = current.isEmpty() ? QDir::homePath() + "/.ssh" : QFileInfo(current).path();
    request.filter = "All Files (*)";
    const QString chosen = m_dialogs.openFileName(this, request);
    if (!chosen.isEmpty()) PrivateKeyEditBox->setText(chosen);
}

void TCVFTPMainForm::ClockTimerTimer() {
    const QString time = QTime::currentTime().toString("h:mm:ss AP");
    TimePanel->setText(time);
    if (time == "12:00:00 AM" || DatePanel->text().isEmpty()) {
        DatePanel->setText(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    }
}

void TCVFTPMainForm::showEvent(QShowEvent* event) {
    DatePanel->setText(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    ClockTimerTimer();
    ClockTimer->start();
    if (!isConnected()) showRemotePanel(false);
    QDialog::showEvent(event);
}

void TCVFTPMainForm::CloseButtonClick() {
    close();
}

void TCVFTPMainForm::closeEvent(QCloseEvent* event) {
    if (m_busy) {
        // A running transfer ends first; the window closes as soon as it has.
        m_closeWhenIdle = true;
        m_ftp->Abort();
        event->ignore();
        return;
    }
    ClockTimer->stop();
    saveLastSession();
    QDialog::closeEvent(event);
}

void TCVFTPMainForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            CloseButtonClick();
            return;
        case Qt::Key_F5:
            RefreshButtonClick();
            return;
        case Qt::Key_F6:
            UploadButtonClick();
            return;
        case Qt::Key_F7:
            ParentDirButtonClick();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace sonthra
