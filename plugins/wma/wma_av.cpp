#include "wma_av.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "wave/riff.h"

namespace wmaplugin {
namespace {

// GUIDs as they are stored in the file (first three fields little-endian).
constexpr unsigned char kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                          0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr unsigned char kContentEncryption[16] = {0xFB, 0xB3, 0x11, 0x22, 0x23, 0xBD, 0xD2, 0x11,
                                                  0xB4, 0xB7, 0x00, 0xAA, 0x00, 0xD8, 0xB9, 0xD6};
constexpr unsigned char kExtendedContentEncryption[16] = {
    0x14, 0xE6, 0x8A, 0x29, 0x22, 0x26, 0x17, 0x4C, 0xB9, 0x35, 0xDA, 0xE0, 0x7E, 0xE9, 0x28, 0x9C};
constexpr std::size_t kHeaderScanLimit = 1 << 20;
// Packets that fail to decode in a row before the file counts as broken.
constexpr int kMaxBadPackets = 64;
// Output blocks hold at least this many samples: WMA frames are 2,048 at most.
constexpr int kOutputBlockSamples = 4096;

std::uint64_t le64(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

int interrupted(void* opaque) {
    const auto* cancel = static_cast<const volatile std::int32_t*>(opaque);
    return cancel && *cancel == 1 ? 1 : 0;
}

bool isWmaCodec(AVCodecID id) {
    return id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2 || id == AV_CODEC_ID_WMAPRO ||
           id == AV_CODEC_ID_WMALOSSLESS;
}

// A stream of the WMA codecs whose header gave its rate and channels.
bool statesWmaAudio(const AVFormatContext* format) {
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters* par = format->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO && isWmaCodec(par->codec_id) &&
            par->sample_rate > 0 && par->ch_layout.nb_channels > 0)
            return true;
    }
    return false;
}

// The length our own WMA files state, -1 for any other file (or a value that is not one).
std::int64_t statedLength(const AVFormatContext* format) {
    const AVDictionaryEntry* entry = av_dict_get(format->metadata, kLengthTag, nullptr, 0);
    if (!entry || !entry->value || std::strlen(entry->value) != kLengthDigits) return -1;
    std::int64_t frames = 0;
    for (const char* c = entry->value; *c; ++c) {
        if (*c < '0' || *c > '9') return -1;
        frames = frames * 10 + (*c - '0');
    }
    return frames;
}

}  // namespace

std::string lengthText(std::int64_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", static_cast<int>(kLengthDigits),
                  static_cast<long long>(std::max<std::int64_t>(frames, 0)));
    return text;
}

bool asfHeaderIsProtected(const unsigned char* data, std::size_t size) {
    if (size < 30 || std::memcmp(data, kAsfHeader, 16) != 0) return false;
    const std::uint64_t headerSize = le64(data + 16);
    const std::size_t end = headerSize < size ? static_cast<std::size_t>(headerSize) : size;
    std::size_t at = 30;
    while (at + 24 <= end) {
        const unsigned char* guid = data + at;
        if (std::memcmp(guid, kContentEncryption, 16) == 0 ||
            std::memcmp(guid, kExtendedContentEncryption, 16) == 0) {
            return true;
        }
        const std::uint64_t objectSize = le64(data + at + 16);
        if (objectSize < 24 || objectSize > end - at) break;
        at += static_cast<std::size_t>(objectSize);
    }
    return false;
}

SourceCheck checkSource(const std::string& path) {
    const int fd = sonthra::openRegularFile(path);
    if (fd < 0) return SourceCheck::NotAFile;
    // Only the header object is scanned: its size, stated in the first 30 bytes, bounds the
    // read, so a file that is not ASF costs one small read.
    unsigned char start[30];
    SourceCheck result = SourceCheck::NotAsf;
    if (::pread(fd, start, sizeof start, 0) == static_cast<ssize_t>(sizeof start) &&
        std::memcmp(start, kAsfHeader, sizeof kAsfHeader) == 0) {
        struct stat st {};
        const std::uint64_t size =
            ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
        const std::uint64_t want =
            std::min<std::uint64_t>({le64(start + 16), size, kHeaderScanLimit});
        std::vector<unsigned char> header(want);
        const ssize_t got = ::pread(fd, header.data(), want, 0);
        result = got > 0 && asfHeaderIsProtected(header.data(), static_cast<std::size_t>(got))
                     ? SourceCheck::Protected
                     : SourceCheck::Asf;
    }
    ::close(fd);
    return result;
}

