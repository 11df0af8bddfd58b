#include "view/wave_source.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "view/view_errors.h"
#include "wave/riff.h"
#include "wave/wave_layout.h"

namespace sonthra {
namespace {

int inspectCode(WaveInspect result) {
    switch (result) {
        case WaveInspect::Ok:
            return kViewOk;
        case WaveInspect::CannotOpen:
            return kViewErrCannotOpen;
        case WaveInspect::NotWave:
            return kViewErrNotWave;
        case WaveInspect::NoFmt:
            return kViewErrNoFmt;
        case WaveInspect::BadFmt:
            return kViewErrFmtShort;
        case WaveInspect::NoData:
            return kViewErrNoData;
    }
    return kViewErrCannotOpen;
}

int readHeader(RiffFile& file, WaveHeaderInfo& info) {
    WaveFileLayout layout;
    const int code = inspectCode(inspectWave(file, layout));
    if (code != kViewOk) return code;
    // What cannot be played and edited is not shown either (A-law, a rate of 0, 24 bits).
    if (!isSupportedPcm(layout.format)) return kViewErrUnsupported;
    info.format = layout.format;
    info.format.formatTag = 0;
    info.format.extraSize = 0;
    info.totalSamples = layout.frames();
    info.dataOffset = layout.dataOffset;
    return kViewOk;
}

}  // namespace

int ReadWaveHeader(const std::string& name, WaveHeaderInfo& info) {
    info = WaveHeaderInfo{};
    RiffFile file;
    if (name.empty() || file.open(name, RiffFile::Mode::Read) != kRiffOk) {
        return kViewErrCannotOpen;
    }
    const int code = readHeader(file, info);
    if (code != kViewOk) info = WaveHeaderInfo{};
    return code;
}

int CheckWaveFormat(const std::string& name) {
    WaveHeaderInfo info;
    return ReadWaveHeader(name, info);
}

SampleFile::~SampleFile() {
    close();
}

int SampleFile::open(const std::string& name) {
    close();
    RiffFile file;
    if (name.empty() || file.open(name, RiffFile::Mode::Read) != kRiffOk) {
        return kViewErrCannotOpen;
    }
    const int code = readHeader(file, m_info);
    if (code != kViewOk) {
        m_info = WaveHeaderInfo{};
        return code;
    }
    // A descriptor of our own on the same open file, so that reads bypass the chunk layer's
    // buffer and a file renamed over this name meanwhile is not mixed in.
    m_fd = ::fcntl(file.fd(), F_DUPFD_CLOEXEC, 0);
    if (m_fd < 0) {
        m_info = WaveHeaderInfo{};
        return kViewErrCannotOpen;
    }
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_dataBytes = static_cast<std::uint64_t>(m_info.totalSamples) * m_info.format.blockAlign;
    return kViewOk;
}

void SampleFile::close() {
    unmap();
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_info = WaveHeaderInfo{};
    m_dataBytes = 0;
}

std::int64_t SampleFile::read(std::uint64_t offset, void* buffer, std::size_t count) {
    if (m_fd < 0) return -1;
    if (offset >= m_dataBytes) return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_dataBytes - offset));
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(m_fd, out + done, count - done,
                                  static_cast<off_t>(m_info.dataOffset + offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

void SampleFile::unmap() {
    if (m_map) ::munmap(m_map, m_mapBytes);
    m_map = nullptr;
    m_mapBytes = 0;
    m_mapTried = false;
    m_cursor = MapCursor{};
}

bool SampleFile::mapped() {
    if (m_map) return true;
    if (m_fd < 0 || m_dataBytes == 0 || m_mapTried || !m_mapAllowed) return false;
    m_mapTried = true;
    const std::uint64_t bytes = m_info.dataOffset + m_dataBytes;
    if (bytes > SIZE_MAX) return false;
    void* p = ::mmap(nullptr, static_cast<std::size_t>(bytes), PROT_READ, MAP_SHARED, m_fd, 0);
    if (p == MAP_FAILED) return false;
    m_map = static_cast<unsigned char*>(p);
    m_mapBytes = static_cast<std::size_t>(bytes);
    return true;
}

const unsigned char* SampleFile::view(std::uint64_t offset, std::size_t count) {
    return view(offset, count, m_cursor);
}

const unsigned char* SampleFile::view(std::uint64_t offset, std::size_t count,
                                      MapCursor& cursor) const {
    if (!m_map || offset >= m_dataBytes) return nullptr;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_dataBytes - offset));
    static const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t start =
        reinterpret_cast<std::uintptr_t>(m_map + m_info.dataOffset + offset);
    const std::uintptr_t first = start & ~(page - 1);
    const std::uintptr_t end = start + count;
    // The stretch before is done with: its pages leave this process's tables (they stay in
    // the page cache), so that a scan of a long file never holds more than two stretches.
    if (cursor.end > cursor.first) {
        const std::uintptr_t dropEnd = std::min(cursor.end, first);
        if (dropEnd > cursor.first) {
            ::madvise(reinterpret_cast<void*>(cursor.first), dropEnd - cursor.first, MADV_DONTNEED);
        }
    }
    cursor.first = first;
    cursor.end = end & ~(page - 1);
    // Populating maps the pages in one call instead of a fault each, and fails instead of
    // raising SIGBUS when the file no longer reaches this far.
    if (::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_READ) != 0 &&
        errno != EINVAL) {
        return nullptr;
    }
    // The next stretch is read from the disk meanwhile, if it is not in memory already.
    const std::uintptr_t mapEnd = reinterpret_cast<std::uintptr_t>(m_map) + m_mapBytes;
    const std::uintptr_t ahead = (end + page - 1) & ~(page - 1);
    if (ahead < mapEnd) {
        ::madvise(reinterpret_cast<void*>(ahead),
                  std::min<std::uintptr_t>(end - first, mapEnd - ahead), MADV_WILLNEED);
    }
    return reinterpret_cast<const unsigned char*>(start);
}

}  // namespace sonthra
