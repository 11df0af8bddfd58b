// The format chooser of Change Format ("Change Format"): resolution, mode and frequency of the
// new sample format, and AudioShowConvertDialog, the converter's call that shows it and
// returns the chosen format as a wave format record. Call only from the GUI thread.
#pragma once

#include <QDialog>

#include <cstdint>

#include "dialogs/ui/user_dialogs.h"
#include "wave/wave_format.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace sonthra {

class TChangeFormatForm : public QDialog {
    Q_OBJECT
public:
    explicit TChangeFormatForm(UserDialogs& dialogs, QWidget* parent = nullptr);

    // Selects the format's resolution, mode and frequency; a rate that is not offered selects
    // 44 K.Hz., anything else not offered 16 Bits and Stereo.
    void SetFormat(const WaveFormat& format);
    // The selection as a PCM format record.
    WaveFormat Format() const;

    void OkButtonClick();
    void CancelButtonClick();
    void HelpButtonClick();

    QGroupBox* ResolutionGroupBox = nullptr;
    QRadioButton* EightBitsRadioButton = nullptr;
    QRadioButton* SixteenBitsRadioButton = nullptr;
    QGroupBox* ModeGroupBox = nullptr;
    QRadioButton* MonoRadioButton = nullptr;
    QRadioButton* StereoRadioButton = nullptr;
    QGroupBox* FrequencyGroupBox = nullptr;
    QRadioButton* Frequency11RadioButton = nullptr;
    QRadioButton* Frequency22RadioButton = nullptr;
    QRadioButton* Frequency44RadioButton = nullptr;
    QRadioButton* Frequency48RadioButton = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

private:
    UserDialogs& m_dialogs;
};

// Results of AudioShowConvertDialog, as the converter's codes (format_convert.h) give them.
inline constexpr int kChooserOk = 0;
inline constexpr int kChooserCancelled = 101;
inline constexpr int kChooserBufferTooSmall = 102;
inline constexpr int kChooserFailed = 103;

// Shows the chooser modally over owner. buffer holds *size bytes; when they start with a
// format the chooser offers, it starts there (a zeroed buffer starts at 16 Bits, Stereo,
// 44 K.Hz.). 0: the chosen format's 18-byte record is in the buffer and *size is 18;
// 101: the user cancelled; 102: *size was below 18 and now says 18; 103: no buffer or size.
// The chooser keeps its own caption "Change Format" whatever `caption` says, and offers PCM
// formats only, which is what flag 1 asks for. dialogs serves its Help button.
int AudioShowConvertDialog(QWidget* owner, const QString& caption, unsigned char* buffer,
                           std::uint32_t* size, int flag, UserDialogs& dialogs);

}  // namespace sonthra
