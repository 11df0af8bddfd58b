// The FTP window against a local server, with scripted answers: connecting, browsing, batches
// with missing and existing files, saved sessions.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "dialogs/ui/scripted_dialogs.h"
#include "fixtures/ftp/ftp_test_server.h"
#include "ftp/ftp_connections.h"
#include "ftp/ftp_transport.h"
#include "ftp/ui/cvftp_interface.h"
#include "ftp/ui/cvftp_main_form.h"

namespace sonthra {
namespace {

using sonthra::testing::FtpTestServer;
using sonthra::testing::readWholeFile;
using sonthra::testing::SftpTestServer;
using sonthra::testing::writePatternFile;
namespace fs = std::filesystem;

class FtpWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.started());
        store = server.scratch() / "settings.reg";
    }
    std::unique_ptr<TCVFTPMainForm> window() {
        auto form = std::make_unique<TCVFTPMainForm>(dialogs, store, "Castwright");
        form->setLoginDetails("127.0.0.1", FtpTestServer::kUser, FtpTestServer::kPassword);
        form->findChild<QLineEdit*>("PortEditBox")->setText(QString::number(server.port()));
        return form;
    }
    QStringList messages() const {
        QStringList out;
        for (const auto& item : dialogs.shown()) out << item.caption + "|" + item.text;
        return out;
    }
    FtpTestServer server;
    ScriptedDialogs dialogs;
    fs::path store;
};

TEST_F(FtpWindowTest, MissingDetailsAreRefusedInOrder) {
    TCVFTPMainForm form(dialogs, store, "Castwright");
    EXPECT_EQ(form.findChild<QLineEdit*>("PortEditBox")->text(), "21");
    form.ConnectButtonClick();
    form.setLoginDetails("127.0.0.1", "", "");
    form.findChild<QLineEdit*>("PortEditBox")->clear();
    form.ConnectButtonClick();
    form.findChild<QLineEdit*>("PortEditBox")->setText("21");
    form.ConnectButtonClick();
    EXPECT_EQ(messages(),
              (QStringList{
                  "Corvanta FTP Interface|Error : No Host has been specified for communication.",
                  "Corvanta FTP Interface|Error : No Port has been specified to contact the host.",
                  "Corvanta FTP Interface|Error : No User ID has been provided for "
                  "authentication."}));
    EXPECT_FALSE(form.isConnected());
}

TEST_F(FtpWindowTest, ConnectsBrowsesAndDisconnectsSavingTheLastSession) {
    fs::create_directories(server.root() / "shows" / "2024");
    std::ofstream(server.root() / "feed.xml") << "x";
    auto form = window();
    form->show();
    form->ConnectButtonClick();
    ASSERT_TRUE(form->isConnected()) << messages().join("\n").toStdString();
    EXPECT_TRUE(form->remotePanelShown());
    EXPECT_EQ(form->remotePath(), "/");
    EXPECT_EQ(form->statusText(), "Root folder listing done.");
    EXPECT_EQ(form->remoteNames(), (QStringList{"feed.xml", "shows"}));
    EXPECT_FALSE(form->findChild<QLineEdit*>("HostNameEditBox")->isEnabled());

    auto* list = form->findChild<QTreeWidget*>("RemoteList");
    form->RemoteListDblClick(list->topLevelItem(0));  // a file: nothing happens
    EXPECT_EQ(form->remotePath(), "/");
    form->RemoteListDblClick(list->topLevelItem(1));
    EXPECT_EQ(form->remotePath(), "/shows");
    EXPECT_EQ(form->statusText(), "Listing done.");
    EXPECT_EQ(form->remoteNames(), QStringList{"2024"});
    form->findChild<QLineEdit*>("RemotePathEdit")->setText("  /nowhere ");
    form->RemotePathEditReturn();
    EXPECT_EQ(form->statusText(), "Cannot change the directory");
    form->findChild<QLineEdit*>("RemotePathEdit")->setText(" 2024 ");
    form->RemotePathEditReturn();
    EXPECT_EQ(form->remotePath(), "/shows/2024");
    form->ParentDirButtonClick();
    EXPECT_EQ(form->remotePath(), "/shows");

    form->DisconnectButtonClick();
    EXPECT_FALSE(form->isConnected());
    EXPECT_FALSE(form->remotePanelShown());
    EXPECT_EQ(form->statusText(), "Disconnected from 127.0.0.1");
    EXPECT_EQ(form->remotePathToOpen(), "/shows");
    ftp::FtpConnections saved(store, "Castwright");
    const auto last = saved.LoadConnection(ftp::kLastSessionName);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->lastUploadPath, "/shows");
    EXPECT_EQ(last->hostName, "127.0.0.1");
    EXPECT_EQ(last->password, "");  // "Save Password" was off

    // The next connect enters the folder it left.
    form->ConnectButtonClick();
    EXPECT_EQ(form->remotePath(), "/shows");
}

