// The program's WMA writing library ("PCMtoWMA.so" beside the program), over FFmpeg's WMA
// version 2 encoder and ASF writer:
//
//   GetNumEncodersSupported(&count)                         1 when FFmpeg has the encoder
//   GetEncoderDetail(index, name[1024])                     kEncoderName
//   GetNumDestFormatsSupported(encoder, waveFormat, &count) the formats for a source
//   GetDestFormatDetail(encoder, waveFormat, index, text[1024])
//   ConvertFileToWMA(source, destination, formatIndex, encoder, &progress, &state, &cancel,
//                    &result)
//
// waveFormat is the source's 18-byte format record (tag, channels, rate, bytes per second,
// block align, bits, extra size; little-endian). The destination formats are the bitrates the
// encoder accepts at each sample rate up to the source's, in the source's channel count,
// ordered by rate, then bitrate: the last is the best the source can use.
//
// Calls return 0 or a code: 2 format not supported, 3 no such encoder, 6 the source cannot be
// read, 7 the destination cannot be written. ConvertFileToWMA writes state 1 while it runs, then
// 2 when cancelled, 3 finished or 4 failed, and the result code. The WMA goes to a temporary
// file beside the destination and replaces it only when complete.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/audio_fifo.h>
}

#include "wave/safe_file.h"
#include "wma_av.h"

#define WMA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* kEncoderName = "WMA Version 2 (FFmpeg)";
constexpr int kOk = 0;
constexpr int kFormatRefused = 2;
constexpr int kNoCodec = 3;
constexpr int kSourceUnreadable = 6;
constexpr int kWriteFailed = 7;
constexpr std::int32_t kRunning = 1;
constexpr std::int32_t kAborted = 2;
constexpr std::int32_t kFinished = 3;
constexpr std::int32_t kFailed = 4;
constexpr std::size_t kTextSize = 1024;

constexpr int kRates[] = {8000, 11025, 16000, 22050, 32000, 44100};
constexpr int kKbps[] = {24, 32, 40, 48, 64, 80, 96, 128, 160, 192, 256, 320};

struct DestFormat {
    int rate;
    int channels;
    int kbps;
};

const AVCodec* wmaEncoder() {
    return avcodec_find_encoder(AV_CODEC_ID_WMAV2);
}

bool encoderNamed(const char* name) {
    return name && std::strcmp(name, kEncoderName) == 0 && wmaEncoder();
}

AVCodecContext* openEncoder(const DestFormat& f) {
    const AVCodec* codec = wmaEncoder();
    if (!codec) return nullptr;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    if (!ctx) return nullptr;
    ctx->sample_fmt = AV_SAMPLE_FMT_FLTP;
    ctx->sample_rate = f.rate;
    av_channel_layout_default(&ctx->ch_layout, f.channels);
    ctx->bit_rate = static_cast<std::int64_t>(f.kbps) * 1000;
    ctx->time_base = AVRational{1, f.rate};
    ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(ctx, codec, nullptr) < 0) avcodec_free_context(&ctx);
    return ctx;
}

// The formats offered for a source, probed once per rate and channel count.
std::vector<DestFormat> formatsFor(int sourceRate, int sourceChannels) {
    static std::mutex lock;
    static std::map<std::pair<int, int>, std::vector<DestFormat>> cache;
    const int channels = sourceChannels >= 2 ? 2 : 1;
    std::lock_guard<std::mutex> guard(lock);
    const auto key = std::make_pair(sourceRate, channels);
    if (auto found = cache.find(key); found != cache.end()) return found->second;
    std::vector<int> rates;
    for (int rate : kRates)
        if (rate < sourceRate) rates.push_back(rate);
    rates.push_back(sourceRate > 48000 ? 48000 : sourceRate);
    std::vector<DestFormat> formats;
    for (int rate : rates) {
        for (int kbps : kKbps) {
            // More than half the 16-bit PCM rate buys nothing.
            if (static_cast<std::int64_t>(kbps) * 1000 * 2 >
                static_cast<std::int64_t>(rate) * channels * 16)
                continue;
            const DestFormat f{rate, channels, kbps};
            AVCodecContext* ctx = openEncoder(f);
            if (!ctx) continue;
            avcodec_free_context(&ctx);
            formats.push_back(f);
        }
    }
    cache[key] = formats;
    return formats;
}

