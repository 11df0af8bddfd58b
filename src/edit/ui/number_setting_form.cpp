#include "edit/ui/number_setting_form.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/ui/help.h"
#include "edit/ui/form_parts.h"
#include "edit/ui/silence_rules.h"

namespace sonthra {

NumberSettingForm::NumberSettingForm(Settings& settings, UserDialogs& dialogs, int helpTopic,
                                     QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs), m_helpTopic(helpTopic) {
    setModal(true);
}

void NumberSettingForm::build(const char* editName, const QString& labelText,
                              const QString& unitText, const QString& groupTitle) {
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(editName);
    auto* label = new QLabel(labelText, this);
    label->setBuddy(m_edit);
    SpinButton1 = new SpinButton(this);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_edit);
    row->addWidget(SpinButton1);
    if (!unitText.isEmpty()) {
        auto* unit = new QLabel(unitText, this);
        unit->setObjectName("UnitLabel");
        row->addWidget(unit);
    }
    auto* column = new QVBoxLayout(this);
    if (groupTitle.isEmpty()) {
        column->addLayout(row);
    } else {
        auto* group = new QGroupBox(groupTitle, this);
        group->setObjectName("SettingsGroupBox");
        group->setLayout(row);
        column->addWidget(group);
    }
    const DialogButtons3 buttons = addDialogButtons(this, column, "&Help");
    OkButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;
    connect(SpinButton1, &SpinButton::upClick, this, [this] { SpinButton1UpClick(); });
    connect(SpinButton1, &SpinButton::downClick, this, [this] { SpinButton1DownClick(); });
    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, &NumberSettingForm::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &NumberSettingForm::HelpButtonClick);
}

void NumberSettingForm::takeRead(const SettingRead<double>& read) {
    if (isSettingsFileFault(read.result)) ShowMessage(m_dialogs, this, read.result);
    store(read.value);
}

void NumberSettingForm::showWriteFailure(int result) {
    if (isSettingsFileFault(result)) ShowMessage(m_dialogs, this, result);
}

std::optional<double> NumberSettingForm::editNumber() const {
    return parseSettingNumber(m_edit->text().toStdString());
}

void NumberSettingForm::store(double value) {
    m_value = shownValue(value);
    showStored();
}

void NumberSettingForm::showStored() {
    m_edit->setText(QString::fromStdString(settingNumberText(m_value)));
}

void NumberSettingForm::step(std::optional<double> (*rule)(double)) {
    const auto number = editNumber();
    if (!number) return;
    if (const auto next = rule(*number)) store(*next);
}

void NumberSettingForm::CancelButtonClick() {
    showStored();
    QDialog::reject();
}

void NumberSettingForm::reject() {
    CancelButtonClick();
}

void NumberSettingForm::HelpButtonClick() {
    ShowHelpTopic(m_dialogs, m_helpTopic);
}

}  // namespace sonthra