TEST_F(FtpWindowTest, WrongPasswordLeavesTheWindowUsable) {
    auto form = window();
    form->findChild<QLineEdit*>("PasswordEditBox")->setText("wrong");
    form->ConnectButtonClick();
    EXPECT_FALSE(form->isConnected());
    EXPECT_FALSE(form->remotePanelShown());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text,
              "Error connecting to remote host!\nBad password connecting to 127.0.0.1");
    EXPECT_EQ(form->statusText(), "No connection to remote host.");
    form->findChild<QLineEdit*>("PasswordEditBox")->setText(FtpTestServer::kPassword);
    form->ConnectButtonClick();
    EXPECT_TRUE(form->isConnected());
}

TEST_F(FtpWindowTest, BatchWithAMissingFileUploadsTheOthers) {
    fs::create_directories(server.root() / "pod");
    const QString a = QString::fromStdString((server.scratch() / "feed.xml").string());
    const QString b = QString::fromStdString((server.scratch() / "gone.mp3").string());
    const QString c = QString::fromStdString((server.scratch() / "page.htm").string());
    writePatternFile(a.toStdString(), 5000, 1);
    writePatternFile(c.toStdString(), 700'000, 2);
    auto form = window();
    form->setUploadFiles({a, b, c});
    form->setCallerRemoteFolder("/pod");
    form->ConnectButtonClick();
    ASSERT_TRUE(form->isConnected());
    EXPECT_EQ(form->remotePath(), "/pod");
    form->UploadButtonClick();
    EXPECT_EQ(readWholeFile(server.root() / "pod" / "feed.xml"), readWholeFile(a.toStdString()));
    EXPECT_EQ(readWholeFile(server.root() / "pod" / "page.htm"), readWholeFile(c.toStdString()));
    EXPECT_EQ(form->uploadStatusText(), "One or more files could not be uploaded.");
    EXPECT_EQ(form->statusText(), "Transfer Completed!");
    EXPECT_EQ(form->uploadedCount(), 2);
    EXPECT_EQ(form->remoteNames(), (QStringList{"feed.xml", "page.htm"}));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].caption, "File Missing");
    EXPECT_EQ(dialogs.shown()[0].text, b + " does not exist. Continuing with other.");
}

