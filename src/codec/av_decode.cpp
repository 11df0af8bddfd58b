#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "codec/av_codec.h"
#include "codec/av_util.h"
#include "codec/pcm_wave.h"
#include "messages/message_table.h"
#include "wave/file_kind.h"
#include "wave/riff.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace sonthra {
namespace {

// The demuxer each kind is read with: a file is never handed to whichever demuxer FFmpeg's own
// probe would guess, so hostile bytes reach only the reader of the kind they claim to be.
const char* demuxerFor(FileKind kind) {
    switch (kind) {
        case FileKind::Wave:
        case FileKind::Rf64:
            return "wav";
        case FileKind::Aiff:
            return "aiff";
        case FileKind::Flac:
            return "flac";
        case FileKind::OggVorbis:
        case FileKind::OggOpus:
            return "ogg";
        case FileKind::Mp4:
            return "mov";
        case FileKind::Caf:
            return "caf";
        default:
            return nullptr;
    }
}

constexpr std::size_t kWriteBytes = 1 << 20;

struct Input {
    AVFormatContext* format = nullptr;
    av::CodecContext decoder;
    int stream = -1;
    ~Input() { avformat_close_input(&format); }
};

int fail(DecodeResult* r, const std::string& why) {
    r->reason = why;
    return kCodecOpenFailed;
}

void readTags(const AVDictionary* dict, AudioTags* tags) {
    const auto take = [dict](std::string& field, std::initializer_list<const char*> keys) {
        for (const char* key : keys) {
            if (!field.empty()) return;
            if (const AVDictionaryEntry* e = av_dict_get(dict, key, nullptr, 0)) field = e->value;
        }
    };
    take(tags->title, {"title"});
    take(tags->artist, {"artist", "album_artist"});
    take(tags->album, {"album"});
    take(tags->track, {"track", "tracknumber"});
    take(tags->date, {"date", "year"});
    take(tags->genre, {"genre"});
    take(tags->comment, {"comment", "description"});
}

bool isLosslessCodec(AVCodecID id) {
    const AVCodecDescriptor* d = avcodec_descriptor_get(id);
    return d != nullptr && (d->props & AV_CODEC_PROP_LOSSLESS) && !(d->props & AV_CODEC_PROP_LOSSY);
}

// Opens the file with the demuxer of its kind, finds its audio stream and opens the decoder.
int openInput(const std::string& path, Input* in, DecodeResult* r) {
    av::quietLogs();
    FileKindInfo info;
    if (!inspectFileKind(path, &info)) return fail(r, "the file cannot be read");
    r->formatName = fileKindName(info);
    const char* demuxer = demuxerFor(info.kind);
    if (info.kind == FileKind::Unknown)
        return fail(r, "it is not an audio file this program knows");
    if (demuxer == nullptr) return fail(r, "this reader does not take " + r->formatName + " files");
    // FFmpeg's chunked readers believe a chunk's size as far as allocating it, so a file whose
    // chunks claim more than it holds is refused first.
    const ChunkLayout layouts[] = {{12, 4, false, true, "data"},  // WAV, RF64
                                   {12, 4, true, true, "SSND"},   // AIFF, AIFC
                                   {8, 8, true, false, "data"}};  // CAF
    const ChunkLayout* layout = info.kind == FileKind::Wave || info.kind == FileKind::Rf64
                                    ? &layouts[0]
                                : info.kind == FileKind::Aiff ? &layouts[1]
                                : info.kind == FileKind::Caf  ? &layouts[2]
                                                              : nullptr;
    if (layout != nullptr) {
        const int fd = openRegularFile(path);
        const bool sound = fd >= 0 && chunksInBounds(fd, *layout);
        if (fd >= 0) ::close(fd);
        if (!sound) return fail(r, "it is damaged (its chunks claim more than the file holds)");
    }
    const AVInputFormat* format = av_find_input_format(demuxer);
    if (format == nullptr)
        return fail(r, "FFmpeg was built without its " + r->formatName + " reader");
    int err = avformat_open_input(&in->format, path.c_str(), format, nullptr);
    if (err < 0) return fail(r, "its header is damaged (" + av::errorText(err) + ")");
    err = avformat_find_stream_info(in->format, nullptr);
    if (err < 0) return fail(r, "its streams cannot be read (" + av::errorText(err) + ")");
    const AVCodec* codec = nullptr;
    in->stream = av_find_best_stream(in->format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (in->stream < 0) return fail(r, "it holds no audio stream");
    const AVCodecParameters* par = in->format->streams[in->stream]->codecpar;
    if (codec == nullptr) {
        const char* name = avcodec_get_name(par->codec_id);
        return fail(r, std::string("its codec (") + name + ") cannot be decoded");
    }
    readTags(in->format->metadata, &r->tags);
    readTags(in->format->streams[in->stream]->metadata, &r->tags);
    r->sourceChannels = par->ch_layout.nb_channels;
    r->lossless = isLosslessCodec(par->codec_id);
    if (r->sourceChannels <= 0 || par->sample_rate <= 0)
        return fail(r, "it names no channels or rate");
    in->decoder.c = avcodec_alloc_context3(codec);
    if (in->decoder.c == nullptr) return kNoMemory;
    if (avcodec_parameters_to_context(in->decoder.c, par) < 0) return kNoMemory;
    err = avcodec_open2(in->decoder.c, codec, nullptr);
    if (err < 0) return fail(r, "its decoder refused the stream (" + av::errorText(err) + ")");
    return kSuccess;
}

// The WAV format a decoded frame is kept in, at its own resolution.
bool outputFormat(const AVFrame* f, int rawBits, int channels, PcmFormat* out) {
    PcmFormat p;
    p.sampleRate = static_cast<std::uint32_t>(f->sample_rate);
    p.channels = static_cast<std::uint16_t>(channels);
    switch (av_get_packed_sample_fmt(static_cast<AVSampleFormat>(f->format))) {
        case AV_SAMPLE_FMT_U8:
            p.bits = 8;
            break;
        case AV_SAMPLE_FMT_S16:
            p.bits = 16;
            break;
        case AV_SAMPLE_FMT_S32:
            p.bits = rawBits > 16 && rawBits <= 24 ? 24 : 32;
            break;
        case AV_SAMPLE_FMT_FLT:
            p.bits = 32;
            p.isFloat = true;
            break;
        case AV_SAMPLE_FMT_DBL:
            p.bits = 64;
            p.isFloat = true;
            break;
        default:
            return false;
    }
    p.extensible = !p.isFloat && p.bits > 16;
    *out = p;
    return isCodecPcm(p);
}

// Appends the chosen channels of a frame to out in the WAV's byte layout, sample for sample.
void appendFrame(const AVFrame* f, const PcmFormat& wav, int first,
                 std::vector<unsigned char>& out) {
    const auto fmt = static_cast<AVSampleFormat>(f->format);
    const bool planar = av_sample_fmt_is_planar(fmt);
    const int size = av_get_bytes_per_sample(fmt);
    const int channels = f->ch_layout.nb_channels;
    const std::size_t outBytes = wav.bytesPerSample();
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(f->nb_samples) * wav.blockAlign());
    unsigned char* dst = out.data() + at;
    if (!planar && first == 0 && channels == wav.channels && static_cast<int>(outBytes) == size) {
        std::memcpy(dst, f->extended_data[0],
                    static_cast<std::size_t>(f->nb_samples) * wav.blockAlign());
        return;
    }
    for (int i = 0; i < f->nb_samples; ++i) {
        for (int c = 0; c < wav.channels; ++c) {
            const int ch = first + c;
            const unsigned char* src =
                planar ? f->extended_data[ch] + static_cast<std::size_t>(i) * size
                       : f->extended_data[0] + (static_cast<std::size_t>(i) * channels + ch) * size;
            if (static_cast<int>(outBytes) == size) {
                std::memcpy(dst, src, outBytes);
            } else {
                // 24 bits sit in the top of FFmpeg's 32-bit samples.
                std::memcpy(dst, src + 1, 3);
            }
            dst += outBytes;
        }
    }
}

}  // namespace

