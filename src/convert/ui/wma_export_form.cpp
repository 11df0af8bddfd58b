#include "convert/ui/wma_export_form.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <sys/stat.h>

#include "convert/ui/wma_to_wave_form.h"
#include "dialogs/ui/help.h"
#include "dialogs/ui/user_dialogs.h"
#include "messages/message_table.h"
#include "settings/settings.h"
#include "wave/wave_probe.h"

namespace sonthra {
namespace {

constexpr int kSettingsWriteFailed = 187;

bool endsWithWma(const QString& name) {
    return name.endsWith(".wma", Qt::CaseInsensitive);
}

bool exists(const QString& name) {
    struct stat st {};
    return ::stat(name.toLocal8Bit().constData(), &st) == 0;
}

}  // namespace

TWMAExportForm::TWMAExportForm(UserDialogs& dialogs, Settings* settings, QWidget* parent,
                               const std::string& libraryPath)
    : QDialog(parent), m_dialogs(dialogs), m_settings(settings) {
    m_library = WmaEncoderLibrary::load(libraryPath, m_loadCode);
    setWindowTitle(kWmaExportCaption);
    setModal(true);
    auto* grid = new QGridLayout(this);
    m_encoderLabel = new QLabel(tr("Encoder"), this);
    m_encoderCombo = new QComboBox(this);
    m_encoderCombo->setObjectName("encoderCombo");
    m_formatCombo = new QComboBox(this);
    m_formatCombo->setObjectName("outputFormatCombo");
    m_fileNameEdit = new QLineEdit(this);
    m_fileNameEdit->setObjectName("exportFileNameEdit");
    m_browseButton = new QPushButton(tr("&Browse..."), this);
    m_browseButton->setObjectName("BrowseButton");
    m_exportButton = new QPushButton(tr("&Export"), this);
    m_exportButton->setObjectName("ExportButton");
    m_cancelButton = new QPushButton(tr("&Cancel"), this);
    m_cancelButton->setObjectName("cancelBtn");
    m_helpButton = new QPushButton(tr("&Help"), this);
    m_helpButton->setObjectName("HelpButton");
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    grid->addWidget(m_encoderLabel, 0, 0);
    grid->addWidget(m_encoderCombo, 0, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Output Format"), this), 1, 0);
    grid->addWidget(m_formatCombo, 1, 1, 1, 2);
    grid->addWidget(new QLabel(tr("WMA Filename "), this), 2, 0);
    grid->addWidget(m_fileNameEdit, 2, 1);
    grid->addWidget(m_browseButton, 2, 2);
    grid->addWidget(m_progress, 3, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_helpButton);
    grid->addLayout(buttons, 4, 0, 1, 3);
    m_conversionTimer.setInterval(500);
    connect(&m_conversionTimer, &QTimer::timeout, this, &TWMAExportForm::conversionTimerTimer);
    connect(m_encoderCombo, &QComboBox::currentIndexChanged, this,
            &TWMAExportForm::encoderComboChange);
    connect(m_browseButton, &QPushButton::clicked, this, &TWMAExportForm::BrowseButtonClick);
    connect(m_exportButton, &QPushButton::clicked, this, &TWMAExportForm::ExportButtonClick);
    connect(m_cancelButton, &QPushButton::clicked, this, &TWMAExportForm::cancelBtnClick);
    connect(m_helpButton, &QPushButton::clicked, this,
            [this] { ShowHelpTopic(m_dialogs, kWmaExportHelpTopic); });
}

TWMAExportForm::~TWMAExportForm() {
    m_job.cancel();
    m_job.wait();
}

int TWMAExportForm::prepare(const std::string& source) {
    if (!m_library) {
        askWmaCodecNotFound(m_dialogs, this);
        return m_loadCode;
    }
    m_source = source;
    if (const int probed = probeWave(source, nullptr, &m_sourceFormat); probed != 0)
        return ShowMessage(m_dialogs, this, probed);
    std::vector<std::string> encoders;
    const int listed = listWmaEncoders(*m_library, m_sourceFormat, encoders);
    if (listed != 0) return ShowMessage(m_dialogs, this, listed);
    if (encoders.empty()) return ShowMessage(m_dialogs, this, kWmaNoFormatMessage);
    const QSignalBlocker block(m_encoderCombo);
    m_encoderCombo->clear();
    for (const std::string& name : encoders) m_encoderCombo->addItem(QString::fromStdString(name));
    int encoder = 0;
    if (m_settings) {
        const auto stored = m_settings->readLastWmaEncoderIndex();
        if (stored.result == 0 && stored.value >= 0 && stored.value < m_encoderCombo->count())
            encoder = stored.value;
    }
    m_encoderCombo->setCurrentIndex(encoder);
    return fillFormats();
}

int TWMAExportForm::fillFormats() {
    std::vector<std::string> formats;
    const std::string encoder = m_encoderCombo->currentText().toStdString();
    const int listed = listWmaFormats(*m_library, encoder, m_sourceFormat, formats);
    m_formatCombo->clear();
    if (listed != 0) return ShowMessage(m_dialogs, this, listed);
    for (const std::string& text : formats) m_formatCombo->addItem(QString::fromStdString(text));
    std::optional<WmaFormatChoice> stored;
    if (m_settings) {
        const auto read = m_settings->readLastWmaFormat();
        if (read.result == 0) stored = read.value;
    }
    m_formatCombo->setCurrentIndex(
        pickWmaFormat(formats.size(), stored, m_sourceFormat.sampleRate, m_rememberedRate));
    return 0;
}

void TWMAExportForm::encoderComboChange() {
    if (m_library) fillFormats();
}

void TWMAExportForm::setChoosing(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_fileNameEdit, m_encoderCombo, m_formatCombo,
                                                      m_browseButton, m_exportButton}) {
        w->setEnabled(enabled);
    }
}

