// The streaming WAV writer (create, append sample bytes, finish) and the empty-file maker.
// Files are laid out as RIFF "WAVE" with an 18-byte "fmt " chunk followed by "data", so the
// samples start at byte 46.
//
// A WaveWriter belongs to one thread at a time; each keeps its own chunk positions, so any
// number of files may be written at once.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "wave/file_copy.h"
#include "wave/riff.h"
#include "wave/safe_file.h"
#include "wave/wave_format.h"

namespace sonthra {

// The most sample bytes a file can hold: the RIFF size field counts them plus the header.
inline constexpr std::uint64_t kMaxWaveDataBytes = 0xFFFFFFFFull - 38 - 1;
inline constexpr std::uint64_t kWaveHeaderBytes = 46;

class WaveWriter {
public:
    // Writes straight into name (created or truncated). nullptr when the file or its header
    // cannot be written; the file is closed then.
    static std::unique_ptr<WaveWriter> create(const std::string& name, std::uint32_t sampleRate,
                                              std::uint16_t bits, std::uint16_t channels);
    // Writes into a new file beside name, which finish() flushes to the disk and renames over
    // name. Until then name is untouched, and a writer that fails or is dropped unfinished
    // removes its file. mode as for SafeFileWriter.
    static std::unique_ptr<WaveWriter> createReplacing(const std::string& name,
                                                       std::uint32_t sampleRate, std::uint16_t bits,
                                                       std::uint16_t channels,
                                                       std::optional<mode_t> mode = std::nullopt);
    ~WaveWriter();
    WaveWriter(const WaveWriter&) = delete;
    WaveWriter& operator=(const WaveWriter&) = delete;

    // Appends sample bytes. false on failure, which closes the file (and removes it when
    // replacing); every later call then fails too.
    bool write(const void* buffer, std::size_t count);
    // Appends count sample bytes of another open file, from offset; the kernel copies them
    // where it can (see file_copy.h), unless setCopyMethod asked for read and write.
    bool writeFrom(int fd, std::uint64_t offset, std::uint64_t count);
    void setCopyMethod(CopyMethod method) { m_copyMethod = method; }
    // Before any sample is written: where fd's samples start at this file's offset (headers
    // of one length) and the file system shares blocks between files (reflinks), shares the
    // whole blocks from the file's start that the first count bytes from offset reach, and
    // appends them as samples. Returns the sample bytes so appended (0 when nothing was shared,
    // and then nothing changed unless the writer failed); writeFrom appends the rest.
    std::uint64_t shareFrom(int fd, std::uint64_t offset, std::uint64_t count);
    bool failed() const { return m_failed; }
    // After the samples: appends a whole chunk with the given id whose count bytes come from
    // fd at offset (a chunk carried over from another file).
    bool addChunkFrom(std::uint32_t id, int fd, std::uint64_t offset, std::uint32_t count);
    // After the samples: carries the chunks of another file (its layout's otherChunks) over
    // unchanged, in their order, all but "fact": this writer writes PCM, which needs none, and a
    // carried one would count the frames of the old length.
    bool addChunksFrom(int fd, const std::vector<RiffChunk>& chunks);
    // Writes both chunk sizes and closes; a replacing writer then flushes its file to the disk
    // (unless told not to) and moves it into place.
    bool finish();
    // For a replacing writer of a file that nothing needs after a crash (a temporary, or a
    // result whose source is kept whole elsewhere): finish() renames without waiting for the
    // disk.
    void setFlushOnFinish(bool flush) { m_flushOnFinish = flush; }

    std::uint64_t dataBytes() const { return m_dataBytes; }
    const WaveFormat& format() const { return m_format; }
    // errno of the failure (ENOSPC for a full disk, EFBIG past the 4 GB limit), 0 when none.
    int error() const { return m_error; }

private:
    WaveWriter() = default;
    bool start(int fd, std::uint32_t sampleRate, std::uint16_t bits, std::uint16_t channels);
    bool fail(int err);
    bool closeData();
    bool copyFrom(int fd, std::uint64_t offset, std::uint64_t count);

    RiffFile m_file;
    std::unique_ptr<SafeFileWriter> m_safe;  // set when replacing
    int m_ownFd = -1;                        // set when writing straight into the file
    WaveFormat m_format;
    RiffChunk m_riff;
    RiffChunk m_data;
    bool m_dataOpen = false;
    bool m_failed = false;
    bool m_finished = false;
    std::uint64_t m_dataBytes = 0;
    int m_error = 0;
    CopyMethod m_copyMethod = CopyMethod::Kernel;
    bool m_flushOnFinish = true;
};

// Creates a WAV file with the header above and no samples (46 bytes). 0, or the message
// number of the step that failed: 160 open, 170 RIFF chunk, 171 "fmt " chunk, 172 the format,
// 173 leaving "fmt ", 174 "data" chunk, 175 leaving "data", 176 leaving RIFF or closing.
int createEmptyWave(const std::string& name, std::uint32_t sampleRate, std::uint16_t bits,
                    std::uint16_t channels);

}  // namespace sonthra
