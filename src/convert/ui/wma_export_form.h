// The WMA export window "Export Sound to WMA" (TWMAExportForm) and its batch variant
// (TWMAExportFormForBurn): encoder and output-format lists for the source, the file name with
// Browse, Export, Cancel and Help, and the export polled every 500 ms. The encoder library is
// loaded when the window is made and kept while it lives. Call only from the GUI thread.
#pragma once

#include <QDialog>
#include <QTimer>

#include <memory>
#include <string>

#include "convert/batch_export.h"
#include "convert/wma_export.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace sonthra {

class Settings;
class UserDialogs;

inline constexpr int kWmaExportHelpTopic = 50;

class TWMAExportForm : public QDialog {
    Q_OBJECT
public:
    TWMAExportForm(UserDialogs& dialogs, Settings* settings, QWidget* parent = nullptr,
                   const std::string& libraryPath = defaultWmaEncoderPath());
    ~TWMAExportForm() override;

    // File, Export, To WMA for a document: fills the lists for source (its working file, or its
    // own file when that could not be prepared) and shows the window. 0 when a file was
    // exported, 129 when the window closed without one, else the message shown.
    int FileExportToWma(const std::string& documentFileName, const std::string& source);
    // The name the last successful export wrote.
    const std::string& exportedName() const { return m_exportedName; }
    bool libraryLoaded() const { return m_library != nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    // Every close writes the remembered rate and format index.
    void done(int r) override;
    // Fills both lists; 0 or the message number shown.
    int prepare(const std::string& source);
    bool startExport();
    virtual void exportEnded(std::int32_t state, int result);
    void setChoosing(bool enabled);

    UserDialogs& m_dialogs;
    Settings* m_settings;
    std::unique_ptr<WmaEncoderLibrary> m_library;
    int m_loadCode = 0;
    WaveFormat m_sourceFormat;
    std::string m_source;
    std::string m_exportedName;
    std::int32_t m_rememberedRate = 0;
    int m_outcome = 129;
    bool m_batch = false;
    WmaExportJob m_job;

    QLabel* m_encoderLabel = nullptr;
    QComboBox* m_encoderCombo = nullptr;
    QComboBox* m_formatCombo = nullptr;
    QLineEdit* m_fileNameEdit = nullptr;
    QPushButton* m_browseButton = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QTimer m_conversionTimer;

private slots:
    void encoderComboChange();
    void BrowseButtonClick();
    void ExportButtonClick();
    void cancelBtnClick();
    void conversionTimerTimer();

private:
    int fillFormats();
    void rememberChoice();
};

class TWMAExportFormForBurn : public TWMAExportForm {
    Q_OBJECT
public:
    using TWMAExportForm::TWMAExportForm;
    // Exports source to destination at once under the window. Failed when the window could
    // not be prepared or the export failed (its message shown), Cancelled when the user
    // pressed Cancel (the batch stops).
    BatchStep exportForBatch(const std::string& destination, const std::string& source);

protected:
    void exportEnded(std::int32_t state, int result) override;

private:
    bool m_startedByBatch = false;
};

}  // namespace sonthra
