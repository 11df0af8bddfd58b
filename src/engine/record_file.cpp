#include "engine/record_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/engine_errors.h"

namespace sonthra {
namespace {

void put16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

bool writeAll(int fd, const void* data, std::size_t bytes, std::size_t& written) {
    written = 0;
    while (written < bytes) {
        const ssize_t n = ::write(fd, static_cast<const char*>(data) + written, bytes - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

RecordFile::~RecordFile() {
    if (m_fd >= 0) ::close(m_fd);
}

std::uint64_t RecordFile::maxDataBytes(std::uint16_t blockAlign) {
    // RIFF size = 38 + data + pad byte must fit in 32 bits.
    const std::uint64_t limit = 0xFFFFFFFFull - 38 - 1;
    return blockAlign == 0 ? 0 : limit - limit % blockAlign;
}

int RecordFile::create(const std::string& path, std::uint32_t sampleRate,
                       std::uint16_t bitsPerSample, std::uint16_t channels) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0) return engine_error::kCannotOpenRecordFile;
    m_sampleRate = sampleRate;
    m_bits = bitsPerSample;
    m_channels = channels;
    m_blockAlign = static_cast<std::uint16_t>(channels * (bitsPerSample / 8));
    m_dataBytes = 0;
    m_failed = false;
    if (!writeHeader(0, 0) || ::lseek(m_fd, 0, SEEK_END) != static_cast<off_t>(kHeaderBytes)) {
        ::close(m_fd);
        m_fd = -1;
        return engine_error::kCannotOpenRecordFile;
    }
    return 0;
}

bool RecordFile::writeHeader(std::uint64_t dataBytes, std::uint64_t riffExtra) {
    unsigned char h[kHeaderBytes];
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, static_cast<std::uint32_t>(38 + dataBytes + riffExtra));
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 18);
    put16(h + 20, 1);
    put16(h + 22, m_channels);
    put32(h + 24, m_sampleRate);
    put32(h + 28, m_sampleRate * m_blockAlign);
    put16(h + 32, m_blockAlign);
    put16(h + 34, m_bits);
    put16(h + 36, 0);
    std::memcpy(h + 38, "data", 4);
    put32(h + 42, static_cast<std::uint32_t>(dataBytes));
    std::size_t done = 0;
    while (done < sizeof h) {
        const ssize_t n = ::pwrite(m_fd, h + done, sizeof h - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool RecordFile::append(const void* data, std::size_t bytes) {
    if (m_fd < 0 || m_failed) return false;
    const std::uint64_t room = maxDataBytes(m_blockAlign) - m_dataBytes;
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, room));
    std::size_t written = 0;
    const bool ok = writeAll(m_fd, data, take, written);
    m_dataBytes += written;
    if (ok && take == bytes) return true;
    // A disk that filled up may have taken part of a frame; the header must describe whole
    // frames only, and nothing more is appended after a failure.
    m_failed = true;
    cutToWholeFrames();
    updateHeader();
    return false;
}

void RecordFile::cutToWholeFrames() {
    const std::uint64_t whole = m_dataBytes - m_dataBytes % m_blockAlign;
    if (whole != m_dataBytes && ::ftruncate(m_fd, static_cast<off_t>(kHeaderBytes + whole)) == 0)
        m_dataBytes = whole;
}

bool RecordFile::updateHeader(bool sync) {
    if (m_fd < 0) return false;
    const std::uint64_t whole = m_dataBytes - m_dataBytes % m_blockAlign;
    return writeHeader(whole, 0) && (!sync || ::fdatasync(m_fd) == 0);
}

bool RecordFile::finish() {
    if (m_fd < 0) return false;
    cutToWholeFrames();
    bool ok = !m_failed;
    std::uint64_t pad = 0;
    if (m_dataBytes % 2 != 0) {
        const unsigned char zero = 0;
        std::size_t written = 0;
        if (writeAll(m_fd, &zero, 1, written)) pad = 1;
    }
    const std::uint64_t whole = m_dataBytes - m_dataBytes % m_blockAlign;
    ok = writeHeader(whole, pad) && ok;
    ok = ::fsync(m_fd) == 0 && ok;
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    return ok;
}

}  // namespace sonthra
