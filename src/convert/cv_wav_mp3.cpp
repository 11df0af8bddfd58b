#include "convert/cv_wav_mp3.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "convert/convert_codes.h"
#include "convert/mp3_target.h"
#include "convert/pcm_source.h"
#include "wave/safe_file.h"

namespace sonthra {
namespace {

const AVCodec* mp3Encoder() {
    // libmp3lame when present (the better encoder), else whatever MP3 encoder the build has.
    const AVCodec* codec = avcodec_find_encoder_by_name("libmp3lame");
    return codec ? codec : avcodec_find_encoder(AV_CODEC_ID_MP3);
}

bool codecTakesRate(const AVCodec* codec, std::uint32_t rate) {
    if (!codec->supported_samplerates) return true;
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (static_cast<std::uint32_t>(*r) == rate) return true;
    return false;
}

AVSampleFormat planarFormat(const AVCodec* codec) {
    if (!codec->sample_fmts) return AV_SAMPLE_FMT_S16P;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_S16P || *f == AV_SAMPLE_FMT_S16) return *f;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_FLTP) return *f;
    return AV_SAMPLE_FMT_NONE;
}

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct MuxerFree {
    void operator()(AVFormatContext* oc) const {
        if (oc->pb) avio_closep(&oc->pb);
        avformat_free_context(oc);
    }
};

// One encoding into the new file beside the target.
class Encoding {
public:
    Encoding(PcmSource& input, std::atomic<bool>& stop, std::atomic<int>& percent)
        : m_input(input), m_stop(stop), m_percent(percent) {}

    int run(const std::string& destination, std::uint32_t bitsPerSecond);

private:
    int openEncoder(const AVCodec* codec, std::uint32_t bitsPerSecond);
    int openMuxer(const std::string& path);
    int fillFrame(const std::int16_t* samples, int frames);
    int send(AVFrame* frame);

    PcmSource& m_input;
    std::atomic<bool>& m_stop;
    std::atomic<int>& m_percent;
    std::unique_ptr<AVCodecContext, CodecFree> m_codec;
    std::unique_ptr<AVFormatContext, MuxerFree> m_muxer;
    std::unique_ptr<AVFrame, FrameFree> m_frame;
    std::unique_ptr<AVPacket, PacketFree> m_packet;
    AVStream* m_stream = nullptr;
    std::int64_t m_pts = 0;
};

int Encoding::openEncoder(const AVCodec* codec, std::uint32_t bitsPerSecond) {
    const WaveFormat& format = m_input.format();
    m_codec.reset(avcodec_alloc_context3(codec));
    if (!m_codec) return kCvNoResources;
    m_codec->sample_fmt = planarFormat(codec);
    m_codec->sample_rate = static_cast<int>(format.sampleRate);
    av_channel_layout_default(&m_codec->ch_layout, format.channels);
    m_codec->bit_rate = bitsPerSecond;
    m_codec->time_base = AVRational{1, m_codec->sample_rate};
    if (m_codec->sample_fmt == AV_SAMPLE_FMT_NONE) return kCvCodecInit;
    if (avcodec_open2(m_codec.get(), codec, nullptr) < 0) return kCvCodecInit;
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_frame || !m_packet) return kCvNoResources;
    return kConvertOk;
}

int Encoding::openMuxer(const std::string& path) {
    AVFormatContext* oc = nullptr;
    if (avformat_alloc_output_context2(&oc, nullptr, "mp3", path.c_str()) < 0 || !oc)
        return kCvCreateOutput;
    m_muxer.reset(oc);
    m_stream = avformat_new_stream(oc, nullptr);
    if (!m_stream || avcodec_parameters_from_context(m_stream->codecpar, m_codec.get()) < 0)
        return kCvNoResources;
    m_stream->time_base = AVRational{1, m_codec->sample_rate};
    if (avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return kCvCreateOutput;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "id3v2_version", "0", 0);  // the caller writes the tags
    av_dict_set(&options, "write_xing", "1", 0);
    const int header = avformat_write_header(oc, &options);
    av_dict_free(&options);
    return header < 0 ? kCvWriteOutput : kConvertOk;
}

int Encoding::fillFrame(const std::int16_t* samples, int frames) {
    AVFrame* f = m_frame.get();
    av_frame_unref(f);
    f->nb_samples = frames;
    f->format = m_codec->sample_fmt;
    f->sample_rate = m_codec->sample_rate;
    if (av_channel_layout_copy(&f->ch_layout, &m_codec->ch_layout) < 0 ||
        av_frame_get_buffer(f, 0) < 0)
        return kCvNoResources;
    const int channels = m_codec->ch_layout.nb_channels;
    for (int c = 0; c < channels; ++c) {
        for (int i = 0; i < frames; ++i) {
            const std::int16_t v = samples[i * channels + c];
            switch (m_codec->sample_fmt) {
                case AV_SAMPLE_FMT_S16:
                    reinterpret_cast<std::int16_t*>(f->data[0])[i * channels + c] = v;
                    break;
                case AV_SAMPLE_FMT_FLTP:
                    reinterpret_cast<float*>(f->data[c])[i] = static_cast<float>(v) / 32768.0f;
                    break;
                default:
                    reinterpret_cast<std::int16_t*>(f->data[c])[i] = v;
                    break;
            }
        }
    }
    f->pts = m_pts;
    m_pts += frames;
    return kConvertOk;
}

