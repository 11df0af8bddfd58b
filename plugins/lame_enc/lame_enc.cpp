// The program's MP3 encoder library: the stream calls it loads by name, over libmp3lame.
//
//   beInitStream(config, &samplesPerChunk, &outputBufferSize, &stream)
//   beEncodeChunk(stream, sampleCount, samples, output, &produced)
//   beDeinitStream(stream, output, &produced)
//   beCloseStream(stream)
//   beGetInfoFrame(stream, buffer, size, &produced)   (the finished info frame, see below)
//
// config is the 331-byte little-endian record the encoding windows fill. Sample counts count
// every channel; samples are interleaved signed 16-bit. Every call returns 0 on success.
//
// When the record asks for the info frame, the first frame of the stream is a placeholder that
// the caller overwrites after beDeinitStream with the bytes beGetInfoFrame gives: the frame
// count, the encoder delay and the padding, which let a decoder return exactly the samples
// that were encoded.
#include <lame/lame.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>

#define LAME_ENC_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kOk = 0;
constexpr int kBadFormat = 1;
constexpr int kBadParameters = 2;
constexpr int kBadHandle = 4;
constexpr int kBufferTooSmall = 5;

constexpr std::uint32_t kConfigKind = 256;
constexpr std::uint32_t kLowestRate = 1000;
constexpr std::uint32_t kHighestRate = 192000;
constexpr std::uint32_t kFlushBytes = 16384;
constexpr std::uint32_t kConfigBytes = 331;
constexpr std::uint32_t kModeMono = 3;
constexpr std::uint32_t kModeJoint = 1;
constexpr std::uint32_t kModeDual = 2;
constexpr int kPresetHighQuality = 2;
constexpr int kPresetLowQuality = 1;
constexpr int kLameTagBytes = 156;

struct Config {
    std::uint32_t kind, version, size, sampleRate, outRate, mode, bitrate, maxBitrate, preset,
        mpegVersion, psyModel, emphasis, privateFlag, crc, copyright, original, writeInfoFrame, vbr,
        vbrQuality;
};

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

Config readConfig(const unsigned char* bytes) {
    std::uint32_t fields[19];
    for (int i = 0; i < 19; ++i) fields[i] = le32(bytes + 4 * i);
    Config c;
    std::memcpy(&c, fields, sizeof c);
    return c;
}

// MPEG-1 rates, MPEG-2 rates and MPEG-2.5 rates each allow their own bitrates.
bool isMp3Rate(std::uint32_t rate) {
    for (std::uint32_t r : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u})
        if (r == rate) return true;
    return false;
}

bool bitrateFits(std::uint32_t rate, std::uint32_t kbps) {
    static const std::uint32_t mpeg1[] = {32,  40,  48,  56,  64,  80,  96,
                                          112, 128, 160, 192, 224, 256, 320};
    static const std::uint32_t mpeg2[] = {8,  16, 24, 32,  40,  48,  56,
                                          64, 80, 96, 112, 128, 144, 160};
    const bool one = rate >= 32000;
    for (std::uint32_t b : one ? mpeg1 : mpeg2)
        if (b == kbps) return true;
    return false;
}

int lameQuality(std::uint32_t preset) {
    if (preset == kPresetHighQuality) return 2;
    if (preset == kPresetLowQuality) return 7;
    return 5;
}

MPEG_mode lameMode(std::uint32_t mode) {
    switch (mode) {
        case kModeMono:
            return MONO;
        case kModeJoint:
            return JOINT_STEREO;
        case kModeDual:
            return DUAL_CHANNEL;
        default:
            return STEREO;
    }
}

struct Stream {
    lame_global_flags* flags = nullptr;
    int channels = 2;
    std::uint32_t samplesPerChunk = 0;
    std::uint32_t bufferSize = 0;
};

Stream* streamOf(void* handle) {
    return static_cast<Stream*>(handle);
}

