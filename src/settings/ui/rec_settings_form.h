// The recording format window TRecSettingsForm ("Choose Format"): it asks the recording device
// about every candidate format, offers only the accepted ones in three cascading lists (rate,
// bits, channels) and keeps the confirmed format for new recordings and the level test. The
// format is not stored: every run starts at 44100 Hz, 16 Bit, Stereo when the device offers
// them. Created once at start, it lives for the whole run. Call only from the GUI thread.
#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

#include "dialogs/ui/user_dialogs.h"
#include "settings/ui/record_formats.h"

class QComboBox;
class QPushButton;

namespace sonthra {

class TRecSettingsForm : public QDialog {
    Q_OBJECT
public:
    // `query` asks the recording device in use at the time of each probe (the preferences'
    // choice, or the system's default device). Builds the lists at once.
    TRecSettingsForm(FormatQuery query, UserDialogs& dialogs, QWidget* parent = nullptr);

    // Probes the device again and refills the lists with the start selection, then takes the
    // format over. Run at creation and after the recording device changed.
    void BuildFormatLists();
    // Takes the listed selection as the format: 44100, 16 and 2 stand in for an empty list.
    void TakeOverFormat();

    // The confirmed format; changed only by TakeOverFormat.
    std::uint32_t SampleRate() const { return m_sampleRate; }
    std::uint8_t BitsPerSample() const { return m_bitsPerSample; }
    std::uint8_t Channels() const { return m_channels; }
    const std::vector<RecordFormat>& SupportedFormats() const { return m_supportedFormats; }

    // Handlers.
    void RecordingSamplingRateComboBoxChange();
    void RecordingBitRateComboBoxChange();
    void OkButtonClick();
    void CancelButtonClick();
    void HelpButtonClick();

    QComboBox* RecordingSamplingRateComboBox = nullptr;
    QComboBox* RecordingBitRateComboBox = nullptr;
    QComboBox* RecordingChannelComboBox = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

private:
    std::uint32_t selectedRate() const;
    int selectedBits() const;
    void fillBits();
    void fillChannels();

    FormatQuery m_query;
    UserDialogs& m_dialogs;
    std::vector<RecordFormat> m_supportedFormats;
    std::uint32_t m_sampleRate = 44100;
    std::uint8_t m_bitsPerSample = 16;
    std::uint8_t m_channels = 2;
    bool m_filling = false;
};

}  // namespace sonthra
