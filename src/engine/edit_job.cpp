#include "engine/edit_job.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "engine/edit_errors.h"
#include "engine/engine_errors.h"
#include "wave/file_release.h"
#include "wave/wave_writer.h"

namespace sonthra {

EditJob::~EditJob() {
    for (const EditInput& in : inputs) {
        if (in.fd >= 0) ::close(in.fd);
    }
    if (rewrittenFd >= 0) ::close(rewrittenFd);
}

bool isSilentFrame(const unsigned char* frame, const WaveFormat& format, std::uint16_t threshold) {
    // |sample| / fullScale <= threshold / 10000, kept in integers.
    const std::uint64_t fullScale = format.bitsPerSample == 16 ? 32768 : 128;
    const std::uint64_t limit = fullScale * threshold;
    for (int c = 0; c < format.channels; ++c) {
        std::int32_t value;
        if (format.bitsPerSample == 16) {
            value = static_cast<std::int16_t>(frame[2 * c] | frame[2 * c + 1] << 8);
        } else {
            value = static_cast<std::int32_t>(frame[c]) - 128;
        }
        const std::uint64_t magnitude = static_cast<std::uint64_t>(value < 0 ? -value : value);
        if (magnitude * 10000 > limit) return false;
    }
    return true;
}

namespace {

using engine_error::kCannotOpenWaveFile;
using engine_error::kCannotWriteData;

// A writer that failed on these ran out of room or could not reach the disk; anything else
// at the final move means the target could not be replaced.
bool isWriteFailure(int err) {
    return err == ENOSPC || err == EDQUOT || err == EFBIG || err == EIO || err == 0;
}

class Runner {
public:
    Runner(EditJob& job, EditState& state, const EditOptions& options)
        : m_job(job), m_state(state), m_options(options) {
        const std::size_t align = std::max<std::size_t>(job.format.blockAlign, 1);
        m_blockBytes = std::max(options.blockBytes / align, std::size_t{1}) * align;
    }

    int run() {
        for (const EditTarget& t : m_job.targets) {
            for (const EditPiece& p : t.pieces) m_total += p.bytes;
        }
        // The file from before the edit must be whole on the disk before its results may
        // replace it unflushed.
        if (m_job.flush == EditFlush::SourceFirst && ::fdatasync(m_job.inputs[0].fd) != 0 &&
            errno != EINVAL) {
            return kCannotWriteData;
        }
        std::vector<std::unique_ptr<WaveWriter>> writers;
        for (const EditTarget& target : m_job.targets) {
            auto writer =
                WaveWriter::createReplacing(target.path, m_job.format.sampleRate,
                                            m_job.format.bitsPerSample, m_job.format.channels);
            if (!writer) return kCannotWriteData;
            writer->setCopyMethod(m_options.copyMethod);
            writer->setFlushOnFinish(!target.scratch && m_job.flush == EditFlush::Results);
            for (const EditPiece& piece : target.pieces) {
                if (const int r = writePiece(piece, *writer); r != 0) return r;
            }
            if (target.carryChunks) {
                for (const RiffChunk& c : m_job.sourceChunks) {
                    const int from =
                        (c.flags & kChunkRewritten) ? m_job.rewrittenFd : m_job.inputs[0].fd;
                    if (!writer->addChunkFrom(c.id, from, c.dataOffset, c.size)) {
                        return kCannotWriteData;
                    }
                }
            }
            writers.push_back(std::move(writer));
        }
        // The last chance to stop: from here on the files are put in place.
        if (m_state.cancel.load()) return edit_error::kEditCancelled;
        for (std::size_t i = 0; i < writers.size(); ++i) {
            if (const int r = commit(m_job.targets[i], *writers[i]); r != 0) return r;
        }
        return 0;
    }

private:
    int commit(const EditTarget& target, WaveWriter& writer) {
        if (target.keepPrevious.empty()) {
            if (writer.finish()) return 0;
            return isWriteFailure(writer.error()) ? kCannotWriteData : edit_error::kFileInUse;
        }
        // A second name for the file at path survives the rename over it.
        const std::string staged = target.keepPrevious + ".new";
        ::unlink(staged.c_str());
        if (::link(target.path.c_str(), staged.c_str()) != 0) {
            return edit_error::kCannotMakeUndoFile;
        }
        if (!writer.finish()) {
            ::unlink(staged.c_str());
            return isWriteFailure(writer.error()) ? kCannotWriteData : edit_error::kFileInUse;
        }
        // The undo file this one replaces is let go in the background: freeing a gigabyte in
        // the page cache would otherwise be part of every edit.
        const int previous = holdFile(target.keepPrevious);
        if (std::rename(staged.c_str(), target.keepPrevious.c_str()) != 0) {
            closeInBackground(previous);
            ::unlink(staged.c_str());
            return 0;  // the edit stands; only the undo copy is missing
        }
        closeInBackground(previous);
        if (m_job.onKept) m_job.onKept(target);
        return 0;
    }

    // Accounts for bytes done; false when a cancel has been asked for.
    bool advance(std::uint64_t bytes) {
        m_done += bytes;
        if (m_total > 0) {
            m_state.progress.store(
                static_cast<int>(std::min<std::uint64_t>(m_done * 100 / m_total, 99)));
        }
        if (m_options.afterBlock) m_options.afterBlock(m_state);
        return !m_state.cancel.load();
    }

    unsigned char* buffer() {
        if (m_buffer.size() < m_blockBytes) m_buffer.resize(m_blockBytes);
        return m_buffer.data();
    }

