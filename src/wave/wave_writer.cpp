#include "wave/wave_writer.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "wave/file_copy.h"

namespace sonthra {
namespace {

// Writes the RIFF "WAVE" header up to the start of the samples. 0 or the failing step's number
// (createEmptyWave's numbering).
int writeHeader(RiffFile& file, const WaveFormat& format, RiffChunk& riff, RiffChunk& data) {
    riff = RiffChunk{};
    riff.id = kRiffId;
    riff.formType = kWaveId;
    if (file.createChunk(riff) != kRiffOk) return 170;
    RiffChunk fmt;
    fmt.id = kFmtId;
    if (file.createChunk(fmt) != kRiffOk) return 171;
    unsigned char bytes[kWaveFormatBytes];
    encodeWaveFormat(format, bytes);
    if (!file.write(bytes, sizeof bytes)) return 172;
    if (file.ascend(fmt) != kRiffOk) return 173;
    data = RiffChunk{};
    data.id = kDataId;
    if (file.createChunk(data) != kRiffOk) return 174;
    return 0;
}

}  // namespace

std::unique_ptr<WaveWriter> WaveWriter::create(const std::string& name, std::uint32_t sampleRate,
                                               std::uint16_t bits, std::uint16_t channels) {
    std::unique_ptr<WaveWriter> writer(new WaveWriter);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    writer->m_ownFd = fd;
    if (!writer->start(fd, sampleRate, bits, channels)) return nullptr;
    return writer;
}

std::unique_ptr<WaveWriter> WaveWriter::createReplacing(const std::string& name,
                                                        std::uint32_t sampleRate,
                                                        std::uint16_t bits, std::uint16_t channels,
                                                        std::optional<mode_t> mode) {
    std::unique_ptr<WaveWriter> writer(new WaveWriter);
    writer->m_safe = std::make_unique<SafeFileWriter>(name, mode);
    if (!writer->m_safe->open()) return nullptr;
    if (!writer->start(writer->m_safe->fd(), sampleRate, bits, channels)) return nullptr;
    return writer;
}

WaveWriter::~WaveWriter() {
    m_file.close();
    if (m_ownFd >= 0) ::close(m_ownFd);
    // An unfinished replacing writer's SafeFileWriter removes its file.
}

bool WaveWriter::start(int fd, std::uint32_t sampleRate, std::uint16_t bits,
                       std::uint16_t channels) {
    m_format = makePcmFormat(sampleRate, bits, channels);
    if (m_file.attach(fd, RiffFile::Mode::Create) != kRiffOk) return fail(ENOMEM);
    if (writeHeader(m_file, m_format, m_riff, m_data) != 0) return fail(m_file.lastErrno());
    m_dataOpen = true;
    return true;
}

bool WaveWriter::fail(int err) {
    if (!m_failed) {
        m_failed = true;
        m_error = err ? err : EIO;
    }
    m_file.close();
    if (m_ownFd >= 0) {
        ::close(m_ownFd);
        m_ownFd = -1;
    }
    if (m_safe) m_safe->discard();
    return false;
}

bool WaveWriter::write(const void* buffer, std::size_t count) {
    if (m_failed || m_finished) return false;
    if (!m_dataOpen) return fail(EBADF);
    if (m_dataBytes + count > kMaxWaveDataBytes) return fail(EFBIG);
    if (!m_file.write(buffer, count)) return fail(m_file.lastErrno());
    m_dataBytes += count;
    return true;
}

// The samples' first stretch sits at the same offset in both files when their headers are as
// long: from the file's start up to the last whole block the stretch covers, the two files then
// hold the same bytes but for the header, so those blocks are shared and only our own header is
// written again over the source's. Where the clone is refused nothing has changed.
std::uint64_t WaveWriter::shareFrom(int fd, std::uint64_t offset, std::uint64_t count) {
    if (m_failed || m_finished || !m_dataOpen || m_copyMethod != CopyMethod::Kernel ||
        m_dataBytes != 0 || m_dataBytes + count > kMaxWaveDataBytes || !m_file.flush()) {
        return 0;
    }
    const std::uint64_t at = m_file.tell();
    if (offset != at || at != kWaveHeaderBytes) return 0;
    struct stat st {};
    if (::fstat(m_file.fd(), &st) != 0 || st.st_blksize <= 0) return 0;
    const auto block = static_cast<std::uint64_t>(st.st_blksize);
    const std::uint64_t end = (at + count) / block * block;
    if (end <= at) return 0;
    file_clone_range range{};
    range.src_fd = fd;
    range.src_offset = 0;
    range.src_length = end;
    range.dest_offset = 0;
    if (::ioctl(m_file.fd(), FICLONERANGE, &range) != 0) return 0;
    // The clone brought the source's header along; ours goes back over it, as start() wrote it.
    if (!m_file.seek(0) || writeHeader(m_file, m_format, m_riff, m_data) != 0 ||
        m_file.tell() != at || !m_file.flush() || !m_file.seek(end)) {
        fail(m_file.lastErrno());
        return 0;
    }
    m_dataBytes = end - at;
    return m_dataBytes;
}

bool WaveWriter::copyFrom(int fd, std::uint64_t offset, std::uint64_t count) {
    if (!m_file.flush()) return fail(m_file.lastErrno());
    const std::uint64_t at = m_file.tell();
    const CopyResult r = copyFileBytes(fd, offset, m_file.fd(), at, count, m_copyMethod);
    if (!r.ok()) return fail(r.error);
    return m_file.seek(at + count) || fail(EIO);
}

bool WaveWriter::writeFrom(int fd, std::uint64_t offset, std::uint64_t count) {
    if (m_failed || m_finished) return false;
    if (!m_dataOpen) return fail(EBADF);
    if (m_dataBytes + count > kMaxWaveDataBytes) return fail(EFBIG);
    if (!copyFrom(fd, offset, count)) return false;
    m_dataBytes += count;
    return true;
}

bool WaveWriter::closeData() {
    if (!m_dataOpen) return true;
    m_dataOpen = false;
    return m_file.ascend(m_data) == kRiffOk || fail(m_file.lastErrno());
}

bool WaveWriter::addChunkFrom(std::uint32_t id, int fd, std::uint64_t offset, std::uint32_t count) {
    if (m_failed || m_finished) return false;
    if (!closeData()) return false;
    // The bytes are the whole body as found, a LIST chunk's form type included, so the header
    // is the plain eight bytes whatever the id: createChunk would write a form type of its own.
    if (m_file.tell() + 8 + count + (count & 1u) > 0xFFFFFFFFull) return fail(EFBIG);
    unsigned char header[8];
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<unsigned char>(id >> (8 * i));
        header[4 + i] = static_cast<unsigned char>(count >> (8 * i));
    }
    if (!m_file.write(header, sizeof header)) return fail(m_file.lastErrno());
    if (!copyFrom(fd, offset, count)) return false;
    const unsigned char pad = 0;
    return (count & 1u) == 0 || m_file.write(&pad, 1) || fail(m_file.lastErrno());
}

