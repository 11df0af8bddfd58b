#include "edit/ui/change_format_form.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstring>

#include "dialogs/ui/help.h"
#include "edit/ui/form_parts.h"

namespace sonthra {
namespace {

struct Choice {
    QRadioButton** field;
    const char* name;
    const char* text;
};

QGroupBox* radioGroup(QWidget* parent, const char* name, const QString& title,
                      std::initializer_list<Choice> choices) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(name);
    auto* column = new QVBoxLayout(group);
    for (const Choice& choice : choices) {
        *choice.field = new QRadioButton(choice.text, group);
        (*choice.field)->setObjectName(choice.name);
        column->addWidget(*choice.field);
    }
    column->addStretch();
    return group;
}

}  // namespace

TChangeFormatForm::TChangeFormatForm(UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setObjectName("TChangeFormatForm");
    setWindowTitle("Change Format");
    setModal(true);

    ResolutionGroupBox =
        radioGroup(this, "ResolutionGroupBox", "Resolution",
                   {{&EightBitsRadioButton, "EightBitsRadioButton", "8 Bits"},
                    {&SixteenBitsRadioButton, "SixteenBitsRadioButton", "16 Bits"}});
    ModeGroupBox = radioGroup(this, "ModeGroupBox", "Mode",
                              {{&MonoRadioButton, "MonoRadioButton", "Mono"},
                               {&StereoRadioButton, "StereoRadioButton", "Stereo"}});
    FrequencyGroupBox =
        radioGroup(this, "FrequencyGroupBox", "Frequency",
                   {{&Frequency11RadioButton, "Frequency11RadioButton", "11 K.Hz."},
                    {&Frequency22RadioButton, "Frequency22RadioButton", "22 K.Hz."},
                    {&Frequency44RadioButton, "Frequency44RadioButton", "44 K.Hz."},
                    {&Frequency48RadioButton, "Frequency48RadioButton", "48 K.Hz."}});

    auto* groups = new QHBoxLayout;
    groups->addWidget(ResolutionGroupBox);
    groups->addWidget(ModeGroupBox);
    groups->addWidget(FrequencyGroupBox);
    auto* column = new QVBoxLayout(this);
    column->addLayout(groups);
    const DialogButtons3 buttons = addDialogButtons(this, column, "Help");
    OkButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;
    connect(OkButton, &QPushButton::clicked, this, &TChangeFormatForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TChangeFormatForm::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TChangeFormatForm::HelpButtonClick);
    SetFormat(WaveFormat{});
}

void TChangeFormatForm::SetFormat(const WaveFormat& format) {
    (format.bitsPerSample == 8 ? EightBitsRadioButton : SixteenBitsRadioButton)->setChecked(true);
    (format.channels == 1 ? MonoRadioButton : StereoRadioButton)->setChecked(true);
    switch (format.sampleRate) {
        case 11025:
            Frequency11RadioButton->setChecked(true);
            break;
        case 22050:
            Frequency22RadioButton->setChecked(true);
            break;
        case 48000:
            Frequency48RadioButton->setChecked(true);
            break;
        default:
            Frequency44RadioButton->setChecked(true);
            break;
    }
}

WaveFormat TChangeFormatForm::Format() const {
    std::uint32_t rate = 44100;
    if (Frequency11RadioButton->isChecked()) rate = 11025;
    if (Frequency22RadioButton->isChecked()) rate = 22050;
    if (Frequency48RadioButton->isChecked()) rate = 48000;
    return makePcmFormat(rate, EightBitsRadioButton->isChecked() ? 8 : 16,
                         MonoRadioButton->isChecked() ? 1 : 2);
}

void TChangeFormatForm::OkButtonClick() {
    accept();
}

void TChangeFormatForm::CancelButtonClick() {
    reject();
}

void TChangeFormatForm::HelpButtonClick() {
    // The help pages have no topic of their own for this window; the contents lead to it.
    ShowHelpTopic(m_dialogs, kHelpContents);
}

int AudioShowConvertDialog(QWidget* owner, const QString& caption, unsigned char* buffer,
                           std::uint32_t* size, int flag, UserDialogs& dialogs) {
    (void)caption;
    (void)flag;
    if (!buffer || !size) return kChooserFailed;
    if (*size < kWaveFormatBytes) {
        *size = kWaveFormatBytes;
        return kChooserBufferTooSmall;
    }
    TChangeFormatForm form(dialogs, owner);
    const WaveFormat given = decodeWaveFormat(buffer, kWaveFormatBytes);
    if (isSupportedPcm(given)) form.SetFormat(given);
    if (form.exec() != QDialog::Accepted) return kChooserCancelled;
    std::memset(buffer, 0, *size);
    encodeWaveFormat(form.Format(), buffer);
    *size = kWaveFormatBytes;
    return kChooserOk;
}

}  // namespace sonthra
