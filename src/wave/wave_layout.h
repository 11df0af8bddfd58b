// Where the parts of a WAV file lie: its format, where the sample bytes start and how many
// there are, and the other chunks of the file. Shared by the header probe and the engine's
// edits; the streaming reader walks the same steps with its own result codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/riff.h"
#include "wave/wave_format.h"

namespace sonthra {

// How far the inspection got: each failure is one step of finding the parts.
enum class WaveInspect {
    Ok,
    CannotOpen,  // the file cannot be opened for reading
    NotWave,     // no RIFF chunk of form type "WAVE"
    NoFmt,       // no "fmt " chunk inside it
    BadFmt,      // the "fmt " chunk is cut short, shorter than 16 bytes, or has block align 0
    NoData,      // no "data" chunk after the "fmt " chunk
};

struct WaveFileLayout {
    WaveFormat format;
    std::uint32_t fmtBytes = 0;  // stated size of the "fmt " chunk
    // The sub-format's tag of an extensible record that does not read as PCM (3 for float).
    std::uint16_t subFormatTag = 0;
    std::uint64_t dataOffset = 0;  // file position of the first sample byte
    std::uint32_t dataBytes = 0;   // sample bytes that are really there (see usableDataBytes)
    std::uint32_t statedDataBytes = 0;
    // The chunks of the "WAVE" form other than "fmt " and "data", in file order, however many
    // there are, with sizes cut to the file.
    std::vector<RiffChunk> otherChunks;
    int openError = 0;  // the file-I/O code when the result is CannotOpen

    std::uint32_t frames() const { return format.blockAlign ? dataBytes / format.blockAlign : 0; }
};

// The usable size of a "data" chunk that descend has just found. A size that runs past the end
// of the file is cut to the file. A size of 0 with bytes after the chunk header that do not
// read as a row of further chunks comes from a recorder that stopped before it wrote the size:
// the sample bytes then run to the end of the file. At most 0xFFFFFFFF.
std::uint32_t usableDataBytes(RiffFile& file, const RiffChunk& data);

// Inspects an open file from its start. Positions the file anywhere.
WaveInspect inspectWave(RiffFile& file, WaveFileLayout& layout);
WaveInspect inspectWave(const std::string& path, WaveFileLayout& layout);

}  // namespace sonthra
