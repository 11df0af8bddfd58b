#include "podcast/ui/ftp_account_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "messages/message_table.h"

namespace sonthra {

using namespace podcast;

TFTPAccountDialog::TFTPAccountDialog(UserDialogs& dialogs, HostTableFiles hosts,
                                     const QString& host, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs), m_hosts(std::move(hosts)) {
    setWindowTitle(QString(kProductCaption) + " - " + host + " Configuration");
    m_hosts.load(m_table);

    auto* layout = new QVBoxLayout(this);
    const auto label = [&](const QString& text) {
        auto* l = new QLabel(text);
        l->setWordWrap(true);
        layout->addWidget(l);
    };
    label(
        "If you don't have an account, please click on \"Get Free Internet Space\" button to "
        "register for free account on the internet. If you already have an account, please "
        "fill the entries listed below accordingly.");
    HostComboBox = new QComboBox;
    for (const std::string& name : m_table.sections())
        HostComboBox->addItem(QString::fromStdString(name));
    UserNameEdit = new QLineEdit;
    LoginNameEdit = new QLineEdit;
    LoginNameEdit->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout;
    form->addRow("Host :", HostComboBox);
    form->addRow("User Id :", UserNameEdit);
    form->addRow("Password : ", LoginNameEdit);
    layout->addLayout(form);
    label(
        "User Name is the name by which you set your account with the FTP host. Its the name "
        "that also appears somewhere in your URL.");
    label(
        "Login Name is the id that the host provides you after you have created an accout. "
        "Using this id you login into your account for maintenance purposes.");
    auto* buttons = new QHBoxLayout;
    FreeSpaceButton = new QPushButton("Get Free Internet &Space!");
    OkButton = new QPushButton("&OK");
    CancelButton = new QPushButton("&Cancel");
    buttons->addWidget(FreeSpaceButton);
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);

    connect(HostComboBox, &QComboBox::currentTextChanged, this,
            &TFTPAccountDialog::HostComboBoxChange);
    connect(OkButton, &QPushButton::clicked, this, &TFTPAccountDialog::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(FreeSpaceButton, &QPushButton::clicked, this,
            [this] { m_dialogs.openUrl(kFreeWebSpaceUrl); });

    const int index = HostComboBox->findText(host);
    HostComboBox->setCurrentIndex(index >= 0 ? index : 0);
    HostComboBoxChange(HostComboBox->currentText());
}

void TFTPAccountDialog::HostComboBoxChange(const QString& name) {
    const std::string host = name.toStdString();
    UserNameEdit->setText(QString::fromStdString(m_table.value(host, "username")));
    LoginNameEdit->setText(QString::fromStdString(passwordForLogin(m_table, host)));
}

void TFTPAccountDialog::OkButtonClick() {
    const std::string host = HostComboBox->currentText().toStdString();
    if (!host.empty()) {
        HostTable table;
        // The table as it is now, so that changes made meanwhile elsewhere are kept.
        if (!m_hosts.load(table).ok()) table = m_table;
        const std::string password = LoginNameEdit->text().toStdString();
        // An unchanged password is not scrambled again (nothing would change, but a stored
        // value that came from elsewhere stays exactly as it was).
        const bool changed = password != passwordForLogin(table, host);
        storeAccount(table, host, UserNameEdit->text().toStdString(), changed ? password : "");
        const Status saved = m_hosts.save(table);
        if (!saved.ok()) {
            m_dialogs.messageBox(this, kProductCaption, QString::fromStdString(saved.text),
                                 DialogIcon::Error, DialogButtons::Ok);
            return;
        }
        m_table = table;
    }
    accept();
}

}  // namespace sonthra
