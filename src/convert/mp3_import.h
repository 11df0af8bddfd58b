// One MP3 to WAV conversion on a worker thread, as the conversion window and sonthra-cli run
// it: start, poll finished() and percent(), cancel(); dropping the job waits for the worker.
#pragma once

#include <cstdint>
#include <string>

#include "convert/conversion_worker.h"
#include "convert/cv_mp3_wav.h"

namespace sonthra {

// The caption of the MP3 to WAV window.
inline constexpr const char* kMp3ToWaveCaption = "Corvanta Sonthra MP3 To Wave Conversion";

// The space the WAV working copy of an MP3 file is expected to take: the file's size times
// 44,100 x 16 x 2 over the bitrate in bit/s. A bitrate of 0 (the file's could not be read)
// gives 0: the conversion then reports what is wrong with the file.
std::uint64_t mp3WorkingCopyBytes(std::uint64_t mp3FileBytes, std::uint32_t kbps);

class Mp3ImportJob {
public:
    // False when no thread could be started (then show 235).
    bool start(const std::string& source, const std::string& destination);
    bool finished() const { return m_worker.finished(); }
    // A code of cv_mp3_wav.h (241 when the converter failed by an exception); valid once
    // finished.
    int result() const { return m_worker.result(); }
    int percent() const { return m_converter.GetStatus(); }
    void cancel() { m_converter.StopConversion(); }
    void wait() { m_worker.join(); }
    // After success: part of the file could not be decoded.
    bool damaged() const { return m_converter.damaged(); }
    CVMP3WAV& converter() { return m_converter; }

private:
    CVMP3WAV m_converter;
    ConversionWorker m_worker;
};

}  // namespace sonthra