TEST_F(FtpWindowTest, OverwriteQuestionAnswersYesNoAndCancel) {
    const QString a = QString::fromStdString((server.scratch() / "a.mp3").string());
    const QString b = QString::fromStdString((server.scratch() / "b.mp3").string());
    const QString c = QString::fromStdString((server.scratch() / "c.mp3").string());
    for (const auto& f : {a, b, c}) std::ofstream(f.toStdString()) << "new " << f.toStdString();
    std::ofstream(server.root() / "a.mp3") << "old a";
    std::ofstream(server.root() / "b.mp3") << "old b";
    auto form = window();
    form->setUploadFiles({a, b, c});
    form->ConnectButtonClick();
    ASSERT_TRUE(form->isConnected());

    dialogs.queueAnswer(DialogAnswer::Yes);
    dialogs.queueAnswer(DialogAnswer::Cancel);
    form->UploadButtonClick();
    EXPECT_EQ(readWholeFile(server.root() / "a.mp3"), readWholeFile(a.toStdString()));
    EXPECT_EQ(readWholeFile(server.root() / "b.mp3"), "old b");
    EXPECT_FALSE(fs::exists(server.root() / "c.mp3"));
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].caption, "File Exists");
    EXPECT_EQ(dialogs.shown()[0].text,
              "The file a.mp3 already exists at remote location.\n\rDo you want to overwrite it?");
    EXPECT_EQ(form->uploadStatusText(), "");

    dialogs.clearShown();
    dialogs.queueAnswer(DialogAnswer::No);
    dialogs.queueAnswer(DialogAnswer::No);
    form->UploadButtonClick();
    EXPECT_EQ(readWholeFile(server.root() / "b.mp3"), "old b");
    EXPECT_TRUE(fs::exists(server.root() / "c.mp3"));
    EXPECT_EQ(dialogs.shown().size(), 2u);
}

