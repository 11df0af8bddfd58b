#include "ftp/ui/cvftp_interface.h"

#include "ftp/ftp_connections.h"
#include "ftp/ui/cvftp_main_form.h"

namespace sonthra {

TCVFTPInterface::TCVFTPInterface(UserDialogs& dialogs, std::filesystem::path storeFile,
                                 QWidget* parent)
    : m_dialogs(dialogs), m_storeFile(std::move(storeFile)), m_parent(parent) {}

bool TCVFTPInterface::Upload(const QStringList& files, const QString& companyName,
                             const QString& password, const QString& userName,
                             const QString& hostName, const QString& remoteFolder) {
    const QString company = companyName.isEmpty() ? ftp::kDefaultCompanyName : companyName;
    TCVFTPMainForm form(m_dialogs, m_storeFile, company, m_parent);
    form.setWindowTitle(company + " FTP Interface");
    form.setUploadFiles(files);
    form.setCallerRemoteFolder(remoteFolder);
    form.setLoginDetails(hostName, userName, password);
    if (userName.isEmpty()) form.loadSession(ftp::kLastSessionName);
    form.exec();
    return !files.isEmpty() && form.uploadedCount() == files.size();
}

}  // namespace sonthra
