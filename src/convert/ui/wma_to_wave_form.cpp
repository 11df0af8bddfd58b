#include "convert/ui/wma_to_wave_form.h"

#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"

namespace sonthra {

TWmatoWaveForm::TWmatoWaveForm(UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_cancelButton = new QPushButton(tr("&Cancel"), this);
    m_cancelButton->setObjectName("CancelButton");
    layout->addWidget(m_progress);
    layout->addWidget(m_cancelButton, 0, Qt::AlignRight);
    m_percentTimer.setInterval(500);
    connect(&m_percentTimer, &QTimer::timeout, this, &TWmatoWaveForm::PercentTimerTimer);
    connect(m_cancelButton, &QPushButton::clicked, this, &TWmatoWaveForm::CancelButtonClick);
}

TWmatoWaveForm::~TWmatoWaveForm() {
    if (m_job) {
        m_job->cancel();
        m_job->wait();
    }
}

QString TWmatoWaveForm::chooseWmaFile() {
    FileDialogRequest request;
    request.filter = "WMA Files (*.WMA *.wma)";
    return m_dialogs.openFileName(this, request);
}

int TWmatoWaveForm::Convert(const WmaPlaybackLibrary& library, const std::string& source,
                            const std::string& destination, const QString& caption) {
    m_percentTimer.stop();
    m_progress->setValue(0);
    setWindowTitle(caption);
    m_job = std::make_unique<WmaImportJob>();
    if (!m_job->start(library, source, destination)) {
        m_job.reset();
        ShowMessage(m_dialogs, this, kWmaFormatNotProper);
        return kWmaFormatNotProper;
    }
    m_state = kWmaImportRunning;
    m_percentTimer.start();
    exec();
    m_percentTimer.stop();
    m_job.reset();
    return m_state;
}

void TWmatoWaveForm::finish(int message) {
    m_job->wait();
    m_percentTimer.stop();
    if (message != 0) ShowMessage(m_dialogs, this, message);
    done(QDialog::Accepted);
}

void TWmatoWaveForm::PercentTimerTimer() {
    if (!m_job) return;
    std::int32_t state = m_job->state();
    // A worker that ended without a final state failed.
    if (state == kWmaImportRunning && m_job->finished()) state = kWmaImportFailed;
    m_state = state;
    if (state == kWmaImportFailed) return finish(kWmaFormatNotProper);
    if (state == kWmaImportAborted) return finish(kWmaImportAbortedMessage);
    if (state == kWmaImportFinished) {
        if (!m_job->finished()) return;  // the file is being put in place
        m_progress->setValue(100);
        return finish(m_job->result() == kWmaWaveTooLarge ? kWmaTooLargeMessage : 0);
    }
    m_progress->setValue(m_job->percent());
}

void TWmatoWaveForm::CancelButtonClick() {
    if (m_job) m_job->cancel();
}

// Closing the window is a cancel; the timer closes it once the library has stopped.
void TWmatoWaveForm::reject() {
    if (m_job) {
        m_job->cancel();
        return;
    }
    QDialog::reject();
}

void askWmaCodecNotFound(UserDialogs& dialogs, QWidget* parent) {
    if (dialogs.messageBox(parent, kCodecNotFoundCaption, kCodecNotFoundText, DialogIcon::Question,
                           DialogButtons::YesNo) == DialogAnswer::Yes) {
        dialogs.openUrl(kWmaSupportPage);
    }
}

int importWmaFile(UserDialogs& dialogs, QWidget* parent, std::string wmaPath,
                  const std::string& destination, const std::string& workspaceFolder,
                  std::string* chosen, const std::string& libraryPath) {
    const auto library = WmaPlaybackLibrary::load(libraryPath);
    if (!library) {
        askWmaCodecNotFound(dialogs, parent);
        return kWmaFormatNotProper;
    }
    TWmatoWaveForm form(dialogs, parent);
    if (wmaPath.empty()) {
        wmaPath = form.chooseWmaFile().toStdString();
        if (wmaPath.empty()) return kWmaFormatNotProper;
    }
    if (chosen) *chosen = wmaPath;
    switch (checkWmaImport(*library, wmaPath, workspaceFolder)) {
        case WmaImportCheck::Protected:
            dialogs.messageBox(parent, kProductCaption, kCopyProtectionText, DialogIcon::Warning,
                               DialogButtons::Ok);
            return kWmaFormatNotProper;
        case WmaImportCheck::NotReadable:
            ShowMessage(dialogs, parent, kWmaFormatNotProper);
            return kWmaFormatNotProper;
        case WmaImportCheck::NoSpace:
            dialogs.messageBox(parent, kProductCaption, kWmaNoTempSpaceText, DialogIcon::Warning,
                               DialogButtons::Ok);
            return kWmaFormatNotProper;
        case WmaImportCheck::Ready:
            break;
    }
    const int state = form.Convert(*library, wmaPath, destination, kWmaImportCaption);
    return state == kWmaImportFinished ? 0 : kWmaFormatNotProper;
}

}  // namespace sonthra