bool WaveWriter::addChunksFrom(int fd, const std::vector<RiffChunk>& chunks) {
    for (const RiffChunk& chunk : chunks) {
        if (chunk.id == kFactId) continue;
        if (!addChunkFrom(chunk.id, fd, chunk.dataOffset, chunk.size)) return false;
    }
    return true;
}

bool WaveWriter::finish() {
    if (m_failed || m_finished) return false;
    if (!closeData()) return false;
    if (m_file.ascend(m_riff) != kRiffOk) return fail(m_file.lastErrno());
    if (m_file.close() != kRiffOk) return fail(m_file.lastErrno());
    if (m_safe) {
        if (!m_safe->commit(m_flushOnFinish)) return fail(m_safe->error());
        m_safe.reset();
    } else if (m_ownFd >= 0) {
        const int fd = m_ownFd;
        m_ownFd = -1;
        if (::close(fd) != 0) return fail(errno);
    }
    m_finished = true;
    return true;
}

int createEmptyWave(const std::string& name, std::uint32_t sampleRate, std::uint16_t bits,
                    std::uint16_t channels) {
    RiffFile file;
    if (file.open(name, RiffFile::Mode::Create) != kRiffOk) return 160;
    RiffChunk riff;
    RiffChunk data;
    const int step = writeHeader(file, makePcmFormat(sampleRate, bits, channels), riff, data);
    if (step != 0) return step;
    if (file.ascend(data) != kRiffOk) return 175;
    if (file.ascend(riff) != kRiffOk) return 176;
    if (file.close() != kRiffOk) return 176;
    return 0;
}

}  // namespace sonthra
