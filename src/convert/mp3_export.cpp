#include "convert/mp3_export.h"

#include <strings.h>

#include "convert/convert_codes.h"
#include "convert/lame_library.h"
#include "settings/settings.h"

namespace sonthra {
namespace {

constexpr int kSettingsKeyFailed = 185;
constexpr int kStoreFailed = 183;
constexpr int kCallFailed = 231;

}  // namespace

bool isLameEncoderName(const std::string& name) {
    return ::strcasecmp(name.c_str(), kLameEncoderName) == 0;
}

const std::vector<std::uint32_t>& Mp3ExportChoices::bitratesFor(const std::string& encoder) const {
    return encoder == kLameEncoderName ? lameBitrates : systemBitrates;
}

int prepareMp3Export(const std::string& source, const std::string& lameLibraryPath,
                     CVWAVMP3& system, Settings* settings, Mp3ExportChoices& choices) {
    choices = {};
    const auto lame = LameLibrary::load(lameLibraryPath);
    choices.lameAvailable = lame != nullptr;
    if (choices.lameAvailable) choices.encoders.push_back(kLameEncoderName);
    const int codec = system.IsValidMP3CodecFound(source);
    const bool noSystemCodec = codec == kCvNoMp3Codec || codec == 436;
    if (!choices.lameAvailable && noSystemCodec) return kMp3NoComponent;
    if (!choices.lameAvailable && codec != kConvertOk) return kMp3SourceRefused;

    for (std::uint32_t kbps : kMp3BitrateCandidates) {
        if (lame) {
            std::string notice;
            if (lameBitrateSupported(*lame, source, kbps, &notice))
                choices.lameBitrates.push_back(kbps);
            if (choices.readNotice.empty()) choices.readNotice = notice;
        }
        if (codec == kConvertOk) {
            unsigned char flag = 0;
            system.IsBitrateSupported(source, kbps * 1000, flag);
            if (flag) choices.systemBitrates.push_back(kbps);
        }
    }
    if (!choices.systemBitrates.empty()) choices.encoders.push_back(kSystemEncoderName);
    if (choices.lameBitrates.empty() && choices.systemBitrates.empty()) return kMp3SourceRefused;

    if (settings) {
        const auto codecName = settings->readMp3ExportCodec();
        const auto bitrate = settings->readMp3ExportBitRate();
        if (codecName.result == kStoreFailed || codecName.result == kSettingsKeyFailed)
            choices.settingsNotice = kSettingsKeyFailed;
        if (codecName.result == 0 && bitrate.result == 0) {
            for (std::size_t i = 0; i < choices.encoders.size(); ++i)
                if (choices.encoders[i] == codecName.value) choices.selected = i;
        }
    }
    return kConvertOk;
}

bool mp3PresetUsable(const std::string& source, const std::string& lameLibraryPath,
                     CVWAVMP3& system, const std::string& lastEncoder, std::uint32_t kbps) {
    if (isLameEncoderName(lastEncoder)) {
        const auto lame = LameLibrary::load(lameLibraryPath);
        return lame && lameBitrateSupported(*lame, source, kbps);
    }
    unsigned char flag = 0;
    system.IsBitrateSupported(source, kbps * 1000, flag);
    return flag != 0;
}

Mp3ExportJob::Mp3ExportJob(std::string lameLibraryPath) : m_lame(std::move(lameLibraryPath)) {}

bool Mp3ExportJob::start(const std::string& source, const std::string& destination,
                         const std::string& encoder, std::uint32_t kbps) {
    m_worker.join();
    m_lameMode = isLameEncoderName(encoder);
    m_lame.arm();
    m_system.armConversion();
    if (m_lameMode) {
        return m_worker.start(
            [this, source, destination, kbps] { return m_lame.run(source, destination, kbps); },
            kLameEncodeFailed);
    }
    return m_worker.start(
        [this, source, destination, kbps] {
            return kbps > 0 ? m_system.ConvertWaveFileToMp3(source, destination, kbps * 1000)
                            : kCvBitrateRefused;
        },
        kCallFailed);
}

int Mp3ExportJob::percent() const {
    return m_lameMode ? m_lame.percent() : m_system.GetStatusWavToMP3();
}

void Mp3ExportJob::cancel() {
    if (m_lameMode) {
        m_lame.abort();
    } else {
        m_system.StopConversionWavToMP3();
    }
}

}  // namespace sonthra
