// TCVFTPInterface: opens the FTP window for a list of local files, as the podcast upload does.
// Call only from the GUI thread.
#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>

class QWidget;

namespace sonthra {

class UserDialogs;

class TCVFTPInterface {
public:
    // storeFile: the settings store that holds the saved connections.
    TCVFTPInterface(UserDialogs& dialogs, std::filesystem::path storeFile,
                    QWidget* parent = nullptr);

    // Shows the window modally: caption "<company> FTP Interface", the boxes filled with host,
    // user and password, or, when the user name is empty, with the connection "<Last Session>".
    // Connections are kept under the company's key ("Corvanta" when empty). Returns true when
    // every file of the list was uploaded while the window was open.
    bool Upload(const QStringList& files, const QString& companyName, const QString& password,
                const QString& userName, const QString& hostName, const QString& remoteFolder);

private:
    UserDialogs& m_dialogs;
    std::filesystem::path m_storeFile;
    QWidget* m_parent;
};

}  // namespace sonthra
