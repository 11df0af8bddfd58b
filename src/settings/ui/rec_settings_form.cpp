#include "settings/ui/rec_settings_form.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/ui/dialog_buttons.h"
#include "dialogs/ui/help.h"

namespace sonthra {

namespace {

constexpr std::uint32_t kStartRate = 44100;
constexpr int kStartBits = 16;
constexpr int kStartChannels = 2;

QString rateText(std::uint32_t rate) {
    return QString("%1 Hz").arg(rate);
}
QString bitsText(int bits) {
    return QString("%1 Bit").arg(bits);
}
QString channelsText(int channels) {
    return channels == 1 ? QString("Mono") : QString("Stereo");
}

// The position to select in a list of `count` entries rebuilt from one that had `previous`
// selected: the same position while it exists, else the first entry.
int keptPosition(int previous, int count) {
    if (count == 0) return -1;
    return previous >= 0 && previous < count ? previous : 0;
}

QComboBox* dropDown(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    box->setMinimumWidth(120);
    return box;
}

}  // namespace

TRecSettingsForm::TRecSettingsForm(FormatQuery query, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_query(std::move(query)), m_dialogs(dialogs) {
    setObjectName("TRecSettingsForm");
    setWindowTitle("Choose Format");
    setModal(true);

    RecordingSamplingRateComboBox = dropDown(this, "RecordingSamplingRateComboBox");
    RecordingBitRateComboBox = dropDown(this, "RecordingBitRateComboBox");
    RecordingChannelComboBox = dropDown(this, "RecordingChannelComboBox");

    auto* form = new QFormLayout;
    const std::pair<const char*, QComboBox*> rows[] = {
        {"&Sampling Rate", RecordingSamplingRateComboBox},
        {"&Bit Depth", RecordingBitRateComboBox},
        {"&Channels", RecordingChannelComboBox},
    };
    for (const auto& [text, box] : rows) {
        auto* label = new QLabel(text, this);
        label->setBuddy(box);
        form->addRow(label, box);
    }

    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    const DialogButtons3 buttons = addDialogButtons(this, column, "&Help");
    OkButton = buttons.ok;
    CancelButton = buttons.cancel;
    HelpButton = buttons.help;

    connect(RecordingSamplingRateComboBox, &QComboBox::currentIndexChanged, this,
            &TRecSettingsForm::RecordingSamplingRateComboBoxChange);
    connect(RecordingBitRateComboBox, &QComboBox::currentIndexChanged, this,
            &TRecSettingsForm::RecordingBitRateComboBoxChange);
    connect(OkButton, &QPushButton::clicked, this, &TRecSettingsForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TRecSettingsForm::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TRecSettingsForm::HelpButtonClick);

    BuildFormatLists();
}

void TRecSettingsForm::BuildFormatLists() {
    const int probed = ProbeFormats(m_query, m_supportedFormats);
    if (probed != 0) ShowMessage(m_dialogs, isVisible() ? this : parentWidget(), probed);

    const std::vector<std::uint32_t> rates = FormatRates(m_supportedFormats);
    m_filling = true;
    RecordingSamplingRateComboBox->clear();
    RecordingBitRateComboBox->clear();
    RecordingChannelComboBox->clear();
    for (std::uint32_t rate : rates) RecordingSamplingRateComboBox->addItem(rateText(rate), rate);
    RecordingSamplingRateComboBox->setCurrentIndex(rates.empty() ? -1 : 0);
    m_filling = false;
    RecordingSamplingRateComboBoxChange();

    // The start format, each choice cascading to the lists below it.
    int rate = RecordingSamplingRateComboBox->findText(rateText(kStartRate));
    if (rate < 0 && !rates.empty()) rate = 0;
    RecordingSamplingRateComboBox->setCurrentIndex(rate);
    int bits = RecordingBitRateComboBox->findText(bitsText(kStartBits));
    if (bits < 0 && RecordingBitRateComboBox->count() > 0) bits = 0;
    RecordingBitRateComboBox->setCurrentIndex(bits);
    int channels = RecordingChannelComboBox->findText(channelsText(kStartChannels));
    if (channels < 0 && RecordingChannelComboBox->count() > 0) channels = 0;
    RecordingChannelComboBox->setCurrentIndex(channels);

    TakeOverFormat();
}

std::uint32_t TRecSettingsForm::selectedRate() const {
    const int index = RecordingSamplingRateComboBox->currentIndex();
    return index < 0 ? 0 : RecordingSamplingRateComboBox->itemData(index).toUInt();
}

int TRecSettingsForm::selectedBits() const {
    const int index = RecordingBitRateComboBox->currentIndex();
    return index < 0 ? 0 : RecordingBitRateComboBox->itemData(index).toInt();
}

void TRecSettingsForm::fillBits() {
    const int previous = RecordingBitRateComboBox->currentIndex();
    const std::vector<int> bits = FormatBits(m_supportedFormats, selectedRate());
    m_filling = true;
    RecordingBitRateComboBox->clear();
    for (int b : bits) RecordingBitRateComboBox->addItem(bitsText(b), b);
    RecordingBitRateComboBox->setCurrentIndex(
        keptPosition(previous, RecordingBitRateComboBox->count()));
    m_filling = false;
}

void TRecSettingsForm::fillChannels() {
    const int previous = RecordingChannelComboBox->currentIndex();
    const std::vector<int> channels =
        FormatChannels(m_supportedFormats, selectedRate(), selectedBits());
    m_filling = true;
    RecordingChannelComboBox->clear();
    for (int c : channels) RecordingChannelComboBox->addItem(channelsText(c), c);
    RecordingChannelComboBox->setCurrentIndex(
        keptPosition(previous, RecordingChannelComboBox->count()));
    m_filling = false;
}

void TRecSettingsForm::RecordingSamplingRateComboBoxChange() {
    if (m_filling) return;
    if (RecordingSamplingRateComboBox->currentIndex() < 0 &&
        RecordingSamplingRateComboBox->count() > 0) {
        m_filling = true;
        RecordingSamplingRateComboBox->setCurrentIndex(0);
        m_filling = false;
    }
    fillBits();
    fillChannels();
}

void TRecSettingsForm::RecordingBitRateComboBoxChange() {
    if (m_filling) return;
    fillChannels();
}

void TRecSettingsForm::TakeOverFormat() {
    QString rate = RecordingSamplingRateComboBox->currentText();
    rate.chop(rate.endsWith(" Hz") ? 3 : 0);
    QString bits = RecordingBitRateComboBox->currentText();
    bits.chop(bits.endsWith(" Bit") ? 4 : 0);
    bool rateOk = false;
    bool bitsOk = false;
    const std::uint32_t rateValue = rate.toUInt(&rateOk);
    const int bitsValue = bits.toInt(&bitsOk);
    m_sampleRate = rateOk ? rateValue : kStartRate;
    m_bitsPerSample = static_cast<std::uint8_t>(bitsOk ? bitsValue : kStartBits);
    m_channels = RecordingChannelComboBox->currentText() == "Mono" ? 1 : 2;
}

void TRecSettingsForm::OkButtonClick() {
    TakeOverFormat();
    accept();
}

// The user's choice in the lists stays for the next showing; only the format is left alone.
void TRecSettingsForm::CancelButtonClick() {
    reject();
}

void TRecSettingsForm::HelpButtonClick() {
    ShowHelpTopic(m_dialogs, kHelpRecordingFormat);
}

}  // namespace sonthra