// Hands a frame (nullptr: the end) to the encoder and writes every packet it gives back.
int Encoding::send(AVFrame* frame) {
    if (avcodec_send_frame(m_codec.get(), frame) < 0) return kCvCorruptInput;
    for (;;) {
        const int got = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return kConvertOk;
        if (got < 0) return kCvCorruptInput;
        m_packet->stream_index = m_stream->index;
        av_packet_rescale_ts(m_packet.get(), m_codec->time_base, m_stream->time_base);
        const int written = av_write_frame(m_muxer.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (written < 0) return kCvWriteOutput;
    }
}

int Encoding::run(const std::string& destination, std::uint32_t bitsPerSecond) {
    const AVCodec* codec = mp3Encoder();
    if (!codec) return kCvNoMp3Codec;
    int code = openEncoder(codec, bitsPerSecond);
    if (code != kConvertOk) return code;

    SafeFileWriter target(destination, mp3TargetMode(destination));
    if (!target.open()) return kCvCreateOutput;
    code = openMuxer(target.tempPath());
    if (code != kConvertOk) return code;

    const int channels = m_input.format().channels;
    const int frameSize = m_codec->frame_size > 0 ? m_codec->frame_size : 1152;
    const std::size_t sourceFrameBytes = m_input.format().blockAlign;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(frameSize) * sourceFrameBytes);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frameSize) * channels);
    const std::uint64_t total = m_input.dataBytes();
    std::uint64_t done = 0;
    while (done + sourceFrameBytes <= total) {
        if (m_stop.load()) return kCvAborted;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), total - done));
        const std::size_t whole = want - want % sourceFrameBytes;
        if (m_input.read(bytes.data(), whole) != static_cast<std::int64_t>(whole))
            return kCvCorruptInput;
        if (m_input.format().bitsPerSample == 8) {
            widen8To16(bytes.data(), whole, samples.data());
        } else {
            std::memcpy(samples.data(), bytes.data(), whole);
        }
        const int frames = static_cast<int>(whole / sourceFrameBytes);
        if ((code = fillFrame(samples.data(), frames)) != kConvertOk) return code;
        if ((code = send(m_frame.get())) != kConvertOk) return code;
        done += whole;
        m_percent.store(static_cast<int>(done * 99 / total));
    }
    if ((code = send(nullptr)) != kConvertOk) return code;
    if (av_write_trailer(m_muxer.get()) < 0) return kCvWriteOutput;
    if (avio_closep(&m_muxer->pb) < 0) return kCvWriteOutput;
    if (!target.commit()) return target.error() == ENOSPC ? kCvNoTempSpace : kCvWriteOutput;
    m_percent.store(100);
    return kConvertOk;
}

}  // namespace

bool mp3BitrateFits(std::uint32_t sampleRate, std::uint32_t kbps) {
    static const std::uint32_t mpeg1[] = {32,  40,  48,  56,  64,  80,  96,
                                          112, 128, 160, 192, 224, 256, 320};
    static const std::uint32_t mpeg2[] = {8,  16, 24, 32,  40,  48,  56,
                                          64, 80, 96, 112, 128, 144, 160};
    bool known = false;
    for (std::uint32_t r : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u})
        known = known || r == sampleRate;
    if (!known) return false;
    for (std::uint32_t b : sampleRate >= 32000 ? mpeg1 : mpeg2)
        if (b == kbps) return true;
    return false;
}

int CVWAVMP3::IsValidMP3CodecFound(const std::string& source) {
    if (!mp3Encoder()) return kCvNoMp3Codec;
    PcmSource input;
    return input.open(source) == kConvertOk ? kConvertOk : kCvOpenWaveInput;
}

void CVWAVMP3::IsBitrateSupported(const std::string& source, std::uint32_t bitsPerSecond,
                                  unsigned char& flag) {
    flag = 0;
    const AVCodec* codec = mp3Encoder();
    PcmSource input;
    if (!codec || input.open(source) != kConvertOk) return;
    const std::uint32_t rate = input.format().sampleRate;
    if (bitsPerSecond % 1000 != 0 || !codecTakesRate(codec, rate)) return;
    flag = mp3BitrateFits(rate, bitsPerSecond / 1000) ? 1 : 0;
}

int CVWAVMP3::ConvertWaveFileToMp3(const std::string& source, const std::string& destination,
                                   std::uint32_t bitsPerSecond) {
    PcmSource input;
    if (input.open(source) != kConvertOk) return kCvOpenWaveInput;
    unsigned char flag = 0;
    IsBitrateSupported(source, bitsPerSecond, flag);
    if (!flag) return kCvBitrateRefused;
    Encoding encoding(input, m_stop, m_percent);
    return encoding.run(destination, bitsPerSecond);
}

}  // namespace sonthra