bool readWaveFormat(const unsigned char* wfx, int& rate, int& channels) {
    if (!wfx) return false;
    channels = wfx[2] | (wfx[3] << 8);
    rate = static_cast<int>(static_cast<std::uint32_t>(wfx[4]) | (wfx[5] << 8) | (wfx[6] << 16) |
                            (static_cast<std::uint32_t>(wfx[7]) << 24));
    return channels >= 1 && rate >= 1000 && rate <= 384000;
}

std::string describe(const DestFormat& f) {
    char rate[32];
    if (f.rate % 1000 == 0)
        std::snprintf(rate, sizeof rate, "%d", f.rate / 1000);
    else
        std::snprintf(rate, sizeof rate, "%g", f.rate / 1000.0);
    char text[96];
    std::snprintf(text, sizeof text, "%d kbps, %s kHz, %s CBR", f.kbps, rate,
                  f.channels == 1 ? "mono" : "stereo");
    return text;
}

// One encoding into an open ASF writer.
class Encoding {
public:
    ~Encoding() {
        av_audio_fifo_free(m_fifo);
        av_frame_free(&m_frame);
        av_packet_free(&m_packet);
        avcodec_free_context(&m_encoder);
        if (m_output) {
            if (m_output->pb) avio_closep(&m_output->pb);
            avformat_free_context(m_output);
        }
    }

