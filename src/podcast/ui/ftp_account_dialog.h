// The account window of a podcast host: the user's account name and FTP password at a host of
// the host table, stored (the password scrambled) in the user's copy of the table on OK.
// Call only from the GUI thread.
#pragma once

#include <QDialog>

#include "dialogs/ui/user_dialogs.h"
#include "podcast/host_table.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace sonthra {

// The page "Get Free Internet &Space!" opens: an overview of free web hosting offers.
inline constexpr const char* kFreeWebSpaceUrl =
    "https://en.wikipedia.org/wiki/Comparison_of_free_web_hosting_services";

class TFTPAccountDialog : public QDialog {
public:
    TFTPAccountDialog(UserDialogs& dialogs, podcast::HostTableFiles hosts, const QString& host,
                      QWidget* parent = nullptr);

    void HostComboBoxChange(const QString& name);
    // Stores the entries into the selected host's section; closes on success.
    void OkButtonClick();

    QComboBox* HostComboBox;
    QLineEdit* UserNameEdit;
    QLineEdit* LoginNameEdit;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QPushButton* FreeSpaceButton;

private:
    UserDialogs& m_dialogs;
    podcast::HostTableFiles m_hosts;
    podcast::HostTable m_table;
};

}  // namespace sonthra
