// What the MP3 export window offers for a source file (the encoders and each one's bitrates,
// the remembered choice) and the export job it runs on a worker: either encoder, with its
// progress, cancel and result. Plain C++ so that the window, batch export and sonthra-cli
// share it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/conversion_worker.h"
#include "convert/cv_wav_mp3.h"
#include "convert/lame_encode_job.h"

namespace sonthra {

class Settings;

inline constexpr std::array<std::uint32_t, 16> kMp3BitrateCandidates = {
    20, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

// Preparing: 0 ready; 229 neither encoder is there (the window asks whether to fetch one);
// 230 no encoder takes this source.
inline constexpr int kMp3NoComponent = 229;
inline constexpr int kMp3SourceRefused = 230;

struct Mp3ExportChoices {
    bool lameAvailable = false;
    std::vector<std::string> encoders;  // "Lame Encoder" first when there, then the system one
    std::vector<std::uint32_t> lameBitrates;
    std::vector<std::uint32_t> systemBitrates;
    std::size_t selected = 0;  // index into encoders
    // "Not Opened" or "File Read Error" from the LAME test, shown once; empty when none.
    std::string readNotice;
    // 185 when the settings key could not be opened while reading the last choice, else 0.
    int settingsNotice = 0;

    // The list that belongs to an encoder name ("Lame Encoder" the LAME list, any other the
    // system list).
    const std::vector<std::uint32_t>& bitratesFor(const std::string& encoder) const;
    std::string selectedEncoder() const {
        return selected < encoders.size() ? encoders[selected] : std::string();
    }
};

// Builds the choices for source: the encoders present, both bitrate lists, and the stored
// "MP3 Export Codec" selected when both stored values read (settings may be null).
int prepareMp3Export(const std::string& source, const std::string& lameLibraryPath,
                     CVWAVMP3& system, Settings* settings, Mp3ExportChoices& choices);

// "Save" mode: whether the preset bitrate can be used with the encoder last started in this
// run ("Lame Encoder", compared without case, takes the LAME test; any other the system test).
bool mp3PresetUsable(const std::string& source, const std::string& lameLibraryPath,
                     CVWAVMP3& system, const std::string& lastEncoder, std::uint32_t kbps);

bool isLameEncoderName(const std::string& name);

// One export on a worker thread. Call start, then poll finished(); percent() and cancel() from
// the starting thread at any time. Dropping the job waits for the worker.
class Mp3ExportJob {
public:
    explicit Mp3ExportJob(std::string lameLibraryPath);

    // False when no thread could be started (then show 235).
    bool start(const std::string& source, const std::string& destination,
               const std::string& encoder, std::uint32_t kbps);
    bool finished() const { return m_worker.finished(); }
    // 0 or a code of convert_codes.h; valid once finished.
    int result() const { return m_worker.result(); }
    int percent() const;
    void cancel();
    void wait() { m_worker.join(); }
    bool lameMode() const { return m_lameMode; }

private:
    LameEncodeJob m_lame;
    CVWAVMP3 m_system;
    bool m_lameMode = true;
    ConversionWorker m_worker;
};

}  // namespace sonthra