    int open(const DestFormat& f, const std::string& path) {
        m_encoder = openEncoder(f);
        if (!m_encoder) return kFormatRefused;
        m_fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, f.channels, m_encoder->frame_size * 2);
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        if (!m_fifo || !m_frame || !m_packet) return kWriteFailed;
        if (avformat_alloc_output_context2(&m_output, nullptr, "asf", path.c_str()) < 0)
            return kWriteFailed;
        AVStream* stream = avformat_new_stream(m_output, nullptr);
        if (!stream || avcodec_parameters_from_context(stream->codecpar, m_encoder) < 0)
            return kWriteFailed;
        stream->time_base = m_encoder->time_base;
        if (avio_open(&m_output->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return kWriteFailed;
        // The length goes into the header when the file is finished, in a value of the same
        // width, so that the header keeps its size.
        if (av_dict_set(&m_output->metadata, wmaplugin::kLengthTag,
                        wmaplugin::lengthText(0).c_str(), 0) < 0 ||
            avformat_write_header(m_output, nullptr) < 0)
            return kWriteFailed;
        // A decoder gives nothing for the first frame of a stream: a frame of silence goes
        // first, so that the audio starts with the decoder's first output.
        return encodeFrame(0);
    }

    // Queues samples and encodes every whole frame.
    int add(const AVFrame* samples) {
        if (av_audio_fifo_write(m_fifo, reinterpret_cast<void**>(samples->extended_data),
                                samples->nb_samples) < samples->nb_samples)
            return kWriteFailed;
        m_frames += samples->nb_samples;
        while (av_audio_fifo_size(m_fifo) >= m_encoder->frame_size) {
            if (const int code = encodeFrame(m_encoder->frame_size); code != kOk) return code;
        }
        return kOk;
    }

    // Encodes what is left (padded with silence when the encoder needs whole frames), drains
    // the encoder and closes the file.
    std::int64_t frames() const { return m_frames; }

    int finish() {
        if (const int left = av_audio_fifo_size(m_fifo); left > 0) {
            if (const int code = encodeFrame(left); code != kOk) return code;
        }
        // The encoder holds back a frame's worth of audio for its overlap: frames of silence
        // push the last samples out, and the length written with them tells a decoder where
        // the audio ends.
        for (int i = 0; i < wmaplugin::kTrailingFrames; ++i) {
            if (const int code = encodeFrame(0); code != kOk) return code;
        }
        if (avcodec_send_frame(m_encoder, nullptr) < 0 || drain() != kOk) return kWriteFailed;
        if (av_dict_set(&m_output->metadata, wmaplugin::kLengthTag,
                        wmaplugin::lengthText(m_frames).c_str(), 0) < 0 ||
            av_write_trailer(m_output) < 0)
            return kWriteFailed;
        if (avio_closep(&m_output->pb) < 0) return kWriteFailed;
        return kOk;
    }

private:
    int encodeFrame(int count) {
        const bool shortAllowed =
            m_encoder->codec->capabilities &
            (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
        av_frame_unref(m_frame);
        m_frame->format = AV_SAMPLE_FMT_FLTP;
        m_frame->sample_rate = m_encoder->sample_rate;
        av_channel_layout_copy(&m_frame->ch_layout, &m_encoder->ch_layout);
        m_frame->nb_samples = shortAllowed && count > 0 ? count : m_encoder->frame_size;
        if (av_frame_get_buffer(m_frame, 0) < 0) return kWriteFailed;
        av_samples_set_silence(m_frame->extended_data, 0, m_frame->nb_samples,
                               m_frame->ch_layout.nb_channels, AV_SAMPLE_FMT_FLTP);
        if (av_audio_fifo_read(m_fifo, reinterpret_cast<void**>(m_frame->extended_data), count) <
            count)
            return kWriteFailed;
        m_frame->pts = m_pts;
        m_pts += m_frame->nb_samples;
        if (avcodec_send_frame(m_encoder, m_frame) < 0) return kWriteFailed;
        return drain();
    }

    int drain() {
        while (true) {
            const int got = avcodec_receive_packet(m_encoder, m_packet);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return kOk;
            if (got < 0) return kWriteFailed;
            m_packet->stream_index = 0;
            av_packet_rescale_ts(m_packet, m_encoder->time_base, m_output->streams[0]->time_base);
            if (av_interleaved_write_frame(m_output, m_packet) < 0) return kWriteFailed;
        }
    }

    AVCodecContext* m_encoder = nullptr;
    AVFormatContext* m_output = nullptr;
    AVAudioFifo* m_fifo = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    std::int64_t m_pts = 0;
    std::int64_t m_frames = 0;  // sample frames of audio handed in
};

// The header's play duration counts the frames of silence around the audio as the packets do;
// readers that go by it (ffprobe's duration among them) learn the audio's own length instead,
// to the 100 ns the field holds.
bool statePlayDuration(const std::string& path, std::int64_t frames, int rate) {
    constexpr unsigned char kFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                                   0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
    constexpr std::size_t kPlayDuration = 64;  // after the object's start; the preroll follows
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    unsigned char header[4096];
    const ssize_t got = ::pread(fd, header, sizeof header, 0);
    bool stated = false;
    const auto end = got > 0 ? static_cast<std::size_t>(got) : 0;
    for (std::size_t at = 30; got > 0 && rate > 0 && at + kPlayDuration + 24 <= end; ++at) {
        if (std::memcmp(header + at, kFileProperties, sizeof kFileProperties) != 0) continue;
        std::uint64_t preroll = 0;
        for (int i = 7; i >= 0; --i) preroll = preroll << 8 | header[at + kPlayDuration + 16 + i];
        const std::uint64_t duration =
            static_cast<std::uint64_t>((frames * 10000000 + rate / 2) / rate) + preroll * 10000;
        unsigned char bytes[8];
        for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(duration >> (8 * i));
        stated = ::pwrite(fd, bytes, sizeof bytes, static_cast<off_t>(at + kPlayDuration)) ==
                 static_cast<ssize_t>(sizeof bytes);
        break;
    }
    return ::close(fd) == 0 && stated;
}

int finishWith(volatile std::int32_t* state, volatile std::int32_t* result, std::int32_t s,
               int code) {
    if (result) *result = code;
    if (state) *state = s;
    return code;
}

int convert(const char* source, const char* destination, int formatIndex, const char* encoder,
            volatile std::int32_t* progress, volatile std::int32_t* state,
            volatile std::int32_t* cancel, volatile std::int32_t* result) {
    if (state) *state = kRunning;
    if (!encoderNamed(encoder)) return finishWith(state, result, kFailed, kNoCodec);
    if (!source || !destination) return finishWith(state, result, kFailed, kSourceUnreadable);
    wmaplugin::AudioReader reader;
    const wmaplugin::ReadError opened = reader.open(source, false, cancel);
    if (opened == wmaplugin::ReadError::Cancelled) return finishWith(state, result, kAborted, kOk);
    if (opened != wmaplugin::ReadError::None)
        return finishWith(state, result, kFailed, kSourceUnreadable);
    const std::vector<DestFormat> formats = formatsFor(reader.sampleRate(), reader.channels());
    if (formatIndex < 0 || static_cast<std::size_t>(formatIndex) >= formats.size())
        return finishWith(state, result, kFailed, kFormatRefused);
    const DestFormat& format = formats[static_cast<std::size_t>(formatIndex)];
    if (!reader.setOutput(AV_SAMPLE_FMT_FLTP, format.rate, format.channels))
        return finishWith(state, result, kFailed, kSourceUnreadable);

    sonthra::SafeFileWriter out(destination);
    if (!out.open()) return finishWith(state, result, kFailed, kWriteFailed);
    int code = kOk;
    {
        Encoding encoding;
        code = encoding.open(format, out.tempPath());
        AVFrame* frame = av_frame_alloc();
        if (!frame) code = kWriteFailed;
        while (code == kOk && reader.next(frame)) {
            code = encoding.add(frame);
            wmaplugin::storePercent(progress, reader.position(), reader.fileSize());
        }
        av_frame_free(&frame);
        if (code == kOk && reader.error() == wmaplugin::ReadError::Cancelled)
            return finishWith(state, result, kAborted, kOk);
        if (code == kOk && reader.error() != wmaplugin::ReadError::None) code = kSourceUnreadable;
        if (code == kOk) code = encoding.finish();
        if (code == kOk && !statePlayDuration(out.tempPath(), encoding.frames(), format.rate))
            code = kWriteFailed;
    }
    if (code == kOk && !out.commit()) code = kWriteFailed;
    if (code != kOk) return finishWith(state, result, kFailed, code);
    if (progress) *progress = 100;
    return finishWith(state, result, kFinished, kOk);
}

}  // namespace

WMA_EXPORT int GetNumEncodersSupported(std::int32_t* count) {
    if (!count) return kNoCodec;
    *count = wmaEncoder() ? 1 : 0;
    return kOk;
}

WMA_EXPORT int GetEncoderDetail(std::int32_t index, char* name) {
    if (!name || index != 0 || !wmaEncoder()) return kNoCodec;
    std::snprintf(name, kTextSize, "%s", kEncoderName);
    return kOk;
}

WMA_EXPORT int GetNumDestFormatsSupported(const char* encoder, const unsigned char* waveFormat,
                                          std::int32_t* count) {
    try {
        if (!count) return kFormatRefused;
        *count = 0;
        if (!encoderNamed(encoder)) return kNoCodec;
        int rate = 0, channels = 0;
        if (!readWaveFormat(waveFormat, rate, channels)) return kOk;
        *count = static_cast<std::int32_t>(formatsFor(rate, channels).size());
        return kOk;
    } catch (...) {
        return kNoCodec;
    }
}

WMA_EXPORT int GetDestFormatDetail(const char* encoder, const unsigned char* waveFormat,
                                   std::int32_t index, char* text) {
    try {
        if (!text) return kFormatRefused;
        text[0] = '\0';
        if (!encoderNamed(encoder)) return kNoCodec;
        int rate = 0, channels = 0;
        if (!readWaveFormat(waveFormat, rate, channels)) return kFormatRefused;
        const std::vector<DestFormat> formats = formatsFor(rate, channels);
        if (index < 0 || static_cast<std::size_t>(index) >= formats.size()) return kFormatRefused;
        std::snprintf(text, kTextSize, "%s",
                      describe(formats[static_cast<std::size_t>(index)]).c_str());
        return kOk;
    } catch (...) {
        return kNoCodec;
    }
}

WMA_EXPORT int ConvertFileToWMA(const char* source, const char* destination,
                                std::int32_t formatIndex, const char* encoder,
                                std::int32_t* progress, std::int32_t* state, std::int32_t* cancel,
                                std::int32_t* result) {
    try {
        return convert(source, destination, formatIndex, encoder, progress, state, cancel, result);
    } catch (...) {
        return finishWith(state, result, kFailed, kWriteFailed);
    }
}
