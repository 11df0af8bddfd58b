// What a file handed to the program is and whether the program takes it: its kind from its
// content, and for a WAV file the properties that decide it. Every path that opens a file (the
// window, sonthra-cli's info, convert, format, effect and edit verbs) asks this one function
// and shows the one text built from its answer, so a file is described the same way wherever
// it is refused.
#pragma once

#include <cstdint>
#include <string>

#include "wave/file_kind.h"
#include "wave/wave_format.h"
#include "wave/wave_layout.h"

namespace sonthra {

// A file of a kind the program does not open, or a WAV file with a property it does not take.
inline constexpr int kUnsupportedWave = 610;
// A file of another kind of audio (AIFF, FLAC, MP4, ...).
inline constexpr int kOtherAudioKind = 611;
// A file in which no audio of a known kind was found.
inline constexpr int kNotAudio = 612;
// MPEG audio given where only a WAV file will do.
inline constexpr int kMpegNotWave = 613;
// A folder, a named pipe, a device or a socket given where a file was asked for.
inline constexpr int kNotAFile = 614;

// How the program opens a file it takes.
enum class OpensAs { Nothing, Wave, Mpeg };

struct AudioFileFacts {
    FileKindInfo kind;
    OpensAs opensAs = OpensAs::Nothing;
    // For a WAV kind: how far its chunks were found, and its format and length.
    WaveInspect waveStep = WaveInspect::CannotOpen;
    WaveFileLayout layout;
    // What of a WAV file is not taken ("24-bit samples", "6 channels", "A-law samples"), or
    // the kind itself where no WAV property is to blame; empty when the file is taken. For
    // kNotAFile, what the name is instead ("a folder", "a named pipe").
    std::string unsupported;
};

// Inspects path: 0 when the program opens it (facts->opensAs says how), otherwise the message
// number of the refusal: 103 missing or unreadable, kNotAFile, the WAV probe's 161, 109, 111 or 164
// for a WAV file whose chunks are broken, kUnsupportedWave, kOtherAudioKind or kNotAudio. Reads
// only headers; never blocks on a pipe or a device.
int inspectAudioFile(const std::string& path, AudioFileFacts* facts);

// The text of a refusal by inspectAudioFile (or kMpegNotWave) for path, naming the file by its
// last component: "\"take.wav\" is a WAV file with 24-bit samples; Sonthra opens 8-bit and
// 16-bit PCM WAV files in mono or stereo."
std::string refusalText(const std::string& path, const AudioFileFacts& facts, int message);

// A WAV format tag by name: "PCM", "IEEE float", "A-law", ... or "tag N".
std::string formatTagName(unsigned tag);

}  // namespace sonthra
