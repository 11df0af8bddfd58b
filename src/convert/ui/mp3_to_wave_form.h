// The MP3 to WAV conversion window: a progress bar and Cancel over one conversion running on a
// worker. Opening an MP3 file runs it with the caption "Corvanta Sonthra MP3 To Wave
// Conversion". Call only from the GUI thread.
#pragma once

#include <QDialog>
#include <QTimer>

#include <memory>
#include <string>

class QProgressBar;
class QPushButton;

namespace sonthra {

class Mp3ImportJob;
class UserDialogs;

class Tmp3towaveForm : public QDialog {
    Q_OBJECT
public:
    explicit Tmp3towaveForm(UserDialogs& dialogs, QWidget* parent = nullptr);
    ~Tmp3towaveForm() override;

    // Converts source into the WAV file destination under the modal window: 0, 431 when the
    // user cancelled, 235 when no worker could start, else the converter's code. Every failure
    // has been shown. A file that decoded only in part gives 0 after its warning (message 349).
    int ConvertMP3ToWave(const std::string& source, const std::string& destination,
                         const QString& caption);
    // After a success: part of the file could not be decoded.
    bool damaged() const { return m_damaged; }

protected:
    void reject() override;

private slots:
    void PercentTimerTimer();
    void CancelButtonClick();
    void watchWorker();

private:
    void stopConversion();

    UserDialogs& m_dialogs;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QTimer m_percentTimer;
    QTimer m_workerWatch;
    std::unique_ptr<Mp3ImportJob> m_job;
    int m_result = 0;
    bool m_damaged = false;
};

}  // namespace sonthra