AudioReader::~AudioReader() {
    av_frame_free(&m_decoded);
    av_packet_free(&m_packet);
    swr_free(&m_resampler);
    avcodec_free_context(&m_decoder);
    avformat_close_input(&m_format);
    av_channel_layout_uninit(&m_outLayout);
}

ReadError AudioReader::open(const std::string& path, bool requireWma,
                            const volatile std::int32_t* cancel) {
    m_cancel = cancel;
    // FFmpeg would wait on a named pipe or a device for ever: only regular files are read.
    const int fd = sonthra::openRegularFile(path);
    if (fd < 0) return m_error = ReadError::Open;
    ::close(fd);
    m_format = avformat_alloc_context();
    if (!m_format) return m_error = ReadError::Open;
    m_format->interrupt_callback.callback = &interrupted;
    m_format->interrupt_callback.opaque = const_cast<std::int32_t*>(cancel);
    AVDictionary* options = nullptr;
    // A WMA file is read by the ASF reader without a probe of every other format first; the
    // reader refuses whatever does not start with the ASF header.
    const AVInputFormat* container = requireWma ? av_find_input_format("asf") : nullptr;
    if (requireWma) av_dict_set(&options, "format_whitelist", "asf", 0);
    const int opened = avformat_open_input(&m_format, path.c_str(), container, &options);
    av_dict_free(&options);
    if (opened < 0) {
        m_format = nullptr;  // freed by avformat_open_input
        if (cancel && *cancel == 1) return m_error = ReadError::Cancelled;
        return m_error = requireWma ? ReadError::NotAudio : ReadError::Open;
    }
    // The ASF header states everything a WMA decoder needs; the search for stream details
    // would decode the first packets an extra time. Other files (WAV for the encoder) get it.
    if (!(requireWma && statesWmaAudio(m_format)) &&
        avformat_find_stream_info(m_format, nullptr) < 0)
        return m_error = ReadError::NotAudio;
    m_stream = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (m_stream < 0) return m_error = ReadError::NotAudio;
    const AVCodecParameters* par = m_format->streams[m_stream]->codecpar;
    if (requireWma && !isWmaCodec(par->codec_id)) return m_error = ReadError::NotAudio;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return m_error = ReadError::NoDecoder;
    m_decoder = avcodec_alloc_context3(codec);
    if (!m_decoder || avcodec_parameters_to_context(m_decoder, par) < 0 ||
        avcodec_open2(m_decoder, codec, nullptr) < 0) {
        return m_error = ReadError::NoDecoder;
    }
    if (m_decoder->sample_rate <= 0 || m_decoder->sample_rate > 384000 ||
        m_decoder->ch_layout.nb_channels <= 0) {
        return m_error = ReadError::NotAudio;
    }
    m_packet = av_packet_alloc();
    m_decoded = av_frame_alloc();
    if (!m_packet || !m_decoded) return m_error = ReadError::Open;
    m_length = statedLength(m_format);
    return m_error = ReadError::None;
}

std::int64_t AudioReader::bitRate() const {
    if (!m_format || m_stream < 0) return 0;
    const std::int64_t stream = m_format->streams[m_stream]->codecpar->bit_rate;
    return stream > 0 ? stream : (m_format->bit_rate > 0 ? m_format->bit_rate : 0);
}

std::int64_t AudioReader::position() const {
    return m_format && m_format->pb ? avio_tell(m_format->pb) : 0;
}

std::int64_t AudioReader::fileSize() const {
    return m_format && m_format->pb ? avio_size(m_format->pb) : 0;
}

