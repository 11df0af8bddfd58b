#include "edit/ui/mute_form.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/ui/help.h"
#include "edit/ui/form_parts.h"
#include "edit/ui/silence_rules.h"

namespace sonthra {

TMuteForm::TMuteForm(int channels, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs), m_channels(channels), m_choice(kMuteBoth) {
    setObjectName("TMuteForm");
    setWindowTitle("Wave Mute");
    setModal(true);

    StereoOptionsGroupBox = new QGroupBox("[ Stereo Options ]", this);
    StereoOptionsGroupBox->setObjectName("StereoOptionsGroupBox");
    auto* options = new QVBoxLayout(StereoOptionsGroupBox);
    const std::pair<QRadioButton**, std::pair<const char*, const char*>> radios[] = {
        {&BothChannelsRadioButton, {"BothChannelsRadioButton", "Apply to &Both Channels"}},
        {&LeftChannelRadioButton, {"LeftChannelRadioButton", "Apply to &Left Channel Only"}},
        {&RightChannelRadioButton, {"RightChannelRadioButton", "Apply to &Right Channel Only"}},
    };
    for (const auto& [field, texts] : radios) {
        *field = new QRadioButton(texts.second, StereoOptionsGroupBox);
        (*field)->setObjectName(texts.first);
        options->addWidget(*field);
    }
    BothChannelsRadioButton->setChecked(true);

    auto* column = new QVBoxLayout(this);
    column->addWidget(StereoOptionsGroupBox);
    const DialogButtons3 buttons = addDialogButtons(this, column, "&Help");
    OkButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;
    connect(OkButton, &QPushButton::clicked, this, &TMuteForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TMuteForm::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TMuteForm::HelpButtonClick);
}

QRadioButton* TMuteForm::buttonOf(int choice) const {
    if (choice == kMuteLeft) return LeftChannelRadioButton;
    if (choice == kMuteRight) return RightChannelRadioButton;
    return BothChannelsRadioButton;
}

void TMuteForm::showEvent(QShowEvent* event) {
    // A mono document has no channels to choose between.
    const bool stereo = m_channels != 1;
    for (QRadioButton* button :
         {BothChannelsRadioButton, LeftChannelRadioButton, RightChannelRadioButton}) {
        button->setEnabled(stereo);
    }
    QDialog::showEvent(event);
}

void TMuteForm::OkButtonClick() {
    if (LeftChannelRadioButton->isChecked()) {
        m_choice = kMuteLeft;
    } else if (RightChannelRadioButton->isChecked()) {
        m_choice = kMuteRight;
    } else {
        m_choice = kMuteBoth;
    }
    accept();
}

void TMuteForm::CancelButtonClick() {
    buttonOf(m_choice)->setChecked(true);
    QDialog::reject();
}

void TMuteForm::reject() {
    CancelButtonClick();
}

void TMuteForm::HelpButtonClick() {
    ShowHelpTopic(m_dialogs, kHelpMute);
}

}  // namespace sonthra
