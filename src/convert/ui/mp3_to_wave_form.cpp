#include "convert/ui/mp3_to_wave_form.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "convert/convert_codes.h"
#include "convert/mp3_import.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"

namespace sonthra {
namespace {

constexpr int kPercentPeriodMs = 500;
// How soon the window notices that the worker has ended (the worker's close request).
constexpr int kWatchPeriodMs = 20;
constexpr int kNoThread = 235;
constexpr int kDamagedMessage = 349;

}  // namespace

Tmp3towaveForm::Tmp3towaveForm(UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setObjectName("mp3towaveForm");
    setModal(true);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("ProgressBar");
    m_progress->setRange(0, 100);
    m_cancelButton = new QPushButton(tr("&Cancel"), this);
    m_cancelButton->setObjectName("CancelButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    m_percentTimer.setInterval(kPercentPeriodMs);
    m_workerWatch.setInterval(kWatchPeriodMs);
    connect(&m_percentTimer, &QTimer::timeout, this, &Tmp3towaveForm::PercentTimerTimer);
    connect(&m_workerWatch, &QTimer::timeout, this, &Tmp3towaveForm::watchWorker);
    connect(m_cancelButton, &QPushButton::clicked, this, &Tmp3towaveForm::CancelButtonClick);
}

Tmp3towaveForm::~Tmp3towaveForm() {
    stopConversion();
}

int Tmp3towaveForm::ConvertMP3ToWave(const std::string& source, const std::string& destination,
                                     const QString& caption) {
    m_percentTimer.stop();
    m_progress->setValue(0);
    setWindowTitle(caption);
    m_result = 0;
    m_damaged = false;
    m_job = std::make_unique<Mp3ImportJob>();
    if (!m_job->start(source, destination)) {
        m_job.reset();
        return ShowMessage(m_dialogs, parentWidget(), kNoThread);
    }
    m_percentTimer.start();
    m_workerWatch.start();
    exec();
    stopConversion();
    return m_result;
}

void Tmp3towaveForm::PercentTimerTimer() {
    if (!m_job) return;
    const int percent = m_job->percent();
    if (percent < 100) m_progress->setValue(percent);
}

// The worker's end: its result, shown when it is a failure, then the window closes.
void Tmp3towaveForm::watchWorker() {
    if (!m_job || !m_job->finished()) return;
    m_workerWatch.stop();
    m_job->wait();
    const int code = m_job->result();
    if (code != kConvertOk) {
        ShowMessage(m_dialogs, this, mp3ImportMessage(code));
        // A cancel has already made the result 431.
        if (m_result == 0) m_result = code;
    } else if (m_job->damaged()) {
        m_damaged = true;
        m_dialogs.messageBox(this, kProductCaption, MessageText(kDamagedMessage),
                             DialogIcon::Warning, DialogButtons::Ok);
    }
    accept();
}

void Tmp3towaveForm::CancelButtonClick() {
    m_result = kCvAborted;
    stopConversion();
    ShowMessage(m_dialogs, this, mp3ImportMessage(kCvAborted));
    accept();
}

void Tmp3towaveForm::reject() {
    CancelButtonClick();
}

// Stops the timers and the converter and waits for the worker, so that nothing it still
// writes outlives the window's record.
void Tmp3towaveForm::stopConversion() {
    m_percentTimer.stop();
    m_workerWatch.stop();
    if (!m_job) return;
    m_job->cancel();
    m_job->wait();
    m_job.reset();
}

}  // namespace sonthra
