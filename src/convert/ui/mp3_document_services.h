// What opening and saving a document needs of MP3, in the shape the main window's MP3 hooks
// take: the convertibility check, the bitrate, the conversion to a WAV working copy under its
// window, and the encoding under the export window. The windows are made on first use and
// kept. Call only from the GUI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class QWidget;

namespace sonthra {

class Settings;
class Tmp3towaveForm;
class TWaveToMP3ConversionForm;
class UserDialogs;

class Mp3DocumentServices {
public:
    // settings may be null; parent owns the windows.
    Mp3DocumentServices(UserDialogs& dialogs, Settings* settings, QWidget* parent);
    ~Mp3DocumentServices();

    bool canConvert(const std::string& path);
    // kbit/s, the average for a variable-bitrate file; 0 when the file cannot be read.
    std::uint32_t bitRate(const std::string& path);
    // Decodes source into destination under "Corvanta Sonthra MP3 To Wave Conversion": 0, or
    // the converter's result (431 cancelled), its message shown.
    int convertToWave(const std::string& source, const std::string& destination);
    // Encodes the WAV file source to target in the export window's "SaveAs" or "Save" mode
    // with the suggested bitrate: 0 when target now holds the new MP3; 129 when the user
    // cancelled, no encoder takes the source or the encoding failed (the reason shown). The
    // old target is untouched unless 0.
    int encode(const std::string& source, const std::string& target, bool saveAs,
               std::int32_t suggestedKbps);

private:
    UserDialogs& m_dialogs;
    Settings* m_settings;
    QWidget* m_parent;
    Tmp3towaveForm* m_toWave = nullptr;
    TWaveToMP3ConversionForm* m_toMp3 = nullptr;
};

}  // namespace sonthra
