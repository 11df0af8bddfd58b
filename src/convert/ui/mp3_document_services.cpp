#include "convert/ui/mp3_document_services.h"

#include <algorithm>

#include "convert/cv_mp3_wav.h"
#include "convert/mp3_import.h"
#include "convert/ui/mp3_to_wave_form.h"
#include "convert/ui/wave_to_mp3_form.h"
#include "messages/message_table.h"

namespace sonthra {

Mp3DocumentServices::Mp3DocumentServices(UserDialogs& dialogs, Settings* settings, QWidget* parent)
    : m_dialogs(dialogs), m_settings(settings), m_parent(parent) {}

Mp3DocumentServices::~Mp3DocumentServices() {
    // Windows without a parent are ours to free.
    if (!m_parent) {
        delete m_toWave;
        delete m_toMp3;
    }
}

bool Mp3DocumentServices::canConvert(const std::string& path) {
    CVMP3WAV converter;
    return converter.IsConversionPossible(path);
}

std::uint32_t Mp3DocumentServices::bitRate(const std::string& path) {
    CVMP3WAV converter;
    return static_cast<std::uint32_t>(converter.GetBitRateOfMp3File(path));
}

int Mp3DocumentServices::convertToWave(const std::string& source, const std::string& destination) {
    if (!m_toWave) m_toWave = new Tmp3towaveForm(m_dialogs, m_parent);
    return m_toWave->ConvertMP3ToWave(source, destination, kMp3ToWaveCaption);
}

int Mp3DocumentServices::encode(const std::string& source, const std::string& target, bool saveAs,
                                std::int32_t suggestedKbps) {
    if (!m_toMp3) m_toMp3 = new TWaveToMP3ConversionForm(m_dialogs, m_settings, m_parent);
    if (m_toMp3->PrepareMP3Conversion(source, target) != 0) return kCancelled;
    const bool cancelled = m_toMp3->ShowMP3ConversionDialog(
        saveAs ? "SaveAs" : "Save", static_cast<std::uint32_t>(std::max(suggestedKbps, 0)));
    // The window closes after a failure too, having shown it; only a finished encoding counts.
    return !cancelled && m_toMp3->lastResult() == 0 ? 0 : kCancelled;
}

}  // namespace sonthra
