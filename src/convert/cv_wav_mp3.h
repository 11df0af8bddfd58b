// WAV to MP3 through the system's codec library, FFmpeg (libavcodec's MP3 encoder and
// libavformat's MP3 writer, which adds the info frame with the encoder delay and padding). It
// converts a whole file per call and is polled for its progress; no ID3 tag is written, the
// caller adds its own afterwards.
//
// ConvertWaveFileToMp3 runs on a worker thread; GetStatusWavToMP3 and StopConversionWavToMP3
// may be called from any other thread meanwhile.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace sonthra {

// The name this encoder has in the encoder list.
inline constexpr const char* kSystemEncoderName = "FFmpeg MP3 Encoder";

class CVWAVMP3 {
public:
    virtual ~CVWAVMP3() = default;
    // 0 when an MP3 encoder is present and takes the source's format; 438 when the machine
    // has no MP3 encoder; 433 when the source is not a PCM WAV file it can read.
    virtual int IsValidMP3CodecFound(const std::string& source);
    // flag becomes 1 when the encoder can write the source at bitsPerSecond, else 0.
    virtual void IsBitrateSupported(const std::string& source, std::uint32_t bitsPerSecond,
                                    unsigned char& flag);
    // 0, or 433 source unreadable, 438 no encoder, 406 bitrate refused, 405 the encoder would
    // not start, 408 the new file cannot be created, 417 a write failed, 432 the disk is
    // full, 429 the source could not be read to its end, 431 stopped. The destination is
    // replaced only on success.
    int ConvertWaveFileToMp3(const std::string& source, const std::string& destination,
                             std::uint32_t bitsPerSecond);
    int GetStatusWavToMP3() const { return m_percent.load(); }
    void StopConversionWavToMP3() { m_stop.store(true); }
    // Clears an old stop request and the progress; call before starting the worker.
    void armConversion() {
        m_stop.store(false);
        m_percent.store(0);
    }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_percent{0};
};

// The bitrates in kbit/s that an MPEG audio stream at this sample rate can carry in constant
// bitrate frames; false for a rate MP3 has no frames for.
bool mp3BitrateFits(std::uint32_t sampleRate, std::uint32_t kbps);

}  // namespace sonthra
