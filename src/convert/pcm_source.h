// The sample bytes of a PCM WAV file read in order, for the MP3 encoders: the file is inspected
// as every reader of WAV files inspects it (sizes past the file's end are cut to it), and only
// a pipe, a device or a folder is refused without waiting on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "wave/riff.h"
#include "wave/wave_format.h"

namespace sonthra {

class PcmSource {
public:
    // 0; kLameNoSource when the file is missing; kLameNotWave when it is not a PCM WAV file of
    // 1 or 2 channels and 8 or 16 bits (plain or extensible) or cannot be read.
    int open(const std::string& path);
    const WaveFormat& format() const { return m_format; }
    std::uint32_t dataBytes() const { return m_dataBytes; }
    // Reads the next count bytes of samples (fewer at the end): the count read, -1 on an error.
    std::int64_t read(void* buffer, std::size_t count);

private:
    RiffFile m_file;
    std::uint32_t m_dataBytes = 0;
    WaveFormat m_format;
    std::uint32_t m_done = 0;
};

// Unsigned 8-bit samples as signed 16-bit ones: v * 256 - 32768.
void widen8To16(const unsigned char* in, std::size_t count, std::int16_t* out);

}  // namespace sonthra
