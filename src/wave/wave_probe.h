// The header probe: the format and the number of sample frames of a WAV file, without
// reading its samples. It shows nothing; callers report its message numbers.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_format.h"
#include "wave/wave_layout.h"

namespace sonthra {

// 0, or a message number: 103 the file cannot be opened, 108 no RIFF "WAVE" form, 161 no
// "fmt " chunk, 109 the "fmt " chunk is cut short or unusable, 111 no "data" chunk after it,
// 164 no whole sample frame. frames and format may be null; they are filled on success and
// zeroed on failure. The format tag is not checked.
int probeWave(const std::string& name, std::uint32_t* frames, WaveFormat* format);

// The message number of an inspection's step as probeWave reports it (0 for Ok); a file whose
// data chunk holds no whole frame is not a failure here.
int waveInspectMessage(WaveInspect step);

}  // namespace sonthra
