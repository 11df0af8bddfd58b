#include "edit/ui/silence_forms.h"

#include <QLineEdit>

#include "dialogs/ui/help.h"
#include "edit/ui/silence_rules.h"

namespace sonthra {

TTrimSilenceForm::TTrimSilenceForm(Settings& settings, UserDialogs& dialogs, QWidget* parent)
    : NumberSettingForm(settings, dialogs, kHelpTrimSilence, parent) {
    setObjectName("TTrimSilenceForm");
    setWindowTitle("Trim Silence");
    build("SilencePercentageEdit", "&Silence (% of Maximum)", {}, "[ Settings ]");
    SilencePercentageEdit = Edit();
    takeRead(m_settings.readTrimSilence());
}

std::uint16_t TTrimSilenceForm::Threshold() const {
    return trimThresholdHundredths(Value());
}

void TTrimSilenceForm::SpinButton1UpClick() {
    step(&trimSpinUp);
}

void TTrimSilenceForm::SpinButton1DownClick() {
    step(&trimSpinDown);
}

void TTrimSilenceForm::OkButtonClick() {
    const auto number = editNumber();
    if (number) {
        store(*number);
    } else {
        store(0);
        SilencePercentageEdit->setText("0.0");
    }
    showWriteFailure(m_settings.writeTrimSilence(Value()));
    accept();
}

TInsertSilenceForm::TInsertSilenceForm(Settings& settings, UserDialogs& dialogs, QWidget* parent)
    : NumberSettingForm(settings, dialogs, kHelpInsertSilence, parent) {
    setObjectName("TInsertSilenceForm");
    setWindowTitle("Insert Silence");
    build("SilenceTimeEdit", "&Silence Time", "seconds", {});
    SilenceTimeEdit = Edit();
    takeRead(m_settings.readInsertSilenceTime());
}

std::uint32_t TInsertSilenceForm::Milliseconds() const {
    return silenceMilliseconds(Value());
}

void TInsertSilenceForm::SpinButton1UpClick() {
    step(&silenceSpinUp);
}

void TInsertSilenceForm::SpinButton1DownClick() {
    step(&silenceSpinDown);
}

void TInsertSilenceForm::OkButtonClick() {
    const auto number = editNumber();
    if (!number || !acceptableSilenceSeconds(*number)) {
        showStored();
        return;
    }
    store(*number);
    showWriteFailure(m_settings.writeInsertSilenceTime(Value()));
    accept();
}

}  // namespace sonthra
