// Where analysis reads its audio: frames by position from a WAV file today, from the document's
// sequence of blocks later. Each source belongs to one thread at a time; a worker that reads
// opens a source of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "analysis/sample_format.h"

namespace sonthra {

class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual const SampleFormat& format() const = 0;
    virtual std::uint64_t frames() const = 0;
    // Reads up to count interleaved frames from frame `from` into out (count x frameBytes()
    // bytes): the frames read, fewer only at the end, or -1 when the audio cannot be read.
    virtual std::int64_t read(std::uint64_t from, std::size_t count, unsigned char* out) = 0;
};

// Opens a WAV file the program reads (PCM, 8 or 16 bits, 1 or 2 channels) through the wave
// reader: 0, or the message number of what is wrong with it (103 cannot open, 108 not a WAV
// file, 161/109 no usable "fmt " chunk, 110 not PCM, 105 a format the program does not read,
// 111/164 no sample data).
int openWaveFrameSource(const std::string& path, std::unique_ptr<FrameSource>& out);

}  // namespace sonthra
