#include "convert/ui/batch_param_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <sys/stat.h>

#include "dialogs/ui/help.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"

namespace sonthra {

TBatchProcessParamSelectionForm::TBatchProcessParamSelectionForm(UserDialogs& dialogs,
                                                                 QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setModal(true);
    setWindowTitle(QString(kProductCaption) + kBatchCaptionSuffix);
    auto* grid = new QGridLayout(this);
    grid->addWidget(
        new QLabel(tr("Batch Export will save all the currently opened files to selected format:"),
                   this),
        0, 0, 1, 2);
    m_formatCombo = new QComboBox(this);
    m_formatCombo->setObjectName("FormatSelectionComboBox");
    m_formatCombo->addItems({"MP3", "WMA"});
    grid->addWidget(m_formatCombo, 0, 2);
    grid->addWidget(new QLabel(tr("Destination Folder:"), this), 1, 0);
    m_folderEdit = new QLineEdit(this);
    m_folderEdit->setObjectName("SaveLocationEditBox");
    grid->addWidget(m_folderEdit, 1, 1);
    auto* browse = new QPushButton(tr("..."), this);
    browse->setObjectName("BrowseButton");
    grid->addWidget(browse, 1, 2);
    m_tagBox = new QCheckBox(tr("Edit &ID3 Tag for each file"), this);
    m_tagBox->setObjectName("EditMp3TagInfoCheckBox");
    m_overwriteBox = new QCheckBox(tr("&Overwrite existing files"), this);
    m_overwriteBox->setObjectName("Overwrightcheckbox");
    grid->addWidget(m_tagBox, 2, 0, 1, 3);
    grid->addWidget(m_overwriteBox, 3, 0, 1, 3);
    auto* next = new QPushButton(tr("&Next"), this);
    next->setObjectName("Button1");
    auto* cancel = new QPushButton(tr("&Cancel"), this);
    cancel->setObjectName("Button2");
    auto* help = new QPushButton(tr("&Help"), this);
    help->setObjectName("HelpBtn");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(next);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    grid->addLayout(buttons, 4, 0, 1, 3);
    connect(m_formatCombo, &QComboBox::currentIndexChanged, this,
            &TBatchProcessParamSelectionForm::FormatSelectionComboBoxChange);
    connect(browse, &QPushButton::clicked, this,
            &TBatchProcessParamSelectionForm::BrowseButtonClick);
    connect(next, &QPushButton::clicked, this, &TBatchProcessParamSelectionForm::Button1Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { ShowHelpTopic(m_dialogs, kBatchHelpTopic); });
}

bool TBatchProcessParamSelectionForm::ask(const std::string& workspaceFolder) {
    if (m_choices.folder.empty()) m_choices.folder = workspaceFolder;
    m_folderEdit->setText(QString::fromStdString(m_choices.folder));
    m_tagBox->setChecked(m_choices.editTags);
    m_overwriteBox->setChecked(m_choices.overwrite);
    m_formatCombo->setCurrentIndex(static_cast<int>(m_choices.format));
    FormatSelectionComboBoxChange();
    return exec() == QDialog::Accepted;
}

void TBatchProcessParamSelectionForm::FormatSelectionComboBoxChange() {
    m_tagBox->setEnabled(m_formatCombo->currentIndex() == 0);
}

void TBatchProcessParamSelectionForm::BrowseButtonClick() {
    // The folder browser is modal, so Next and Cancel cannot be pressed while it is open.
    const QString folder = m_dialogs.existingDirectory(this, "Select a folder to save your files.",
                                                       m_folderEdit->text());
    if (!folder.isEmpty()) m_folderEdit->setText(folder);
}

void TBatchProcessParamSelectionForm::Button1Click() {
    struct stat st {};
    const std::string folder = m_folderEdit->text().toStdString();
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        m_dialogs.messageBox(
            this, kProductCaption,
            "Error: Output file path does not exist, please choose another location.",
            DialogIcon::Error, DialogButtons::Ok);
        return;
    }
    m_choices.folder = folder;
    m_choices.format = m_formatCombo->currentIndex() == 1 ? BatchFormat::Wma : BatchFormat::Mp3;
    m_choices.editTags = m_tagBox->isChecked();
    m_choices.overwrite = m_overwriteBox->isChecked();
    accept();
}

BatchOutcome BatchExportMenuClick(UserDialogs& dialogs, QWidget* parent,
                                  TBatchProcessParamSelectionForm& form, BatchExportHost& host,
                                  const std::vector<BatchAudio>& documents,
                                  const std::string& workspaceFolder) {
    if (!form.ask(workspaceFolder)) return {};
    if (!batchHasSpace(form.choices().folder, batchSpaceEstimate(documents))) {
        dialogs.messageBox(parent, kProductCaption, kBatchNoSpaceText, DialogIcon::Warning,
                           DialogButtons::Ok);
        return {};
    }
    return runBatchExport(host, form.choices());
}

}  // namespace sonthra
