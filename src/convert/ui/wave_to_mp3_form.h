// The MP3 export window "Corvanta Sonthra MP3 Conversion": the encoder and bitrate boxes,
// Start, Cancel and the progress of one export running on a worker. Callers prepare it for a
// source and a target, show it in a mode ("Save" starts by itself with a usable preset
// bitrate; "SaveAs" and any other mode wait for Start), then write the song information into
// the new file. Created once; call only from the GUI thread.
#pragma once

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

#include "convert/cv_wav_mp3.h"
#include "convert/lame_library.h"
#include "convert/mp3_export.h"

class QComboBox;
class QProgressBar;
class QPushButton;

namespace sonthra {

class Settings;
class UserDialogs;

inline constexpr const char* kMp3ConversionCaption = "Corvanta Sonthra MP3 Conversion";
// Where the question after message 229 sends the user for the encoder library.
inline constexpr const char* kMp3CodecPage = "https://packages.debian.org/stable/libmp3lame0";

class TWaveToMP3ConversionForm : public QDialog {
    Q_OBJECT
public:
    // settings may be null (nothing is remembered then). lameLibraryPath: where the encoder
    // library is looked for.
    TWaveToMP3ConversionForm(UserDialogs& dialogs, Settings* settings, QWidget* parent = nullptr,
                             std::string lameLibraryPath = defaultLameLibraryPath());
    ~TWaveToMP3ConversionForm() override;

    // 0 when the window is ready for source and destination; -1 when no conversion is
    // possible, the reason having been shown (the 229 question or message 230).
    int PrepareMP3Conversion(const std::string& source, const std::string& destination);
    // Shows the window modally; true when the user pressed Cancel. presetKbps: the bitrate of
    // the file being replaced ("Save" mode).
    bool ShowMP3ConversionDialog(const QString& mode, std::uint32_t presetKbps);

    // The code of the last export that ended (0 success), -1 when none ran since Prepare.
    int lastResult() const { return m_lastResult; }
    // The bitrate and encoder last started in this run.
    std::uint32_t lastBitrate() const { return m_lastKbps; }
    const std::string& lastEncoder() const { return m_lastEncoder; }

protected:
    void reject() override;

private slots:
    void CodecNamesComboBoxChange();
    void StartButtonClick();
    void CancelBtnClick();
    void PercentTimerTimer();
    void watchWorker();

private:
    void fillBitrates();
    void setChoosing(bool enabled);
    void finishJob();
    void showText(const std::string& text, bool warning = false);

    UserDialogs& m_dialogs;
    Settings* m_settings;
    std::string m_lamePath;
    CVWAVMP3 m_system;
    Mp3ExportChoices m_choices;
    std::string m_source;
    std::string m_destination;
    std::unique_ptr<Mp3ExportJob> m_job;
    std::uint32_t m_jobKbps = 0;
    bool m_cancelled = false;
    int m_lastResult = -1;
    std::uint32_t m_lastKbps = 0;
    std::string m_lastEncoder;  // of the conversion last started in this run

    QComboBox* m_codecBox = nullptr;
    QComboBox* m_bitrateBox = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QTimer m_percentTimer;
    QTimer m_workerWatch;
};

}  // namespace sonthra