// Whether a constant-bitrate frame at the stream's rate holds the info frame: the side
// information (with the checksum when there is one) and lame's tag of 156 bytes.
bool infoFrameFits(lame_global_flags* gf) {
    const int rate = lame_get_out_samplerate(gf);
    if (rate <= 0) return false;
    const bool mpeg1 = rate >= 32000;
    const bool mono = lame_get_num_channels(gf) == 1;
    const int sideInfo =
        4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17)) + (lame_get_error_protection(gf) ? 2 : 0);
    const int frameBytes = (mpeg1 ? 144000 : 72000) * lame_get_brate(gf) / rate;
    return frameBytes >= sideInfo + kLameTagBytes;
}

// Sets everything but the rate the stream is encoded at; pinned holds an average bitrate to the
// one bitrate asked for instead of a constant one.
void applyConfig(lame_global_flags* gf, const Config& c, bool pinned) {
    lame_set_in_samplerate(gf, static_cast<int>(c.sampleRate));
    lame_set_num_channels(gf, c.mode == kModeMono ? 1 : 2);
    lame_set_mode(gf, lameMode(c.mode));
    lame_set_quality(gf, lameQuality(c.preset));
    lame_set_copyright(gf, c.copyright ? 1 : 0);
    lame_set_original(gf, c.original ? 1 : 0);
    lame_set_extension(gf, c.privateFlag ? 1 : 0);
    lame_set_error_protection(gf, c.crc ? 1 : 0);
    lame_set_emphasis(gf, static_cast<int>(c.emphasis));
    lame_set_bWriteVbrTag(gf, c.writeInfoFrame ? 1 : 0);
    if (c.vbr) {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_q(gf, static_cast<int>(c.vbrQuality));
        lame_set_VBR_min_bitrate_kbps(gf, static_cast<int>(c.bitrate));
        lame_set_VBR_max_bitrate_kbps(gf, static_cast<int>(c.bitrate));
    } else if (pinned) {
        lame_set_VBR(gf, vbr_abr);
        lame_set_VBR_mean_bitrate_kbps(gf, static_cast<int>(c.bitrate));
        lame_set_VBR_min_bitrate_kbps(gf, static_cast<int>(c.bitrate));
        lame_set_VBR_max_bitrate_kbps(gf, static_cast<int>(c.bitrate));
        lame_set_VBR_hard_min(gf, 1);
    } else {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, static_cast<int>(c.bitrate));
    }
}

// A rate asked for is kept when MP3 can carry it; otherwise lame picks the rate its rule gives
// for the bitrate, as its own command does, rather than starve a high rate of bits. A constant
// bitrate whose frames have no room for the info frame is pinned instead: without the info
// frame decoders play the encoder's delay and padding as audio, and a pinned stream writes the
// same frames but puts its info frame in a frame of a bitrate of its own. (Only at a rate of
// lame's choice: held to a bitrate below what a rate asked for needs, lame stops the process.)
bool configure(lame_global_flags* gf, const Config& c) {
    int rate = c.outRate && isMp3Rate(c.outRate) ? static_cast<int>(c.outRate) : 0;
    bool pinned = false;
    if (!c.vbr && c.writeInfoFrame && rate == 0) {
        lame_global_flags* trial = lame_init();
        if (!trial) return false;
        applyConfig(trial, c, false);
        const bool ok = lame_init_params(trial) >= 0;
        if (ok) {
            rate = lame_get_out_samplerate(trial);
            pinned = !infoFrameFits(trial);
        }
        lame_close(trial);
        if (!ok) return false;
    }
    applyConfig(gf, c, pinned);
    if (rate) lame_set_out_samplerate(gf, rate);
    return lame_init_params(gf) >= 0;
}

}  // namespace

