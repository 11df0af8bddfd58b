// Reading a document's audio: an immutable snapshot of its pieces with the open block files
// they refer to, the reader that turns frames of it into sample bytes (silence as the format's
// silent value), the walk over its byte ranges for kernel copies, and the WAV save built on that
// walk. A snapshot is shared between threads freely; each thread reads through its own
// SequenceReader.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <sys/types.h>

#include "sequence/block_store.h"
#include "sequence/piece_list.h"
#include "wave/wave_format.h"

namespace sonthra {

struct SequenceSnapshot {
    WaveFormat format;
    PieceList list;
    std::unordered_map<BlockId, std::shared_ptr<const BlockFile>> files;

    std::uint64_t frames() const { return list.frames(); }
};

// A stretch of the audio's bytes: fd < 0 for silence.
struct ByteRange {
    int fd = -1;
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
};

// Calls visit for the byte ranges of frames [from, to) in order; stops at the first result that
// is not 0 and returns it.
int forEachRange(const SequenceSnapshot& snapshot, std::uint64_t from, std::uint64_t to,
                 const std::function<int(const ByteRange&)>& visit);

// The byte a silent sample is made of: 0x80 for 8-bit samples (unsigned), else 0.
unsigned char silenceByte(const WaveFormat& format);

class SequenceReader {
public:
    explicit SequenceReader(std::shared_ptr<const SequenceSnapshot> snapshot);

    const SequenceSnapshot& snapshot() const { return *m_snapshot; }
    std::uint64_t frames() const { return m_snapshot->frames(); }
    // Reads frames [from, from + count) into out (count frames of the format's block align);
    // frames past the end are not read and *read (when given) says how many were. 0, or 152
    // when a block file cannot be read.
    int read(std::uint64_t from, std::uint64_t count, void* out, std::uint64_t* read = nullptr);

private:
    std::shared_ptr<const SequenceSnapshot> m_snapshot;
};

// A chunk of another file carried into a saved WAV after its samples (song information, cues).
struct CarriedChunk {
    std::uint32_t id = 0;
    int fd = -1;
    std::uint64_t offset = 0;
    std::uint32_t bytes = 0;
};

struct SaveOptions {
    std::vector<CarriedChunk> chunks;
    // Flush the file to the disk before it replaces the target (a user's own file).
    bool flush = true;
    std::optional<mode_t> mode;
    // Called after each range with the bytes written and the total; false cancels (129).
    std::function<bool(std::uint64_t done, std::uint64_t total)> progress;
};

// Writes the snapshot as a WAV file that replaces target only when whole (a crash or a full disk
// leaves the old file). 0, 129 cancelled, 146 the file cannot be written (full disk, no room in
// the 4 GB of a WAV file), 152 a block cannot be read.
int saveWave(const SequenceSnapshot& snapshot, const std::string& target,
             const SaveOptions& options = {});

}  // namespace sonthra
