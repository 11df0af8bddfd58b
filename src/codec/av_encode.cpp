#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "codec/av_codec.h"
#include "codec/av_util.h"
#include "codec/pcm_wave.h"
#include "messages/message_table.h"
#include "wave/riff.h"
#include "wave/safe_file.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace sonthra {
namespace {

struct Target {
    const char* muxer;
    const char* codec;
    bool vorbisComments;
};

Target targetFor(EncodeKind kind) {
    switch (kind) {
        case EncodeKind::Flac:
            return {"flac", "flac", true};
        case EncodeKind::OggVorbis:
            return {"ogg", "libvorbis", true};
        case EncodeKind::Opus:
            return {"opus", "libopus", true};
        case EncodeKind::M4aAac:
            return {"ipod", "aac", false};
    }
    return {"", "", false};
}

// FFmpeg writes through these into the safe writer's temporary file.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
int writePacket(void* opaque, const std::uint8_t* buf, int size) {
#else
int writePacket(void* opaque, std::uint8_t* buf, int size) {
#endif
    auto* safe = static_cast<SafeFileWriter*>(opaque);
    const std::string_view bytes(reinterpret_cast<const char*>(buf),
                                 static_cast<std::size_t>(size));
    return safe->write(bytes) ? size : AVERROR(safe->error() ? safe->error() : EIO);
}

std::int64_t seekPacket(void* opaque, std::int64_t offset, int whence) {
    auto* safe = static_cast<SafeFileWriter*>(opaque);
    if (whence & AVSEEK_SIZE) {
        const off_t here = ::lseek(safe->fd(), 0, SEEK_CUR);
        const off_t end = ::lseek(safe->fd(), 0, SEEK_END);
        ::lseek(safe->fd(), here, SEEK_SET);
        return end;
    }
    const off_t at = ::lseek(safe->fd(), offset, whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

struct Output {
    AVFormatContext* format = nullptr;
    AVIOContext* io = nullptr;
    ~Output() {
        if (io != nullptr) av_freep(&io->buffer);
        avio_context_free(&io);
        avformat_free_context(format);
    }
};

struct Fifo {
    AVAudioFifo* f = nullptr;
    ~Fifo() { av_audio_fifo_free(f); }
};

void setTags(AVDictionary** dict, const AudioTags& tags, bool vorbis) {
    const auto put = [dict](const char* key, const std::string& value) {
        if (!value.empty()) av_dict_set(dict, key, value.c_str(), 0);
    };
    put(vorbis ? "TITLE" : "title", tags.title);
    put(vorbis ? "ARTIST" : "artist", tags.artist);
    put(vorbis ? "ALBUM" : "album", tags.album);
    put(vorbis ? "TRACKNUMBER" : "track", tags.track);
    put(vorbis ? "DATE" : "date", tags.date);
    put(vorbis ? "GENRE" : "genre", tags.genre);
    put(vorbis ? "COMMENT" : "comment", tags.comment);
}

// The Opus quality scale 0..10 as bits per second of a stereo stream: 5 (the default) is 96
// kbit/s, good music; 0 is 24, speech; 10 is 256, past what anyone hears.
int opusBitrateFor(double quality) {
    const double q = std::clamp(quality, 0.0, 10.0);
    return static_cast<int>(std::lround(q <= 5 ? 24000 + q * 14400 : 96000 + (q - 5) * 32000));
}

class Encoder {
public:
    Encoder(EncodeKind kind, std::string* reason) : m_kind(kind), m_reason(reason) {}
    int run(const std::string& inWav, const std::string& out, const EncodeSettings& settings,
            const AudioTags& tags, const CodecProgress& progress);

private:
    int fail(const std::string& why) {
        if (m_reason != nullptr) *m_reason = why;
        return kCodecSaveFailed;
    }
    int openEncoder(const EncodeSettings& settings);
    int convert(const unsigned char* bytes, std::size_t frames);
    int sendFrames(bool flush);
    int receivePackets();

    EncodeKind m_kind;
    std::string* m_reason;
    PcmWaveInfo m_in;
    Output m_out;
    AVStream* m_stream = nullptr;
    av::CodecContext m_enc;
    av::Resampler m_swr;
    Fifo m_fifo;
    Dither m_dither;
    std::int64_t m_pts = 0;
    std::vector<float> m_float;
    std::vector<std::int32_t> m_int;
    std::vector<unsigned char> m_bytes;
    av::Frame m_frame;
    av::Packet m_packet;
};

int Encoder::openEncoder(const EncodeSettings& s) {
    const Target target = targetFor(m_kind);
    const AVCodec* codec = avcodec_find_encoder_by_name(target.codec);
    if (codec == nullptr) return fail(std::string("FFmpeg was built without ") + target.codec);
    m_enc.c = avcodec_alloc_context3(codec);
    if (m_enc.c == nullptr) return kNoMemory;
    AVCodecContext* c = m_enc.c;
    const PcmFormat& f = m_in.format;
    av_channel_layout_default(&c->ch_layout, f.channels);
    c->sample_rate = m_kind == EncodeKind::Opus ? 48000 : static_cast<int>(f.sampleRate);
    c->time_base = AVRational{1, c->sample_rate};
    switch (m_kind) {
        case EncodeKind::Flac:
            if (s.flacLevel < 0 || s.flacLevel > 8) return fail("the level must be 0 to 8");
            c->compression_level = s.flacLevel;
            c->sample_fmt = f.bits <= 16 && !f.isFloat ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_S32;
            c->bits_per_raw_sample = c->sample_fmt == AV_SAMPLE_FMT_S16 ? 16 : 24;
            break;
        case EncodeKind::OggVorbis:
            c->sample_fmt = AV_SAMPLE_FMT_FLTP;
            if (s.bitrateKbps > 0) {
                c->bit_rate = s.bitrateKbps * 1000LL;
            } else {
                const double q = s.quality < -1 ? 5 : std::min(s.quality, 10.0);
                c->flags |= AV_CODEC_FLAG_QSCALE;
                c->global_quality = static_cast<int>(std::lround(q * FF_QP2LAMBDA));
            }
            break;
        case EncodeKind::Opus:
            c->sample_fmt = AV_SAMPLE_FMT_FLT;
            c->bit_rate = s.bitrateKbps > 0
                              ? s.bitrateKbps * 1000LL
                              : opusBitrateFor(s.quality < 0 ? 5 : s.quality) * f.channels / 2;
            break;
        case EncodeKind::M4aAac:
            c->sample_fmt = AV_SAMPLE_FMT_FLTP;
            c->bit_rate = (s.bitrateKbps > 0 ? s.bitrateKbps : 160) * 1000LL;
            break;
    }
    if (m_out.format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int err = avcodec_open2(c, codec, nullptr);
    if (err < 0) {
        return fail(std::string("the ") + target.codec + " encoder refused " +
                    std::to_string(f.sampleRate) + " Hz " + sampleFormatName(f) + " (" +
                    av::errorText(err) + ")");
    }
    if (m_kind != EncodeKind::Flac) {
        AVChannelLayout layout;
        av_channel_layout_default(&layout, f.channels);
        if (swr_alloc_set_opts2(&m_swr.s, &c->ch_layout, c->sample_fmt, c->sample_rate, &layout,
                                AV_SAMPLE_FMT_FLT, static_cast<int>(f.sampleRate), 0,
                                nullptr) < 0 ||
            swr_init(m_swr.s) < 0) {
            return fail("the samples cannot be converted for the encoder");
        }
    }
    m_fifo.f = av_audio_fifo_alloc(c->sample_fmt, f.channels, 8192);
    if (m_fifo.f == nullptr) return kNoMemory;
    return kSuccess;
}

// Sample bytes of the WAV into the encoder's format, queued in the fifo.
int Encoder::convert(const unsigned char* bytes, std::size_t frames) {
    const PcmFormat& f = m_in.format;
    const std::size_t count = frames * f.channels;
    if (m_kind == EncodeKind::Flac) {
        if (m_enc.c->sample_fmt == AV_SAMPLE_FMT_S16) {
            m_bytes.resize(count * 2);
            if (f.bits == 16) {
                std::copy(bytes, bytes + count * 2, m_bytes.begin());
            } else {
                // 8-bit samples are exact in 16 bits.
                for (std::size_t i = 0; i < count; ++i) {
                    const auto v = static_cast<std::uint16_t>((bytes[i] - 128) * 256);
                    m_bytes[2 * i] = static_cast<unsigned char>(v);
                    m_bytes[2 * i + 1] = static_cast<unsigned char>(v >> 8);
                }
            }
        } else {
            const unsigned char* src = bytes;
            if (f.bits != 24 || f.isFloat) {
                // 32-bit and float sources go into FLAC's 24 bits, dithered.
                m_float.resize(count);
                pcmToFloat(bytes, f, count, m_float.data());
                PcmFormat p24 = f;
                p24.bits = 24;
                p24.isFloat = false;
                m_bytes.resize(count * 3);
                floatToPcm(m_float.data(), count, p24, m_bytes.data(), &m_dither);
                src = m_bytes.data();
            }
            m_int.resize(count);
            for (std::size_t i = 0; i < count; ++i) {
                const unsigned char* p = src + 3 * i;
                m_int[i] = static_cast<std::int32_t>((static_cast<std::uint32_t>(p[0]) << 8) |
                                                     (static_cast<std::uint32_t>(p[1]) << 16) |
                                                     (static_cast<std::uint32_t>(p[2]) << 24));
            }
            void* data = m_int.data();
            if (av_audio_fifo_write(m_fifo.f, &data, static_cast<int>(frames)) < 0)
                return kNoMemory;
            return kSuccess;
        }
        void* data = m_bytes.data();
        if (av_audio_fifo_write(m_fifo.f, &data, static_cast<int>(frames)) < 0) return kNoMemory;
        return kSuccess;
    }
    m_float.resize(count);
    if (bytes != nullptr) pcmToFloat(bytes, f, count, m_float.data());
    const int room = swr_get_out_samples(m_swr.s, static_cast<int>(frames));
    if (room < 0) return fail("the samples cannot be converted for the encoder");
    av::Frame converted;
    converted.f->format = m_enc.c->sample_fmt;
    converted.f->nb_samples = room > 0 ? room : 1;
    av_channel_layout_copy(&converted.f->ch_layout, &m_enc.c->ch_layout);
    if (av_frame_get_buffer(converted.f, 0) < 0) return kNoMemory;
    const auto* in = reinterpret_cast<const std::uint8_t*>(m_float.data());
    const int got = swr_convert(m_swr.s, converted.f->extended_data, converted.f->nb_samples,
                                bytes != nullptr ? &in : nullptr,
                                bytes != nullptr ? static_cast<int>(frames) : 0);
    if (got < 0) return fail("the samples cannot be converted for the encoder");
    if (got > 0 && av_audio_fifo_write(
                       m_fifo.f, reinterpret_cast<void**>(converted.f->extended_data), got) < 0) {
        return kNoMemory;
    }
    return kSuccess;
}

int Encoder::receivePackets() {
    for (;;) {
        const int err = avcodec_receive_packet(m_enc.c, m_packet.p);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return kSuccess;
        if (err < 0) return fail("the encoder failed (" + av::errorText(err) + ")");
        m_packet.p->stream_index = m_stream->index;
        av_packet_rescale_ts(m_packet.p, m_enc.c->time_base, m_stream->time_base);
        const int put = av_interleaved_write_frame(m_out.format, m_packet.p);
        if (put < 0) return fail("the file cannot be written (" + av::errorText(put) + ")");
    }
}

// Feeds whole encoder frames from the fifo; on flush also the short rest and the end.
int Encoder::sendFrames(bool flush) {
    const int size = m_enc.c->frame_size > 0 ? m_enc.c->frame_size : 4096;
    while (av_audio_fifo_size(m_fifo.f) >= size || (flush && av_audio_fifo_size(m_fifo.f) > 0)) {
        const int n = std::min(size, av_audio_fifo_size(m_fifo.f));
        av_frame_unref(m_frame.f);
        m_frame.f->nb_samples = n;
        m_frame.f->format = m_enc.c->sample_fmt;
        m_frame.f->sample_rate = m_enc.c->sample_rate;
        av_channel_layout_copy(&m_frame.f->ch_layout, &m_enc.c->ch_layout);
        if (av_frame_get_buffer(m_frame.f, 0) < 0) return kNoMemory;
        if (av_audio_fifo_read(m_fifo.f, reinterpret_cast<void**>(m_frame.f->extended_data), n) !=
            n) {
            return kNoMemory;
        }
        m_frame.f->pts = m_pts;
        m_pts += n;
        const int err = avcodec_send_frame(m_enc.c, m_frame.f);
        if (err < 0) return fail("the encoder failed (" + av::errorText(err) + ")");
        if (const int code = receivePackets(); code != kSuccess) return code;
    }
    if (flush) {
        const int err = avcodec_send_frame(m_enc.c, nullptr);
        if (err < 0) return fail("the encoder failed (" + av::errorText(err) + ")");
        return receivePackets();
    }
    return kSuccess;
}

int Encoder::run(const std::string& inWav, const std::string& out, const EncodeSettings& settings,
                 const AudioTags& tags, const CodecProgress& progress) {
    av::quietLogs();
    const int fd = openRegularFile(inWav);
    if (fd < 0) return fail("the working copy cannot be read");
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    std::string why;
    if (!readPcmWaveHeader(fd, &m_in, &why)) return fail("the working copy is " + why);
    if (!isCodecPcm(m_in.format)) return fail("it takes mono or stereo only");

    const Target target = targetFor(m_kind);
    if (avformat_alloc_output_context2(&m_out.format, nullptr, target.muxer, nullptr) < 0) {
        return fail(std::string("FFmpeg was built without its ") + target.muxer + " writer");
    }
    if (const int code = openEncoder(settings); code != kSuccess) return code;
    m_stream = avformat_new_stream(m_out.format, nullptr);
    if (m_stream == nullptr) return kNoMemory;
    m_stream->time_base = m_enc.c->time_base;
    if (avcodec_parameters_from_context(m_stream->codecpar, m_enc.c) < 0) return kNoMemory;
    setTags(&m_out.format->metadata, tags, target.vorbisComments);
    // The Ogg writer takes the comments of each stream.
    if (m_kind == EncodeKind::OggVorbis || m_kind == EncodeKind::Opus) {
        setTags(&m_stream->metadata, tags, true);
    }

    SafeFileWriter safe(out);
    if (!safe.open())
        return fail("the folder cannot be written (" + std::string(std::strerror(safe.error())) +
                    ")");
    constexpr int kIoBuffer = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBuffer));
    if (buffer == nullptr) return kNoMemory;
    m_out.io = avio_alloc_context(buffer, kIoBuffer, 1, &safe, nullptr, writePacket, seekPacket);
    if (m_out.io == nullptr) {
        av_free(buffer);
        return kNoMemory;
    }
    m_out.format->pb = m_out.io;
    int err = avformat_write_header(m_out.format, nullptr);
    if (err < 0) return fail("the header cannot be written (" + av::errorText(err) + ")");

    const std::size_t block = m_in.format.blockAlign();
    const std::size_t chunkFrames = 16384;
    std::vector<unsigned char> raw(chunkFrames * block);
    std::uint64_t done = 0;
    while (done < m_in.dataBytes) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(raw.size(), m_in.dataBytes - done));
        const ssize_t got =
            ::pread(fd, raw.data(), want, static_cast<off_t>(m_in.dataOffset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return fail("the working copy cannot be read");
        const std::size_t frames = static_cast<std::size_t>(got) / block;
        if (frames == 0) break;
        done += frames * block;
        if (const int code = convert(raw.data(), frames); code != kSuccess) return code;
        if (const int code = sendFrames(false); code != kSuccess) return code;
        if (progress &&
            !progress(static_cast<double>(done) / static_cast<double>(m_in.dataBytes))) {
            return kCancelled;
        }
    }
    if (m_swr.s != nullptr) {
        if (const int code = convert(nullptr, 0); code != kSuccess) return code;
    }
    if (const int code = sendFrames(true); code != kSuccess) return code;
    err = av_write_trailer(m_out.format);
    if (err < 0) return fail("the file cannot be finished (" + av::errorText(err) + ")");
    avio_flush(m_out.io);
    if (m_out.io->error < 0)
        return fail("the file cannot be written (" + av::errorText(m_out.io->error) + ")");
    if (!safe.commit())
        return fail(std::string("the file cannot be put in place (") + std::strerror(safe.error()) +
                    ")");
    if (progress) progress(1.0);
    return kSuccess;
}

}  // namespace

std::string encodeKindName(EncodeKind kind) {
    switch (kind) {
        case EncodeKind::Flac:
            return "FLAC";
        case EncodeKind::OggVorbis:
            return "Ogg Vorbis";
        case EncodeKind::Opus:
            return "Opus";
        case EncodeKind::M4aAac:
            return "AAC (M4A)";
    }
    return "audio";
}

int encodeFromWave(const std::string& inWav, const std::string& out, EncodeKind kind,
                   const EncodeSettings& settings, const AudioTags& tags, std::string* reason,
                   const CodecProgress& progress) {
    Encoder encoder(kind, reason);
    return encoder.run(inWav, out, settings, tags, progress);
}

std::string encodeMessage(EncodeKind kind, const std::string& reason) {
    return FormatMessage(kCodecSaveFailed, {encodeKindName(kind), reason});
}

}  // namespace sonthra