int TWMAExportForm::FileExportToWma(const std::string& documentFileName,
                                    const std::string& source) {
    m_batch = false;
    m_outcome = 129;
    if (const int prepared = prepare(source); prepared != 0) return prepared;
    m_job.reset();
    QString name = QString::fromStdString(documentFileName);
    const int dot = name.lastIndexOf('.');
    const int slash = name.lastIndexOf('/');
    if (dot > slash) name.truncate(dot);
    m_fileNameEdit->setText(name + ".wma");
    setChoosing(true);
    m_conversionTimer.stop();
    m_progress->setValue(0);
    exec();
    return m_outcome;
}

void TWMAExportForm::BrowseButtonClick() {
    FileDialogRequest request;
    request.title = "Choose an Output Filename";
    request.filter = "WMA Files(*.wma) (*.wma)";
    request.fileName = m_fileNameEdit->text();
    QString name = m_dialogs.saveFileName(this, request);
    if (name.isEmpty()) return;
    if (!endsWithWma(name)) name += ".wma";
    m_fileNameEdit->setText(name);
}

bool TWMAExportForm::startExport() {
    const std::string encoder = m_encoderCombo->currentText().toStdString();
    const std::string target = m_fileNameEdit->text().toStdString();
    setChoosing(false);
    if (!m_job.start(*m_library, m_source, target, m_formatCombo->currentIndex(),
                     encoder.substr(0, encoder.find('\0')))) {
        setChoosing(true);
        return false;
    }
    m_conversionTimer.start();
    return true;
}

void TWMAExportForm::ExportButtonClick() {
    const QString name = m_fileNameEdit->text();
    if (!endsWithWma(name)) {
        m_dialogs.messageBox(this, "Error", "Invalid FileName..Select other file to export!",
                             DialogIcon::Error, DialogButtons::Ok);
        return;
    }
    if (exists(name) &&
        m_dialogs.messageBox(this, "Choose an Output Filename",
                             name + " already exists.\nDo you want to replace it?",
                             DialogIcon::Warning, DialogButtons::YesNo) != DialogAnswer::Yes) {
        BrowseButtonClick();
        return;
    }
    if (!startExport()) ShowMessage(m_dialogs, this, 235);
}

