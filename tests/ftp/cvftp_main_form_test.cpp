// The FTP window against a local server, with scripted answers: connecting, browsing, batches
// with missing and existing files, saved sessions.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dialogs/ui/scripted_dialogs.h"
#include "fixtures/ftp/ftp_test_server.h"
#include "ftp/ftp_connections.h"
#include "ftp/ui/cvftp_interface.h"
#include "ftp/ui/cvftp_main_form.h"

namespace sonthra {
namespace {

using sonthra::testing::FtpTestServer;
using sonthra::testing::readWholeFile;
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
