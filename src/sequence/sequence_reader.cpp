#include "sequence/sequence_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "messages/message_table.h"
#include "wave/wave_writer.h"

namespace sonthra {
namespace {

constexpr int kCannotReadMessage = 152;
constexpr int kCannotSaveMessage = 146;
constexpr std::size_t kSilenceBufferBytes = 1 << 20;

}  // namespace

unsigned char silenceByte(const WaveFormat& format) {
    return format.bitsPerSample == 8 ? 0x80 : 0;
}

int forEachRange(const SequenceSnapshot& snapshot, std::uint64_t from, std::uint64_t to,
                 const std::function<int(const ByteRange&)>& visit) {
    const PieceList& list = snapshot.list;
    const std::uint64_t align = snapshot.format.blockAlign;
    to = std::min(to, list.frames());
    for (std::size_t i = list.indexOf(from); from < to && i < list.size(); ++i) {
        const Piece& p = list.pieces()[i];
        const std::uint64_t skip = from - list.startOf(i);
        const std::uint64_t take = std::min(p.frames - skip, to - from);
        ByteRange range;
        range.bytes = take * align;
        if (p.block != kSilenceBlock) {
            const auto it = snapshot.files.find(p.block);
            if (it == snapshot.files.end()) return kCannotReadMessage;
            range.fd = it->second->fd();
            range.offset = it->second->entry().dataOffset + (p.first + skip) * align;
        }
        if (const int r = visit(range); r != 0) return r;
        from += take;
    }
    return 0;
}

SequenceReader::SequenceReader(std::shared_ptr<const SequenceSnapshot> snapshot)
    : m_snapshot(std::move(snapshot)) {}

int SequenceReader::read(std::uint64_t from, std::uint64_t count, void* out, std::uint64_t* read) {
    auto* at = static_cast<unsigned char*>(out);
    std::uint64_t bytes = 0;
    const unsigned char silence = silenceByte(m_snapshot->format);
    const int r = forEachRange(*m_snapshot, from, from + count, [&](const ByteRange& range) {
        if (range.fd < 0) {
            std::memset(at + bytes, silence, range.bytes);
            bytes += range.bytes;
            return 0;
        }
        std::uint64_t got = 0;
        while (got < range.bytes) {
            const ssize_t n = ::pread(range.fd, at + bytes + got, range.bytes - got,
                                      static_cast<off_t>(range.offset + got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return kCannotReadMessage;
            got += static_cast<std::uint64_t>(n);
        }
        bytes += got;
        return 0;
    });
    if (read) *read = m_snapshot->format.blockAlign ? bytes / m_snapshot->format.blockAlign : 0;
    return r;
}

int saveWave(const SequenceSnapshot& snapshot, const std::string& target,
             const SaveOptions& options) {
    const WaveFormat& format = snapshot.format;
    const std::uint64_t total = snapshot.frames() * format.blockAlign;
    if (total > kMaxWaveDataBytes) return kCannotSaveMessage;
    auto writer = WaveWriter::createReplacing(target, format.sampleRate, format.bitsPerSample,
                                              format.channels, options.mode);
    if (!writer) return kCannotSaveMessage;
    writer->setFlushOnFinish(options.flush);
    std::vector<unsigned char> silence;
    std::uint64_t done = 0;
    const int r = forEachRange(snapshot, 0, snapshot.frames(), [&](const ByteRange& range) {
        if (range.fd >= 0) {
            if (!writer->writeFrom(range.fd, range.offset, range.bytes)) return kCannotSaveMessage;
        } else {
            if (silence.empty()) silence.assign(kSilenceBufferBytes, silenceByte(format));
            for (std::uint64_t left = range.bytes; left > 0;) {
                const std::size_t n =
                    static_cast<std::size_t>(std::min<std::uint64_t>(left, silence.size()));
                if (!writer->write(silence.data(), n)) return kCannotSaveMessage;
                left -= n;
            }
        }
        done += range.bytes;
        if (options.progress && !options.progress(done, total)) return kCancelled;
        return 0;
    });
    if (r != 0) return r;
    for (const CarriedChunk& c : options.chunks) {
        if (!writer->addChunkFrom(c.id, c.fd, c.offset, c.bytes)) return kCannotSaveMessage;
    }
    return writer->finish() ? 0 : kCannotSaveMessage;
}

}  // namespace sonthra
