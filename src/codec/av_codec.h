// Opening and saving the formats people bring, through FFmpeg's libraries: FLAC, Ogg Vorbis,
// Opus, AAC in M4A, AIFF/AIFC, CAF and RF64/BW64 WAV are decoded into a WAV working copy at the
// source's resolution, and a WAV is encoded into FLAC, Ogg Vorbis, Opus or AAC in M4A with its
// song information. Results are 0, kCancelled, or message 530 (open) or 531 (save), whose text
// names the format and why (see decodeMessage and encodeMessage). Any thread; one call at a
// time per output file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "codec/pcm_formats.h"
#include "messages/message_table.h"

namespace sonthra {

inline constexpr int kCodecOpenFailed = 530;
inline constexpr int kCodecSaveFailed = 531;

// The song information a file carries, as plain text ("" where absent).
struct AudioTags {
    std::string title, artist, album, track, date, genre, comment;
    bool operator==(const AudioTags&) const = default;
};

// Called now and then with the share done (0 to 1); false cancels the work.
using CodecProgress = std::function<bool(double done)>;

// What to make of a source with more than two channels (the caller asks the user).
enum class ChannelChoice { MixToStereo, TakePair };

struct DecodeOptions {
    ChannelChoice channels = ChannelChoice::MixToStereo;
    int firstChannel = 0;  // TakePair: the pair is this channel (from 0) and the next
};

struct DecodeResult {
    std::string formatName;  // "FLAC", "Opus", ... as fileKindName gives it
    std::string reason;      // why it failed, for the message
    PcmFormat format;        // of the WAV written
    std::uint64_t frames = 0;
    int sourceChannels = 0;
    bool lossless = false;
    AudioTags tags;
};

// Decodes in into a new WAV at outWav (put in place as every save is; outWav is untouched on
// failure). Lossless sources keep their samples: 8/16/24/32-bit integer and 32/64-bit float
// stay as they are, 20-bit goes into 24. Lossy sources give 32-bit float, which is what their
// decoders produce: no rounding, no clipping of overshoots, and what the editor computes in.
int decodeToWave(const std::string& in, const std::string& outWav, const DecodeOptions& options,
                 DecodeResult* result, const CodecProgress& progress = {});

// The channel count, rate and tags of a source without decoding it (to ask about channels
// before decodeToWave). Same results as decodeToWave.
int probeAudioFile(const std::string& in, DecodeResult* result);

// Message 530 filled from a failed decode.
std::string decodeMessage(const DecodeResult& result);

enum class EncodeKind { Flac, OggVorbis, Opus, M4aAac };

struct EncodeSettings {
    int flacLevel = 5;  // 0 (fastest) to 8 (smallest)
    // Vorbis -1 to 10 (default 5), Opus 0 to 10 (default 5, 96 kbit/s in stereo); used when
    // bitrateKbps is 0.
    double quality = -100;
    int bitrateKbps = 0;  // Vorbis, Opus, AAC
};

// "FLAC", "Ogg Vorbis", "Opus", "AAC (M4A)".
std::string encodeKindName(EncodeKind kind);

// Encodes the WAV inWav (RIFF or RF64, any codec-layer sample format) into out, with the tags as
// Vorbis comments (FLAC, Ogg) or MP4 atoms (M4A). Written beside out and moved over it at the
// end, so that a failure or a cancel leaves out as it was. FLAC keeps 8/16/24-bit samples
// exactly; 32-bit and float sources are stored as 24-bit with dither. Opus is resampled to
// 48,000 Hz where the source is not. reason (when given) receives why a failure happened.
int encodeFromWave(const std::string& inWav, const std::string& out, EncodeKind kind,
                   const EncodeSettings& settings, const AudioTags& tags,
                   std::string* reason = nullptr, const CodecProgress& progress = {});

// Message 531 for a failed encode.
std::string encodeMessage(EncodeKind kind, const std::string& reason);

}  // namespace sonthra