TEST(FtpWindowAbort, ClosingDuringAnUploadAbortsItAndKeepsTheRemoteFile) {
    FtpTestServer slow(testing::FtpServerOptions{.uploadBytesPerSecond = 300'000});
    ASSERT_TRUE(slow.started());
    std::ofstream(slow.root() / "big.wav") << "old";
    const QString big = QString::fromStdString((slow.scratch() / "big.wav").string());
    writePatternFile(big.toStdString(), 20'000'000, 3);
    ScriptedDialogs dialogs;
    TCVFTPMainForm form(dialogs, slow.scratch() / "settings.reg", "Castwright");
    form.setLoginDetails("127.0.0.1", FtpTestServer::kUser, FtpTestServer::kPassword);
    form.findChild<QLineEdit*>("PortEditBox")->setText(QString::number(slow.port()));
    form.setUploadFiles({big});
    form.show();
    form.ConnectButtonClick();
    ASSERT_TRUE(form.isConnected());
    dialogs.queueAnswer(DialogAnswer::Yes);  // overwrite
    QTimer::singleShot(800, &form, [&form] { form.close(); });
    form.UploadButtonClick();  // returns once the transfer has been aborted
    QApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(readWholeFile(slow.root() / "big.wav"), "old");
    EXPECT_EQ(form.uploadedCount(), 0);
    EXPECT_EQ(form.uploadStatusText(), "One or more files could not be uploaded.");
}

TEST_F(FtpWindowTest, SavedSessionsSaveLoadAndDelete) {
    auto form = window();
    auto* name = form->findChild<QLineEdit*>("SessionNameEditBox");
    EXPECT_EQ(name->text(), "Session Name");
    form->SaveSettingsButtonClick();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text, "Please enter a valid session name for current session.");

    name->setText("home");
    form->findChild<QCheckBox*>("SavePasswordCheckBox")->setChecked(true);
    form->SaveSettingsButtonClick();
    EXPECT_EQ(form->statusText(), "FTP settings saved.");
    name->setText("work");
    form->findChild<QCheckBox*>("SavePasswordCheckBox")->setChecked(false);
    form->SaveSettingsButtonClick();
    auto* combo = form->findChild<QComboBox*>("urlCombo");
    EXPECT_EQ(combo->currentText(), "work");
    EXPECT_EQ(form->findChild<QLineEdit*>("PasswordEditBox")->text(), "");

    combo->setCurrentIndex(combo->findText("home"));
    form->urlComboChange();
    EXPECT_EQ(form->findChild<QLineEdit*>("PasswordEditBox")->text(), FtpTestServer::kPassword);
    EXPECT_EQ(form->remotePathToOpen(), "/");

    form->close();  // saves "<Last Session>"
    auto again = window();
    combo = again->findChild<QComboBox*>("urlCombo");
    EXPECT_EQ(combo->count(), 3);
    combo->setCurrentIndex(combo->findText("<Last Session>"));
    again->DeleteButtonClick();
    EXPECT_EQ(combo->findText("<Last Session>"), 0);
    combo->setCurrentIndex(combo->findText("work"));
    again->DeleteButtonClick();
    EXPECT_EQ(combo->findText("work"), -1);
    EXPECT_EQ(combo->count(), 2);
}

void chooseProtocol(TCVFTPMainForm& form, ftp::FtpProtocol protocol) {
    auto* combo = form.findChild<QComboBox*>("ProtocolCombo");
    combo->setCurrentIndex(combo->findData(static_cast<int>(protocol)));
}

TEST_F(FtpWindowTest, TheKeyBoxesServeSftpAndAreSavedWithTheConnection) {
    if (!ftp::FtpTransport::sftpAvailable()) GTEST_SKIP() << "libcurl without SFTP";
    auto form = window();
    auto* key = form->findChild<QLineEdit*>("PrivateKeyEditBox");
    auto* passphrase = form->findChild<QLineEdit*>("KeyPassphraseEditBox");
    EXPECT_FALSE(key->isEnabled());
    EXPECT_EQ(passphrase->echoMode(), QLineEdit::Password);
    chooseProtocol(*form, ftp::FtpProtocol::Sftp);
    EXPECT_TRUE(key->isEnabled());
    EXPECT_TRUE(passphrase->isEnabled());

    // The file window fills the box; a key that cannot be read is refused before connecting.
    const fs::path missing = server.scratch() / "no_such_key";
    dialogs.queueFile(QString::fromStdString(missing.string()));
    form->findChild<QPushButton*>("PrivateKeyBrowseButton")->click();
    EXPECT_EQ(key->text().toStdString(), missing.string());
    form->ConnectButtonClick();
    EXPECT_FALSE(form->isConnected());
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[1].text, "Error : The private key file cannot be read.");

    // Saved with the connection; the passphrase only when passwords are kept.
    passphrase->setText("open sesame");
    form->findChild<QLineEdit*>("SessionNameEditBox")->setText("keyed");
    form->findChild<QCheckBox*>("SavePasswordCheckBox")->setChecked(true);
    form->SaveSettingsButtonClick();
    form->findChild<QLineEdit*>("SessionNameEditBox")->setText("keyed, no secrets");
    form->findChild<QCheckBox*>("SavePasswordCheckBox")->setChecked(false);
    form->SaveSettingsButtonClick();
    auto again = window();
    ASSERT_TRUE(again->loadSession("keyed"));
    EXPECT_EQ(again->findChild<QLineEdit*>("PrivateKeyEditBox")->text().toStdString(),
              missing.string());
    EXPECT_EQ(again->findChild<QLineEdit*>("KeyPassphraseEditBox")->text(), "open sesame");
    EXPECT_TRUE(again->findChild<QLineEdit*>("PrivateKeyEditBox")->isEnabled());
    ASSERT_TRUE(again->loadSession("keyed, no secrets"));
    EXPECT_EQ(again->findChild<QLineEdit*>("KeyPassphraseEditBox")->text(), "");
    // Plain FTP takes no key (and the password was not kept).
    chooseProtocol(*again, ftp::FtpProtocol::Ftp);
    again->findChild<QLineEdit*>("PasswordEditBox")->setText(FtpTestServer::kPassword);
    EXPECT_FALSE(again->findChild<QLineEdit*>("PrivateKeyEditBox")->isEnabled());
    again->ConnectButtonClick();
    EXPECT_TRUE(again->isConnected()) << messages().join("\n").toStdString();
}

