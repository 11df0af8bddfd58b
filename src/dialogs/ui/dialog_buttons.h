// The Ok / Cancel / Help row at the foot of the program's small windows. GUI thread only.
#pragma once

#include <QString>

class QBoxLayout;
class QDialog;
class QPushButton;

namespace sonthra {

struct DialogButtons3 {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* help = nullptr;
};

// Adds the row of buttons named OkButton (okText), CancelButton ("Cancel") and HelpButton
// (helpText) to the end of layout. Ok is the default button. The buttons only click: the
// caller connects them.
DialogButtons3 addDialogButtons(QDialog* dialog, QBoxLayout* layout, const QString& helpText,
                                const QString& okText = QStringLiteral("OK"));

}  // namespace sonthra