LAME_ENC_EXPORT int beInitStream(const unsigned char* config, std::uint32_t* samplesPerChunk,
                                 std::uint32_t* outputBufferSize, void** stream) {
    if (!config || !samplesPerChunk || !outputBufferSize || !stream) return kBadParameters;
    const Config c = readConfig(config);
    if (c.kind != kConfigKind || c.size < kConfigBytes) return kBadFormat;
    // Below 1,000 Hz (the lowest rate the program makes) nothing is audio worth an MP3 file,
    // and lame would stretch each sample into hundreds on its way up to 8,000 Hz.
    if (c.sampleRate < kLowestRate || c.sampleRate > kHighestRate) return kBadParameters;
    auto* s = new (std::nothrow) Stream;
    if (!s) return kBadParameters;
    s->flags = lame_init();
    // A bitrate the stream's MPEG version has no frame for is refused rather than bent.
    if (!s->flags || !configure(s->flags, c) ||
        (!c.vbr &&
         !bitrateFits(static_cast<std::uint32_t>(lame_get_out_samplerate(s->flags)), c.bitrate))) {
        if (s->flags) lame_close(s->flags);
        delete s;
        return kBadParameters;
    }
    s->channels = c.mode == kModeMono ? 1 : 2;
    s->samplesPerChunk = static_cast<std::uint32_t>(lame_get_framesize(s->flags)) * s->channels;
    // lame's own rule for the worst case of one call (1.25 bytes a sample, plus 7,200) counts
    // the samples it encodes: a rate it raises to one MP3 can carry gives that many times the
    // source's. The flush gets the same room, and more than it can fill: lame reads a buffer
    // left with no room at all as one without a limit.
    const auto encodedRate =
        static_cast<std::uint32_t>(std::max(lame_get_out_samplerate(s->flags), 1));
    const std::uint32_t ratio = (encodedRate + c.sampleRate - 1) / c.sampleRate;
    s->bufferSize = s->samplesPerChunk * std::max(ratio, 1u) * 5 / 4 + kFlushBytes;
    *samplesPerChunk = s->samplesPerChunk;
    *outputBufferSize = s->bufferSize;
    *stream = s;
    return kOk;
}

LAME_ENC_EXPORT int beEncodeChunk(void* stream, std::uint32_t sampleCount,
                                  const std::int16_t* samples, unsigned char* output,
                                  std::uint32_t* produced) {
    Stream* s = streamOf(stream);
    if (!s || !s->flags || !output || !produced || (sampleCount && !samples)) return kBadHandle;
    // A call may carry up to samplesPerChunk frames: the output buffer is sized for that many.
    if (sampleCount / s->channels > s->samplesPerChunk) return kBufferTooSmall;
    const int frames = static_cast<int>(sampleCount) / s->channels;
    const int size = static_cast<int>(s->bufferSize);
    int bytes = 0;
    if (s->channels == 1) {
        bytes = lame_encode_buffer(s->flags, samples, samples, frames, output, size);
    } else {
        bytes = lame_encode_buffer_interleaved(s->flags, const_cast<short*>(samples), frames,
                                               output, size);
    }
    if (bytes < 0) return kBufferTooSmall;
    *produced = static_cast<std::uint32_t>(bytes);
    return kOk;
}

LAME_ENC_EXPORT int beDeinitStream(void* stream, unsigned char* output, std::uint32_t* produced) {
    Stream* s = streamOf(stream);
    if (!s || !s->flags || !output || !produced) return kBadHandle;
    const int bytes = lame_encode_flush(s->flags, output, static_cast<int>(s->bufferSize));
    if (bytes < 0) return kBufferTooSmall;
    *produced = static_cast<std::uint32_t>(bytes);
    return kOk;
}

LAME_ENC_EXPORT int beCloseStream(void* stream) {
    Stream* s = streamOf(stream);
    if (!s) return kBadHandle;
    if (s->flags) lame_close(s->flags);
    delete s;
    return kOk;
}

LAME_ENC_EXPORT int beGetInfoFrame(void* stream, unsigned char* buffer, std::uint32_t size,
                                   std::uint32_t* produced) {
    Stream* s = streamOf(stream);
    if (!s || !s->flags || !produced) return kBadHandle;
    const std::size_t bytes = lame_get_lametag_frame(s->flags, buffer, size);
    if (bytes > size) return kBufferTooSmall;
    *produced = static_cast<std::uint32_t>(bytes);
    return kOk;
}