// As root, against a local OpenSSH server: an encrypted key logs in with its passphrase only.
TEST(FtpWindowSftp, AnEncryptedKeyLogsInWithItsPassphrase) {
    if (!ftp::FtpTransport::sftpAvailable()) GTEST_SKIP() << "libcurl without SFTP";
    SftpTestServer server;
    if (!server.started()) GTEST_SKIP() << "no local SSH server (needs root and sshd)";
    const std::string encrypt = "/usr/bin/ssh-keygen -q -p -P '' -N 'open sesame' -f '" +
                                server.privateKey() + "' >/dev/null";
    ASSERT_EQ(std::system(encrypt.c_str()), 0);
    ScriptedDialogs dialogs;
    TCVFTPMainForm form(dialogs, server.scratch() / "settings.reg", "Castwright");
    form.setLoginDetails("127.0.0.1", QString::fromStdString(server.user()), "");
    form.findChild<QLineEdit*>("PortEditBox")->setText(QString::number(server.port()));
    chooseProtocol(form, ftp::FtpProtocol::Sftp);
    form.findChild<QLineEdit*>("PrivateKeyEditBox")
        ->setText(QString::fromStdString(server.privateKey()));
    form.setCallerRemoteFolder(QString::fromStdString(server.root().string()));
    form.FTPMain().SshKnownHostsFile = server.knownHosts();
    form.FTPMain().ConnectRetries = 1;
    std::ofstream(server.root() / "episode.mp3") << "x";

    form.findChild<QLineEdit*>("KeyPassphraseEditBox")->setText("wrong");
    form.ConnectButtonClick();
    EXPECT_FALSE(form.isConnected());
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].text.indexOf("wrong"), -1);  // no secret in a message
    EXPECT_EQ(dialogs.shown()[0].text.indexOf("open sesame"), -1);

    form.findChild<QLineEdit*>("KeyPassphraseEditBox")->setText("open sesame");
    form.ConnectButtonClick();
    ASSERT_TRUE(form.isConnected()) << dialogs.shown().back().text.toStdString();
    EXPECT_EQ(form.remotePath().toStdString(), server.root().string());
    EXPECT_EQ(form.remoteNames(), QStringList{"episode.mp3"});
    form.DisconnectButtonClick();
}

TEST_F(FtpWindowTest, InterfaceFillsTheBoxesOrLoadsTheLastSession) {
    ftp::FTPSession last;
    last.name = ftp::kLastSessionName;
    last.hostName = "last.example.org";
    last.port = "2121";
    last.userId = "lastuser";
    ftp::FtpConnections(store, "Castwright").SaveConnection(last);

    QString host, user, caption;
    auto inspect = [&] {
        QTimer::singleShot(0, [&] {
            auto* form = dynamic_cast<TCVFTPMainForm*>(QApplication::activeModalWidget());
            if (!form) return;
            host = form->findChild<QLineEdit*>("HostNameEditBox")->text();
            user = form->findChild<QLineEdit*>("UserIDEditBox")->text();
            caption = form->windowTitle();
            form->close();
        });
    };
    TCVFTPInterface face(dialogs, store);
    inspect();
    EXPECT_FALSE(face.Upload({}, "Castwright", "pw", "ann", "given.example.org", "/pod"));
    EXPECT_EQ(host, "given.example.org");
    EXPECT_EQ(user, "ann");
    EXPECT_EQ(caption, "Castwright FTP Interface");
    // Without a user name the last connection comes back: the one just closed.
    inspect();
    face.Upload({}, "Castwright", "", "", "", "");
    EXPECT_EQ(host, "given.example.org");
    EXPECT_EQ(user, "ann");
    // Another company keeps its own.
    ftp::FtpConnections(store, "Other").SaveConnection(last);
    inspect();
    face.Upload({}, "Other", "", "", "", "");
    EXPECT_EQ(host, "last.example.org");
    EXPECT_EQ(user, "lastuser");
    EXPECT_EQ(caption, "Other FTP Interface");
}

}  // namespace
}  // namespace sonthra
