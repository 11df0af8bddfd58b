// Shared by the two WMA libraries: reading any audio file FFmpeg can open as a stream of
// frames in the sample format the caller needs, the ASF copy-protection check, and the output
// file that only replaces its target once it is complete.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

namespace wmaplugin {

// The exact length of the audio in sample frames, which our WMA files carry as a header value,
// since WMA codes whole frames (of up to 2,048 samples): written as digits of a fixed width, so
// that the header keeps its size when the value is known at the end.
inline constexpr const char* kLengthTag = "SonthraSampleFrames";
inline constexpr std::size_t kLengthDigits = 12;
std::string lengthText(std::int64_t frames);
// Frames of silence after the audio that bring its last samples out of the encoder.
inline constexpr int kTrailingFrames = 1;

// What went wrong while opening or reading a source.
enum class ReadError { None, Open, NotAudio, NoDecoder, Decode, Cancelled };

// What a source is before FFmpeg is let at it: a pipe, a device or a folder would block or
// fail its reads; a file that does not start with the ASF header is no WMA file (the ASF reader
// refuses it as its first step); an ASF header that names a content encryption object means a
// copy protected file.
enum class SourceCheck { Asf, Protected, NotAsf, NotAFile };
SourceCheck checkSource(const std::string& path);
// The same over bytes already read (the start of the file).
bool asfHeaderIsProtected(const unsigned char* data, std::size_t size);

// Decodes the first audio stream of a file and hands its samples on converted to one output
// format. The cancel flag, when given, also interrupts blocking reads.
class AudioReader {
public:
    AudioReader() = default;
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // requireWma: only the WMA codecs in an ASF container are taken.
    ReadError open(const std::string& path, bool requireWma, const volatile std::int32_t* cancel);
    int sampleRate() const { return m_decoder ? m_decoder->sample_rate : 0; }
    int channels() const { return m_decoder ? m_decoder->ch_layout.nb_channels : 0; }
    // Bits per second of the stream (of the container when the stream has none), 0 unknown.
    std::int64_t bitRate() const;
    // Bytes of the file read so far, out of fileSize().
    std::int64_t position() const;
    std::int64_t fileSize() const;

    // Sets the output: sample format, rate and channel count (1 or 2).
    bool setOutput(AVSampleFormat format, int rate, int channels);
    // Next block of converted samples into frame (reallocated as needed); false at the end or
    // on an error (see error()). A flush after the last packet empties the resampler.
    bool next(AVFrame* frame);
    ReadError error() const { return m_error; }

private:
    bool decodeMore();
    bool convert(AVFrame* in, AVFrame* out);
    bool keepStatedLength(AVFrame* frame);

    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_decoder = nullptr;
    SwrContext* m_resampler = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_decoded = nullptr;
    int m_stream = -1;
    AVSampleFormat m_outFormat = AV_SAMPLE_FMT_NONE;
    int m_outRate = 0;
    AVChannelLayout m_outLayout{};
    const AVFrame* m_out = nullptr;  // the frame whose buffer holds m_outCapacity samples
    int m_outCapacity = 0;
    const volatile std::int32_t* m_cancel = nullptr;
    bool m_inputDone = false;
    bool m_drained = false;
    bool m_flushed = false;
    int m_badPackets = 0;
    ReadError m_error = ReadError::None;
    std::int64_t m_length = -1;  // the stated length in frames, -1 when none
    std::int64_t m_given = 0;    // frames handed out so far
};

// Writes progress as a whole percent (0..99 while running).
void storePercent(volatile std::int32_t* progress, std::int64_t done, std::int64_t total);

}  // namespace wmaplugin