    // Reads exactly count bytes of an input's samples; false when the input ends or fails.
    bool readInput(int input, std::uint64_t offset, unsigned char* out, std::size_t count) {
        const EditInput& in = m_job.inputs[static_cast<std::size_t>(input)];
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n = ::pread(in.fd, out + got, count - got,
                                      static_cast<off_t>(in.dataOffset + offset + got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    int writePiece(const EditPiece& piece, WaveWriter& writer) {
        if (m_state.cancel.load()) return edit_error::kEditCancelled;
        switch (piece.kind) {
            case EditPiece::Kind::Copy:
                return copy(piece.input, piece.offset, piece.bytes, writer);
            case EditPiece::Kind::Mute:
                return mute(piece, writer);
            case EditPiece::Kind::Trim:
                return trim(piece, writer);
            case EditPiece::Kind::Silence:
                return silence(piece.bytes, writer);
        }
        return edit_error::kBadArgument;
    }

    int copy(int input, std::uint64_t offset, std::uint64_t bytes, WaveWriter& writer) {
        const EditInput& in = m_job.inputs[static_cast<std::size_t>(input)];
        // The unchanged start of the file shares its blocks with the source where the file
        // system offers it; the rest is copied.
        std::uint64_t done = writer.shareFrom(in.fd, in.dataOffset + offset, bytes);
        if (writer.failed()) return kCannotWriteData;
        if (done > 0 && !advance(done)) return edit_error::kEditCancelled;
        while (done < bytes) {
            const std::uint64_t n = std::min<std::uint64_t>(m_blockBytes, bytes - done);
            if (!writer.writeFrom(in.fd, in.dataOffset + offset + done, n)) {
                return kCannotWriteData;
            }
            done += n;
            if (!advance(n)) return edit_error::kEditCancelled;
        }
        return 0;
    }

    int mute(const EditPiece& piece, WaveWriter& writer) {
        const WaveFormat& f = m_job.format;
        const std::size_t sampleBytes = f.bitsPerSample / 8;
        const unsigned char silent = f.bitsPerSample == 8 ? 0x80 : 0x00;
        unsigned char* block = buffer();
        for (std::uint64_t done = 0; done < piece.bytes;) {
            const auto n =
                static_cast<std::size_t>(std::min<std::uint64_t>(m_blockBytes, piece.bytes - done));
            if (!readInput(piece.input, piece.offset + done, block, n)) return kCannotOpenWaveFile;
            for (std::size_t at = 0; at + f.blockAlign <= n; at += f.blockAlign) {
                for (unsigned c = 0; c < f.channels; ++c) {
                    if (m_job.muteChannels & (1u << c)) {
                        std::fill_n(block + at + c * sampleBytes, sampleBytes, silent);
                    }
                }
            }
            if (!writer.write(block, n)) return kCannotWriteData;
            done += n;
            if (!advance(n)) return edit_error::kEditCancelled;
        }
        return 0;
    }

    // Finds the first (forward) or last (backward) frame of the piece that is not silence: its
    // byte position in the piece, or piece.bytes when all is silent. The silence passed over
    // counts as progress.
    int findSound(const EditPiece& piece, bool forward, std::uint64_t& found) {
        const WaveFormat& f = m_job.format;
        unsigned char* block = buffer();
        found = piece.bytes;
        for (std::uint64_t scanned = 0; scanned < piece.bytes;) {
            const auto n = static_cast<std::size_t>(
                std::min<std::uint64_t>(m_blockBytes, piece.bytes - scanned));
            const std::uint64_t start = forward ? scanned : piece.bytes - scanned - n;
            if (!readInput(piece.input, piece.offset + start, block, n)) {
                return kCannotOpenWaveFile;
            }
            const std::size_t frames = n / f.blockAlign;
            std::size_t silentBytes = n;
            for (std::size_t i = 0; i < frames; ++i) {
                const std::size_t frame = forward ? i : frames - 1 - i;
                if (!isSilentFrame(block + frame * f.blockAlign, f, m_job.trimThreshold)) {
                    found = start + frame * f.blockAlign;
                    silentBytes = i * f.blockAlign;
                    break;
                }
            }
            if (!advance(silentBytes)) return edit_error::kEditCancelled;
            if (found != piece.bytes) return 0;
            scanned += n;
        }
        return 0;
    }

    int trim(const EditPiece& piece, WaveWriter& writer) {
        std::uint64_t first = 0;
        if (const int r = findSound(piece, true, first); r != 0) return r;
        std::uint64_t keep = 0;
        if (first < piece.bytes) {
            std::uint64_t last = 0;
            if (const int r = findSound(piece, false, last); r != 0) return r;
            keep = last + m_job.format.blockAlign - first;
        }
        if (m_job.onTrim) {
            const int r = m_job.onTrim(m_job, piece, first, piece.bytes - first - keep);
            if (r != 0) return r;
        }
        return keep == 0 ? 0 : copy(piece.input, piece.offset + first, keep, writer);
    }

    int silence(std::uint64_t bytes, WaveWriter& writer) {
        unsigned char* block = buffer();
        std::fill_n(block, m_blockBytes, m_job.format.bitsPerSample == 8 ? 0x80 : 0x00);
        for (std::uint64_t done = 0; done < bytes;) {
            const auto n =
                static_cast<std::size_t>(std::min<std::uint64_t>(m_blockBytes, bytes - done));
            if (!writer.write(block, n)) return kCannotWriteData;
            done += n;
            if (!advance(n)) return edit_error::kEditCancelled;
        }
        return 0;
    }

    EditJob& m_job;
    EditState& m_state;
    const EditOptions& m_options;
    std::size_t m_blockBytes = 0;
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_total = 0;
    std::uint64_t m_done = 0;
};

}  // namespace

int runEditJob(EditJob& job, EditState& state, const EditOptions& options) {
    try {
        return Runner(job, state, options).run();
    } catch (const std::bad_alloc&) {
        return engine_error::kOutOfMemory;
    }
}

}  // namespace sonthra