int probeAudioFile(const std::string& path, DecodeResult* result) {
    *result = DecodeResult{};
    Input in;
    return openInput(path, &in, result);
}

namespace {

// A RIFF or RF64 WAV of a format the codec layer takes holds its samples as the working copy
// wants them: they are copied as they are, by the kernel where it can, without FFmpeg. false
// (nothing done) for any other file, which FFmpeg then reads; otherwise result holds the code.
bool copyPlainWave(const std::string& path, const std::string& outWav, DecodeResult* r,
                   const CodecProgress& progress, int* code) {
    FileKindInfo info;
    if (!inspectFileKind(path, &info) ||
        (info.kind != FileKind::Wave && info.kind != FileKind::Rf64)) {
        return false;
    }
    const int fd = openRegularFile(path);
    if (fd < 0) return false;
    PcmWaveInfo wave;
    std::string why;
    const bool plain =
        readPcmWaveHeader(fd, &wave, &why) && isCodecPcm(wave.format) && wave.dataBytes > 0;
    if (plain) {
        r->formatName = fileKindName(info);
        r->lossless = true;
        r->sourceChannels = wave.format.channels;
        r->format = wave.format;
        r->format.extensible = !wave.format.isFloat && wave.format.bits > 16;
        auto writer = PcmWaveWriter::createReplacing(outWav, r->format);
        const int err =
            writer == nullptr
                ? EIO
                : writer->copyFrom(fd, wave.dataOffset, wave.dataBytes,
                                   [&](std::uint64_t done, std::uint64_t total) {
                                       return !progress || progress(double(done) / double(total));
                                   });
        if (err == ECANCELED) {
            *code = kCancelled;
        } else if (err != 0 || !writer->finish()) {
            *code = fail(r, "the working copy cannot be written");
        } else {
            r->frames = wave.dataBytes / wave.format.blockAlign();
            *code = kSuccess;
        }
    }
    ::close(fd);
    return plain;
}

}  // namespace

