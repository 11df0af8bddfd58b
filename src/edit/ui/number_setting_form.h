// The shape the Trim Silence and Insert Silence windows share: one number in an edit with a
// spin button beside it, a stored value that the spin and Ok change, and one setting of the
// store read on creation and written on Ok. Call only from the GUI thread.
#pragma once

#include <QDialog>

#include <optional>

#include "dialogs/ui/user_dialogs.h"
#include "settings/settings.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace sonthra {

class SpinButton;

class NumberSettingForm : public QDialog {
    Q_OBJECT
public:
    // The stored value: what was read, stepped or confirmed.
    double Value() const { return m_value; }

    QLineEdit* Edit() const { return m_edit; }
    SpinButton* SpinButton1 = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

    virtual void SpinButton1UpClick() = 0;
    virtual void SpinButton1DownClick() = 0;
    virtual void OkButtonClick() = 0;
    void CancelButtonClick();
    void HelpButtonClick();

protected:
    NumberSettingForm(Settings& settings, UserDialogs& dialogs, int helpTopic, QWidget* parent);
    // Builds the widgets: the edit named editName with its label (and a unit label after the
    // spin when unitText is given), inside a group box when groupTitle is given.
    void build(const char* editName, const QString& labelText, const QString& unitText,
               const QString& groupTitle);
    // Takes a setting as read: a store or key that cannot be opened is shown, and the value
    // (the default when nothing could be read) becomes the stored value.
    void takeRead(const SettingRead<double>& read);
    // A setting's write result: only a store or key that cannot be opened is shown.
    void showWriteFailure(int result);

    // The edit's text as a number, when it is one.
    std::optional<double> editNumber() const;
    // The stored value becomes `value` and the edit shows it.
    void store(double value);
    void showStored();
    // A spin step: the new value when the rule allows one, nothing when the edit holds no
    // number or the rule forbids the step.
    void step(std::optional<double> (*rule)(double));

    void reject() override;  // Escape and the close button count as Cancel

    Settings& m_settings;
    UserDialogs& m_dialogs;

private:
    int m_helpTopic;
    double m_value = 0;
    QLineEdit* m_edit = nullptr;
};

}  // namespace sonthra