bool AudioReader::setOutput(AVSampleFormat format, int rate, int channels) {
    m_outFormat = format;
    m_outRate = rate;
    av_channel_layout_uninit(&m_outLayout);
    av_channel_layout_default(&m_outLayout, channels);
    AVChannelLayout inLayout{};
    if (m_decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&inLayout, m_decoder->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&inLayout, &m_decoder->ch_layout);
    swr_free(&m_resampler);
    const int made = swr_alloc_set_opts2(&m_resampler, &m_outLayout, format, rate, &inLayout,
                                         m_decoder->sample_fmt, m_decoder->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    return made >= 0 && swr_init(m_resampler) >= 0;
}

bool AudioReader::convert(AVFrame* in, AVFrame* out) {
    const int inCount = in ? in->nb_samples : 0;
    const int needed = swr_get_out_samples(m_resampler, inCount) + 32;
    // The caller's frame keeps its buffer from one block to the next while it is big enough.
    if (out != m_out || needed > m_outCapacity || !av_frame_is_writable(out)) {
        av_frame_unref(out);
        out->format = m_outFormat;
        out->sample_rate = m_outRate;
        av_channel_layout_copy(&out->ch_layout, &m_outLayout);
        out->nb_samples = std::max(needed, kOutputBlockSamples);
        if (av_frame_get_buffer(out, 0) < 0) return false;
        m_out = out;
        m_outCapacity = out->nb_samples;
    }
    const int made =
        swr_convert(m_resampler, out->data, m_outCapacity,
                    in ? const_cast<const std::uint8_t**>(in->extended_data) : nullptr, inCount);
    if (made < 0) return false;
    out->nb_samples = made;
    return true;
}

// Feeds the decoder until it gives a frame (in m_decoded) or the input ends.
bool AudioReader::decodeMore() {
    while (true) {
        const int got = avcodec_receive_frame(m_decoder, m_decoded);
        if (got == 0) return true;
        if (got == AVERROR_EOF) return false;
        if (got != AVERROR(EAGAIN)) {
            if (++m_badPackets > kMaxBadPackets) {
                m_error = ReadError::Decode;
                return false;
            }
            continue;
        }
        if (m_inputDone) return false;
        if (m_cancel && *m_cancel == 1) {
            m_error = ReadError::Cancelled;
            return false;
        }
        const int read = av_read_frame(m_format, m_packet);
        if (read < 0) {
            if (m_cancel && *m_cancel == 1) {
                m_error = ReadError::Cancelled;
                return false;
            }
            m_inputDone = true;  // the end, or a file cut short: keep what decoded
            avcodec_send_packet(m_decoder, nullptr);
            continue;
        }
        if (m_packet->stream_index == m_stream) {
            const int sent = avcodec_send_packet(m_decoder, m_packet);
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                if (++m_badPackets > kMaxBadPackets) {
                    av_packet_unref(m_packet);
                    m_error = ReadError::Decode;
                    return false;
                }
            } else {
                m_badPackets = 0;
            }
        }
        av_packet_unref(m_packet);
    }
}

bool AudioReader::next(AVFrame* frame) {
    while (!m_drained) {
        if (decodeMore()) {
            if (m_decoded->nb_samples <= 0) continue;
            // A stream may change its layout midway; the converter was set for the first.
            if (m_decoded->ch_layout.nb_channels != m_decoder->ch_layout.nb_channels ||
                m_decoded->sample_rate != m_decoder->sample_rate) {
                continue;
            }
            const bool ok = convert(m_decoded, frame);
            av_frame_unref(m_decoded);
            if (!ok) {
                m_error = ReadError::Decode;
                return false;
            }
            if (keepStatedLength(frame)) return true;
            continue;
        }
        if (m_error != ReadError::None) return false;
        m_drained = true;
    }
    if (m_flushed) return false;
    m_flushed = true;
    if (!convert(nullptr, frame)) {
        m_error = ReadError::Decode;
        return false;
    }
    return keepStatedLength(frame);
}

// Our own files end where their stated length says; what follows is the encoder's padding.
bool AudioReader::keepStatedLength(AVFrame* frame) {
    if (m_length < 0 || m_outRate != m_decoder->sample_rate) return frame->nb_samples > 0;
    const std::int64_t left = std::max<std::int64_t>(m_length - m_given, 0);
    frame->nb_samples = static_cast<int>(std::min<std::int64_t>(frame->nb_samples, left));
    m_given += frame->nb_samples;
    return frame->nb_samples > 0;
}

void storePercent(volatile std::int32_t* progress, std::int64_t done, std::int64_t total) {
    if (!progress || total <= 0) return;
    std::int64_t percent = done * 100 / total;
    if (percent > 99) percent = 99;
    if (percent < 0) percent = 0;
    *progress = static_cast<std::int32_t>(percent);
}

}  // namespace wmaplugin