int decodeToWave(const std::string& path, const std::string& outWav, const DecodeOptions& options,
                 DecodeResult* result, const CodecProgress& progress) {
    *result = DecodeResult{};
    DecodeResult& r = *result;
    if (int code = 0; copyPlainWave(path, outWav, &r, progress, &code)) return code;
    Input in;
    if (const int code = openInput(path, &in, &r); code != kSuccess) return code;
    const bool mix = r.sourceChannels > 2 && options.channels == ChannelChoice::MixToStereo;
    int first = 0;
    if (r.sourceChannels > 2 && !mix) {
        first = options.firstChannel;
        if (first < 0 || first + 1 >= r.sourceChannels) {
            return fail(&r, "it has no channel pair " + std::to_string(first + 1) + " and " +
                                std::to_string(first + 2));
        }
    }
    const int rawBits = in.decoder.c->bits_per_raw_sample;
    struct stat st {};
    const double fileBytes = ::stat(path.c_str(), &st) == 0 && st.st_size > 0 ? st.st_size : 1.0;

    std::unique_ptr<PcmWaveWriter> writer;
    av::Resampler mixer;
    Dither dither;
    std::vector<unsigned char> bytes;
    std::vector<float> mixed;
    int frameFormat = -1, frameRate = 0, frameChannels = 0;
    av::Packet packet;
    av::Frame frame;

    // Mixes frames (or, with none, what the resampler still holds) onto the end of bytes.
    const auto mixInto = [&](std::uint8_t* const* planes, int frames) {
        const int room = swr_get_out_samples(mixer.s, frames);
        if (room < 0) return false;
        mixed.resize(static_cast<std::size_t>(room) * 2 + 2);
        auto* dst = reinterpret_cast<std::uint8_t*>(mixed.data());
        const int got =
            swr_convert(mixer.s, &dst, room, const_cast<const std::uint8_t**>(planes), frames);
        if (got < 0) return false;
        const std::size_t at = bytes.size();
        bytes.resize(at + static_cast<std::size_t>(got) * r.format.blockAlign());
        floatToPcm(mixed.data(), static_cast<std::size_t>(got) * 2, r.format, bytes.data() + at,
                   &dither);
        return true;
    };

    // Turns every frame the decoder has ready into WAV bytes; an error code or 0.
    const auto drain = [&]() -> int {
        for (;;) {
            const int err = avcodec_receive_frame(in.decoder.c, frame.f);
            if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return kSuccess;
            if (err < 0) return fail(&r, "its audio is damaged (" + av::errorText(err) + ")");
            const AVFrame* f = frame.f;
            if (writer == nullptr) {
                PcmFormat wav;
                const int channels = f->ch_layout.nb_channels;
                if (channels != r.sourceChannels ||
                    !outputFormat(f, rawBits, mix || channels > 2 ? 2 : channels, &wav)) {
                    return fail(&r, "its sample format is not supported");
                }
                if (mix) {
                    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
                    if (swr_alloc_set_opts2(&mixer.s, &stereo, AV_SAMPLE_FMT_FLT, f->sample_rate,
                                            const_cast<AVChannelLayout*>(&f->ch_layout),
                                            static_cast<AVSampleFormat>(f->format), f->sample_rate,
                                            0, nullptr) < 0 ||
                        swr_init(mixer.s) < 0) {
                        return fail(&r, "its channels cannot be mixed down");
                    }
                }
                writer = PcmWaveWriter::createReplacing(outWav, wav);
                if (writer == nullptr) return fail(&r, "the working copy cannot be written");
                r.format = wav;
                frameFormat = f->format;
                frameRate = f->sample_rate;
                frameChannels = channels;
            } else if (f->format != frameFormat || f->sample_rate != frameRate ||
                       f->ch_layout.nb_channels != frameChannels) {
                return fail(&r, "its sample format changes part way through");
            }
            if (mix) {
                if (!mixInto(f->extended_data, f->nb_samples)) {
                    return fail(&r, "its channels cannot be mixed down");
                }
            } else {
                appendFrame(f, r.format, first, bytes);
            }
            // Frames are a few kilobytes: the file gets them a megabyte at a time.
            if (bytes.size() >= kWriteBytes) {
                if (!writer->write(bytes.data(), bytes.size())) {
                    return fail(&r, "the working copy cannot be written");
                }
                bytes.clear();
            }
            av_frame_unref(frame.f);
        }
    };

    int code = kSuccess;
    for (;;) {
        const int err = av_read_frame(in.format, packet.p);
        if (err == AVERROR_EOF) break;
        if (err < 0) {
            code = fail(&r, "it is damaged or cut short (" + av::errorText(err) + ")");
            break;
        }
        if (packet.p->stream_index == in.stream) {
            const int sent = avcodec_send_packet(in.decoder.c, packet.p);
            av_packet_unref(packet.p);
            if (sent < 0) {
                code = fail(&r, "its audio is damaged (" + av::errorText(sent) + ")");
                break;
            }
            if ((code = drain()) != kSuccess) break;
            if (progress) {
                const double done = static_cast<double>(avio_tell(in.format->pb)) / fileBytes;
                if (!progress(done < 1 ? done : 1)) return kCancelled;
            }
        } else {
            av_packet_unref(packet.p);
        }
    }
    if (code == kSuccess && avcodec_send_packet(in.decoder.c, nullptr) >= 0) code = drain();
    if (code != kSuccess) return code;
    if (writer == nullptr) return fail(&r, "it holds no audio");
    if (mix && !mixInto(nullptr, 0)) return fail(&r, "its channels cannot be mixed down");
    if (!bytes.empty() && !writer->write(bytes.data(), bytes.size())) {
        return fail(&r, "the working copy cannot be written");
    }
    if (writer->dataBytes() == 0) return fail(&r, "it holds no audio");
    r.frames = writer->dataBytes() / r.format.blockAlign();
    if (!writer->finish()) return fail(&r, "the working copy cannot be written");
    if (progress) progress(1.0);
    return kSuccess;
}

std::string decodeMessage(const DecodeResult& result) {
    return FormatMessage(kCodecOpenFailed,
                         {result.formatName.empty() ? "audio" : result.formatName, result.reason});
}

}  // namespace sonthra
