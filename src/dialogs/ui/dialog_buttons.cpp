#include "dialogs/ui/dialog_buttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace sonthra {

DialogButtons3 addDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& helpText,
                                const QString& okText) {
    auto* box = new QDialogButtonBox(dialog);
    DialogButtons3 buttons;
    buttons.ok = box->addButton(okText, QDialogButtonBox::AcceptRole);
    buttons.ok->setObjectName("OkButton");
    buttons.ok->setDefault(true);
    buttons.cancel = box->addButton("Cancel", QDialogButtonBox::RejectRole);
    buttons.cancel->setObjectName("CancelButton");
    buttons.help = box->addButton(helpText, QDialogButtonBox::HelpRole);
    buttons.help->setObjectName("HelpButton");
    buttons.help->setAutoDefault(false);
    layout->addWidget(box);
    return buttons;
}

}  // namespace sonthra
