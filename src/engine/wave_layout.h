// Where the audio of a PCM WAV file lies and what format it has, as playback and the
// file-information call need it: the wave library's inspection plus the engine's own checks.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_layout.h"

namespace sonthra {

struct WaveLayout {
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t blockAlign = 0;
    // File offset of the first sample byte.
    std::uint64_t dataOffset = 0;
    // Bytes of whole frames that the file really holds: a "data" size larger than the file (a
    // recording cut short by a crash) is cut to what is there.
    std::uint64_t dataBytes = 0;

    std::uint64_t frames() const { return blockAlign == 0 ? 0 : dataBytes / blockAlign; }
};

// The engine's error for what inspectWave found: 0, or 102 cannot open, 107 not a RIFF WAVE
// file, 108 no usable "fmt " chunk (or one with no channels, rate or sample size), 109 not
// PCM, 110 no "data" chunk after "fmt ", 104 PCM of a size or channel count the program does
// not play and edit. The one rule for play, information and the edits.
int checkInspectedWave(WaveInspect result, const WaveFormat& format);

// Fills layout from the WAV file open on fd (the descriptor's offset is not relied on and is
// left anywhere). Returns 0 or an engine error: 102 not a readable regular file, 107 not a
// RIFF WAVE file, 108 no usable "fmt " chunk, 109 not PCM, 110 no "data" chunk after "fmt ".
// On failure layout is empty.
int readWaveLayout(int fd, WaveLayout& layout);

// The same for a file name.
int readWaveLayout(const std::string& path, WaveLayout& layout);

}  // namespace sonthra