void TWMAExportForm::conversionTimerTimer() {
    std::int32_t state = m_job.state();
    if (state == kWmaExportRunning) {
        if (!m_job.finished()) {
            m_progress->setValue(m_job.percent());
            return;
        }
        state = kWmaExportFailed;  // ended without a final state
    }
    if (state == kWmaExportIdle) return;
    m_job.wait();
    m_conversionTimer.stop();
    exportEnded(state, m_job.result());
}

void TWMAExportForm::exportEnded(std::int32_t state, int result) {
    m_progress->setValue(0);
    if (state == kWmaExportFailed) {
        m_job.reset();
        ShowMessage(m_dialogs, this, wmaExportMessage(result, false));
        m_outcome = wmaExportMessage(result, false);
        setChoosing(true);
        return;
    }
    if (state == kWmaExportAborted) {
        m_dialogs.messageBox(this, "Warning!", "Conversion Process Aborted!", DialogIcon::Warning,
                             DialogButtons::Ok);
        m_outcome = 129;
    } else {
        m_exportedName = m_fileNameEdit->text().toStdString();
        m_dialogs.messageBox(this, "Export Successful!",
                             "Exported to file " + m_fileNameEdit->text() + " Successfully!",
                             DialogIcon::Information, DialogButtons::Ok);
        m_outcome = 0;
    }
    m_job.reset();
    done(QDialog::Accepted);
}

void TWMAExportForm::cancelBtnClick() {
    if (m_conversionTimer.isActive()) {
        m_job.cancel();
        return;
    }
    reject();
}

void TWMAExportForm::rememberChoice() {
    if (!m_settings) return;
    const WmaFormatChoice choice{m_rememberedRate, m_formatCombo->currentIndex()};
    if (m_settings->writeLastWmaFormat(choice) != 0)
        ShowMessage(m_dialogs, this, kSettingsWriteFailed);
}

void TWMAExportForm::reject() {
    if (m_conversionTimer.isActive() && !m_job.cancelRequested()) {
        m_dialogs.messageBox(this, "Warning!", "Conversion Process is active. You can not close!",
                             DialogIcon::Warning, DialogButtons::Ok);
        return;
    }
    if (m_conversionTimer.isActive()) return;  // the timer closes once the library stopped
    QDialog::reject();
}

void TWMAExportForm::closeEvent(QCloseEvent* event) {
    if (m_conversionTimer.isActive()) {
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}

void TWMAExportForm::done(int r) {
    rememberChoice();
    QDialog::done(r);
}

BatchStep TWMAExportFormForBurn::exportForBatch(const std::string& destination,
                                                const std::string& source) {
    m_batch = true;
    m_outcome = 129;
    m_encoderLabel->setText(tr("Encoder: "));
    if (prepare(source) != 0) return BatchStep::Failed;
    m_job.reset();
    m_fileNameEdit->setText(QString::fromStdString(destination));
    m_progress->setValue(0);
    m_startedByBatch = true;
    if (!startExport()) return BatchStep::Failed;
    exec();
    m_startedByBatch = false;
    if (m_outcome == 0) return BatchStep::Exported;
    return m_outcome == kCancelled ? BatchStep::Cancelled : BatchStep::Failed;
}

void TWMAExportFormForBurn::exportEnded(std::int32_t state, int result) {
    m_progress->setValue(0);
    m_job.reset();
    if (state == kWmaExportFailed) {
        const int message = wmaExportMessage(result, true);
        ShowMessage(m_dialogs, this, message);
        m_outcome = message != 0 ? message : 484;
        done(QDialog::Rejected);
        return;
    }
    if (state == kWmaExportAborted) {
        m_outcome = 129;
        done(QDialog::Rejected);
        return;
    }
    m_exportedName = m_fileNameEdit->text().toStdString();
    if (!m_startedByBatch) {
        m_dialogs.messageBox(this, "Export Successful!",
                             "File: " + m_fileNameEdit->text() + " Exported Successfully!",
                             DialogIcon::Information, DialogButtons::Ok);
    }
    m_outcome = 0;
    done(QDialog::Accepted);
}

}  // namespace sonthra
