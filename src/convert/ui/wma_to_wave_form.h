// WMA import under its window: TWmatoWaveForm polls one WMA to WAV conversion every 500 ms
// with a progress bar and Cancel, and importWmaFile runs the whole import for the main
// window (the library, the "Codec Not Found" question, the copy-protection and space checks,
// the conversion). Call only from the GUI thread.
#pragma once

#include <QDialog>
#include <QTimer>

#include <memory>
#include <string>

#include "convert/wma_import.h"

class QProgressBar;
class QPushButton;

namespace sonthra {

class UserDialogs;

class TWmatoWaveForm : public QDialog {
    Q_OBJECT
public:
    explicit TWmatoWaveForm(UserDialogs& dialogs, QWidget* parent = nullptr);
    ~TWmatoWaveForm() override;

    // Converts under the modal window; the job's final state (0 success, 2 failed, 3 aborted),
    // or 489 when no worker could start. Every failure has been shown.
    int Convert(const WmaPlaybackLibrary& library, const std::string& source,
                const std::string& destination, const QString& caption);
    // The open dialog of the import command: a WMA file name, empty when cancelled.
    QString chooseWmaFile();

protected:
    void reject() override;

private slots:
    void PercentTimerTimer();
    void CancelButtonClick();

private:
    void finish(int message);

    UserDialogs& m_dialogs;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QTimer m_percentTimer;
    std::unique_ptr<WmaImportJob> m_job;
    int m_state = kWmaImportFailed;
};

// Asks the "Codec Not Found" question; Yes opens the support page.
void askWmaCodecNotFound(UserDialogs& dialogs, QWidget* parent);

// The import steps after the busy mark and the workspace name: 0 when destination holds the
// WAV, else 489 (every reason shown). wmaPath empty: the open dialog asks for the file first
// (the File menu's import), and chosen receives the name.
int importWmaFile(UserDialogs& dialogs, QWidget* parent, std::string wmaPath,
                  const std::string& destination, const std::string& workspaceFolder,
                  std::string* chosen = nullptr,
                  const std::string& libraryPath = defaultWmaPlaybackPath());

}  // namespace sonthra
