#include "convert/ui/wave_to_mp3_form.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "convert/convert_codes.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"
#include "settings/settings.h"

namespace sonthra {
namespace {

constexpr int kPercentPeriodMs = 500;
constexpr int kWatchPeriodMs = 20;
constexpr int kNoThread = 235;
constexpr int kSettingsWriteFailed = 187;

}  // namespace

TWaveToMP3ConversionForm::TWaveToMP3ConversionForm(UserDialogs& dialogs, Settings* settings,
                                                   QWidget* parent, std::string lameLibraryPath)
    : QDialog(parent),
      m_dialogs(dialogs),
      m_settings(settings),
      m_lamePath(std::move(lameLibraryPath)) {
    setObjectName("WaveToMP3ConversionForm");
    setWindowTitle(kMp3ConversionCaption);
    setModal(true);
    m_codecBox = new QComboBox(this);
    m_codecBox->setObjectName("CodecNamesComboBox");
    m_bitrateBox = new QComboBox(this);
    m_bitrateBox->setObjectName("BitRateComboBox");
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("ProgressBar");
    m_progress->setRange(0, 100);
    m_startButton = new QPushButton(tr("&Start"), this);
    m_startButton->setObjectName("StartButton");
    m_cancelButton = new QPushButton(tr("&Cancel"), this);
    m_cancelButton->setObjectName("CancelBtn");
    auto* form = new QFormLayout;
    form->addRow(tr("Encoder:"), m_codecBox);
    form->addRow(tr("Bitrate (kbit/s):"), m_bitrateBox);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    m_percentTimer.setInterval(kPercentPeriodMs);
    m_workerWatch.setInterval(kWatchPeriodMs);
    connect(&m_percentTimer, &QTimer::timeout, this, &TWaveToMP3ConversionForm::PercentTimerTimer);
    connect(&m_workerWatch, &QTimer::timeout, this, &TWaveToMP3ConversionForm::watchWorker);
    connect(m_codecBox, &QComboBox::currentIndexChanged, this,
            &TWaveToMP3ConversionForm::CodecNamesComboBoxChange);
    connect(m_startButton, &QPushButton::clicked, this,
            &TWaveToMP3ConversionForm::StartButtonClick);
    connect(m_cancelButton, &QPushButton::clicked, this, &TWaveToMP3ConversionForm::CancelBtnClick);
}

TWaveToMP3ConversionForm::~TWaveToMP3ConversionForm() {
    if (m_job) {
        m_job->cancel();
        m_job->wait();
    }
}

void TWaveToMP3ConversionForm::showText(const std::string& text, bool warning) {
    if (text.empty()) return;
    m_dialogs.messageBox(this, kProductCaption, QString::fromStdString(text),
                         warning ? DialogIcon::Warning : DialogIcon::Error, DialogButtons::Ok);
}

int TWaveToMP3ConversionForm::PrepareMP3Conversion(const std::string& source,
                                                   const std::string& destination) {
    m_percentTimer.stop();
    m_progress->setValue(0);
    m_source = source;
    m_destination = destination;
    m_lastResult = -1;
    const int prepared = prepareMp3Export(source, m_lamePath, m_system, m_settings, m_choices);
    if (prepared == kMp3NoComponent) {
        if (AskMessage(m_dialogs, parentWidget(), kMp3NoComponent, DialogButtons::YesNo,
                       DialogIcon::Warning) == DialogAnswer::Yes)
            m_dialogs.openUrl(kMp3CodecPage);
        return -1;
    }
    if (prepared == kMp3SourceRefused) {
        ShowMessage(m_dialogs, parentWidget(), kMp3SourceRefused);
        return -1;
    }
    if (!m_choices.readNotice.empty()) showText(m_choices.readNotice);
    if (m_choices.settingsNotice) ShowMessage(m_dialogs, parentWidget(), m_choices.settingsNotice);
    const QSignalBlocker quiet(m_codecBox);
    m_codecBox->clear();
    for (const std::string& name : m_choices.encoders)
        m_codecBox->addItem(QString::fromStdString(name));
    m_codecBox->setCurrentIndex(static_cast<int>(m_choices.selected));
    fillBitrates();
    return 0;
}

// The bitrate box holds the list of the selected encoder, its highest entry selected.
void TWaveToMP3ConversionForm::fillBitrates() {
    m_bitrateBox->clear();
    for (std::uint32_t kbps : m_choices.bitratesFor(m_codecBox->currentText().toStdString()))
        m_bitrateBox->addItem(QString::number(kbps));
    m_bitrateBox->setCurrentIndex(m_bitrateBox->count() - 1);
    m_startButton->setEnabled(m_bitrateBox->count() > 0);
}

void TWaveToMP3ConversionForm::setChoosing(bool enabled) {
    m_codecBox->setEnabled(enabled);
    m_bitrateBox->setEnabled(enabled);
}

bool TWaveToMP3ConversionForm::ShowMP3ConversionDialog(const QString& mode,
                                                       std::uint32_t presetKbps) {
    m_cancelled = false;
    fillBitrates();
    setChoosing(true);
    if (mode == "Save") {
        setChoosing(false);
        if (mp3PresetUsable(m_source, m_lamePath, m_system, m_lastEncoder, presetKbps) &&
            m_bitrateBox->findText(QString::number(presetKbps)) >= 0) {
            m_bitrateBox->setCurrentIndex(m_bitrateBox->findText(QString::number(presetKbps)));
            QTimer::singleShot(0, this, &TWaveToMP3ConversionForm::StartButtonClick);
        } else {
            setChoosing(true);
        }
    }
    exec();
    return m_cancelled;
}

void TWaveToMP3ConversionForm::CodecNamesComboBoxChange() {
    fillBitrates();
}

void TWaveToMP3ConversionForm::StartButtonClick() {
    if (m_job || !m_startButton->isEnabled()) return;
    m_progress->setValue(0);
    const std::string encoder = m_codecBox->currentText().toStdString();
    m_jobKbps = m_bitrateBox->currentText().toUInt();
    m_lastEncoder = encoder;
    m_lastKbps = m_jobKbps;
    if (m_settings &&
        m_settings->writeMp3ExportChoice(encoder, static_cast<std::int32_t>(m_jobKbps)) != 0)
        ShowMessage(m_dialogs, this, kSettingsWriteFailed);
    m_startButton->setEnabled(false);
    setChoosing(false);
    m_job = std::make_unique<Mp3ExportJob>(m_lamePath);
    if (!m_job->start(m_source, m_destination, encoder, m_jobKbps)) {
        m_job.reset();
        ShowMessage(m_dialogs, this, kNoThread);
        m_startButton->setEnabled(true);
        setChoosing(true);
        return;
    }
    m_percentTimer.start();
    m_workerWatch.start();
}

void TWaveToMP3ConversionForm::PercentTimerTimer() {
    if (!m_job) return;
    const int percent = m_job->percent();
    if (percent < 100 && percent > m_progress->value()) m_progress->setValue(percent);
}

void TWaveToMP3ConversionForm::watchWorker() {
    if (m_job && m_job->finished()) finishJob();
}

// The worker's end, handled on the GUI thread: a refused bitrate keeps the window open for
// another choice; anything else is reported and closes it.
void TWaveToMP3ConversionForm::finishJob() {
    m_workerWatch.stop();
    m_percentTimer.stop();
    m_job->wait();
    const int code = m_job->result();
    m_job.reset();
    m_lastResult = code;
    m_startButton->setEnabled(true);
    if (code == kCvBitrateRefused) {
        setChoosing(true);
        showText(bitrateRefusedText(m_jobKbps));
        return;
    }
    showText(mp3ExportText(code), code == kCvAborted || code == kLameAborted);
    m_progress->setValue(0);
    accept();
}

void TWaveToMP3ConversionForm::CancelBtnClick() {
    m_cancelled = true;
    if (m_job) {
        m_percentTimer.stop();
        m_job->cancel();
        m_job->wait();
        finishJob();
        return;
    }
    accept();
}

void TWaveToMP3ConversionForm::reject() {
    CancelBtnClick();
}

}  // namespace sonthra
