// MP3 to WAV over libmpg123: the converter the program opens MP3 files with, its bitrate query,
// and a probe of an MP3 file's format and length.
//
// Decoding is gapless: the encoder delay and padding recorded in the file's info frame are
// taken off, so a file made from a WAV decodes to the same number of frames. A truncated or
// partly corrupt file decodes as far as it can; the result is then still a complete WAV file
// and damaged() says that some of the audio was lost. The destination is written beside itself
// and renamed into place at the end, so a failed or stopped conversion leaves it as it was.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace sonthra {

struct Mp3FileInfo {
    std::uint32_t sampleRate = 0;
    std::uint16_t channels = 0;
    std::uint64_t frames = 0;       // sample frames after the gapless trim
    std::uint32_t bitrateKbps = 0;  // the average for a variable-bitrate file
    bool variableBitrate = false;
};

// Fills info from the file's headers (the whole file is scanned for an exact length). 0, or
// kCvOpenMp3Input when the file cannot be read, kCvInvalidMp3 when it holds no MP3 audio.
int probeMp3File(const std::string& path, Mp3FileInfo& info);

// The converter. ConvertMP3FileIntoWave runs on a worker thread; GetStatus and StopConversion
// may be called from any other thread meanwhile. One conversion at a time per object: the
// starting thread calls armConversion() before it starts the worker, so that a stop requested
// before the worker runs is still honoured and one left from an earlier run is not.
class CVMP3WAV {
public:
    // True when this machine can decode MP3 (the decoder library starts).
    bool IsConversionPossible(const std::string& mp3Path);
    // Decodes source into a 16-bit PCM WAV file at destination. Returns when done: 0,
    // kCvAborted after StopConversion, kCvOpenMp3Input, kCvInvalidMp3 (no audio at all),
    // kCvCreateOutput, kCvWriteOutput or kCvNoTempSpace (the disk filled up).
    int ConvertMP3FileIntoWave(const std::string& source, const std::string& destination);
    // Percent done, 0..100.
    int GetStatus() const { return m_percent.load(); }
    // Makes a running (or armed) conversion end with kCvAborted.
    void StopConversion() { m_stop.store(true); }
    void armConversion() {
        m_stop.store(false);
        m_percent.store(0);
    }
    // The bitrate in kbit/s (the average for a variable-bitrate file), 0 when unreadable.
    int GetBitRateOfMp3File(const std::string& path);

    // After a successful conversion: part of the file could not be decoded (cut short or
    // corrupt), so the WAV holds less than the file promised.
    bool damaged() const { return m_damaged.load(); }
    // Sample frames written by the last conversion.
    std::uint64_t framesWritten() const { return m_frames.load(); }

private:
    std::atomic<int> m_percent{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_damaged{false};
    std::atomic<std::uint64_t> m_frames{0};
};

}  // namespace sonthra
