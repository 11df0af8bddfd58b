#include "sequence/journal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace sonthra {
namespace {

constexpr char kMagic[8] = {'S', 'N', 'S', 'E', 'Q', 'J', '0', '1'};
constexpr std::size_t kRecordHead = 8;  // length, checksum
// No real record comes near this; a larger length is damage, not a record to read.
constexpr std::uint32_t kMaxRecordBytes = 1u << 30;
const char* const kTempName = "sequence.journal.new";

std::uint32_t crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char ch : bytes) c = table[(c ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

class Out {
public:
    explicit Out(JournalKind kind) { m_bytes.push_back(static_cast<char>(kind)); }
    void u64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) m_bytes.push_back(static_cast<char>(v >> (8 * i)));
    }
    void text(const std::string& s) {
        u64(s.size());
        m_bytes += s;
    }
    void pieces(const std::vector<Piece>& list) {
        u64(list.size());
        for (const Piece& p : list) {
            u64(p.block);
            u64(p.first);
            u64(p.frames);
        }
    }
    void blocks(const std::vector<BlockEntry>& list) {
        u64(list.size());
        for (const BlockEntry& b : list) {
            u64(b.id);
            text(b.name);
            u64(b.dataOffset);
            u64(b.frames);
        }
    }
    void step(const HistoryStep& s) {
        u64(s.change.index);
        pieces(s.change.removed);
        pieces(s.change.inserted);
        text(s.label);
        for (const Selection& sel : {s.before, s.after}) {
            u64(sel.from);
            u64(sel.to);
        }
    }
    std::string take() { return std::move(m_bytes); }

private:
    std::string m_bytes;
};

// Reads what Out wrote; every read checks the bytes left, and a count is never trusted beyond
// what the remaining bytes could hold.
class In {
public:
    explicit In(std::string_view bytes) : m_bytes(bytes) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_bytes.size(); }
    std::uint64_t u64() {
        if (m_bytes.size() - m_at < 8) return failed();
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) {
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(m_bytes[m_at + i]))
                 << (8 * i);
        }
        m_at += 8;
        return v;
    }
    std::uint32_t u32() {
        const std::uint64_t v = u64();
        return v > 0xFFFFFFFFu ? failed() : static_cast<std::uint32_t>(v);
    }
    std::string text() {
        const std::uint64_t n = u64();
        if (!m_ok || n > m_bytes.size() - m_at) return failed(), std::string();
        std::string s(m_bytes.substr(m_at, n));
        m_at += n;
        return s;
    }
    std::size_t count(std::size_t leastBytesEach) {
        const std::uint64_t n = u64();
        if (!m_ok || n > (m_bytes.size() - m_at) / leastBytesEach) return failed();
        return static_cast<std::size_t>(n);
    }
    std::vector<Piece> pieces() {
        std::vector<Piece> list(count(24));
        for (Piece& p : list) {
            p.block = u32();
            p.first = u64();
            p.frames = u64();
            if (p.frames == 0) failed();
        }
        return list;
    }
    std::vector<BlockEntry> blocks() {
        std::vector<BlockEntry> list(count(32));
        for (BlockEntry& b : list) {
            b.id = u32();
            b.name = text();
            b.dataOffset = u64();
            b.frames = u64();
            // A block's name is a plain name inside the folder, never a path.
            if (b.id == kSilenceBlock || b.name.empty() || b.name.find('/') != std::string::npos ||
                b.name == "." || b.name == "..") {
                failed();
            }
        }
        return list;
    }
    HistoryStep step() {
        HistoryStep s;
        s.change.index = static_cast<std::size_t>(u64());
        s.change.removed = pieces();
        s.change.inserted = pieces();
        s.label = text();
        for (Selection* sel : {&s.before, &s.after}) {
            sel->from = u64();
            sel->to = u64();
        }
        return s;
    }

private:
    std::uint64_t failed() {
        m_ok = false;
        m_at = m_bytes.size();
        return 0;
    }

    std::string_view m_bytes;
    std::size_t m_at = 0;
    bool m_ok = true;
};

std::string framed(const std::string& payload) {
    std::string out(kRecordHead, '\0');
    const auto length = static_cast<std::uint32_t>(payload.size());
    const std::uint32_t sum = crc32(payload);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>(length >> (8 * i));
        out[4 + i] = static_cast<char>(sum >> (8 * i));
    }
    return out + payload;
}

std::uint32_t le32(const char* p) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

bool writeAll(int fd, std::string_view bytes, std::uint64_t at) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
        at += static_cast<std::uint64_t>(n);
    }
    return true;
}

}  // namespace

std::string encodeState(const JournalState& state) {
    Out out(JournalKind::State);
    unsigned char format[kWaveFormatBytes];
    encodeWaveFormat(state.format, format);
    std::string text(reinterpret_cast<const char*>(format), sizeof format);
    out.text(text);
    out.u64(state.levelLimit);
    out.blocks(state.blocks);
    out.pieces(state.pieces);
    out.u64(state.steps.size());
    for (const HistoryStep& s : state.steps) out.step(s);
    out.u64(state.done);
    return out.take();
}

std::string encodeEdit(const std::vector<BlockEntry>& newBlocks, const HistoryStep& step) {
    Out out(JournalKind::Edit);
    out.blocks(newBlocks);
    out.step(step);
    return out.take();
}

std::string encodeUndo() {
    return Out(JournalKind::Undo).take();
}
std::string encodeRedo() {
    return Out(JournalKind::Redo).take();
}

std::string encodeLimit(std::uint64_t levelLimit) {
    Out out(JournalKind::Limit);
    out.u64(levelLimit);
    return out.take();
}

bool decodeRecord(std::string_view payload, JournalRecord* out) {
    if (payload.empty()) return false;
    In in(payload.substr(1));
    out->kind = static_cast<JournalKind>(payload[0]);
    switch (out->kind) {
        case JournalKind::State: {
            JournalState& s = out->state;
            const std::string format = in.text();
            if (format.size() != kWaveFormatBytes) return false;
            s.format = decodeWaveFormat(reinterpret_cast<const unsigned char*>(format.data()),
                                        format.size());
            s.levelLimit = in.u64();
            s.blocks = in.blocks();
            s.pieces = in.pieces();
            s.steps.resize(in.count(80));
            for (HistoryStep& step : s.steps) step = in.step();
            s.done = in.u64();
            if (s.done > s.steps.size()) return false;
            break;
        }
        case JournalKind::Edit:
            out->newBlocks = in.blocks();
            out->step = in.step();
            break;
        case JournalKind::Undo:
        case JournalKind::Redo:
            break;
        case JournalKind::Limit:
            out->levelLimit = in.u64();
            break;
        default:
            return false;
    }
    return in.ok() && in.atEnd();
}

int JournalFile::rewrite(const Workspace& workspace, const std::string& statePayload,
                         std::unique_ptr<JournalFile>* out) {
    workspace.removeFile(kTempName);
    const int fd = workspace.createFile(kTempName);
    if (fd < 0) return errno ? errno : EIO;
    const std::string bytes = std::string(kMagic, sizeof kMagic) + framed(statePayload);
    if (!writeAll(fd, bytes, 0) || ::fdatasync(fd) != 0 ||
        !workspace.renameFile(kTempName, kName) || !workspace.sync()) {
        const int err = errno ? errno : EIO;
        ::close(fd);
        workspace.removeFile(kTempName);
        return err;
    }
    out->reset(new JournalFile(fd, bytes.size()));
    return 0;
}

int JournalFile::open(const Workspace& workspace, std::vector<std::string>* payloads,
                      std::unique_ptr<JournalFile>* out) {
    const int fd = workspace.openFile(kName, true);
    if (fd < 0) return errno;
    struct stat st {};
    std::string bytes;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n =
                ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
    }
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        ::close(fd);
        return EINVAL;
    }
    std::size_t at = sizeof kMagic;
    payloads->clear();
    while (bytes.size() - at >= kRecordHead) {
        const std::uint32_t length = le32(bytes.data() + at);
        const std::uint32_t sum = le32(bytes.data() + at + 4);
        if (length > kMaxRecordBytes || length > bytes.size() - at - kRecordHead) break;
        const std::string_view payload(bytes.data() + at + kRecordHead, length);
        if (crc32(payload) != sum) break;
        payloads->emplace_back(payload);
        at += kRecordHead + length;
    }
    // What follows the last whole record is an edit that never finished.
    if (at != bytes.size() && ::ftruncate(fd, static_cast<off_t>(at)) != 0) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    out->reset(new JournalFile(fd, at));
    return 0;
}

JournalFile::~JournalFile() {
    ::close(m_fd);
}

int JournalFile::append(const std::string& payload) {
    const std::string bytes = framed(payload);
    if (writeAll(m_fd, bytes, m_size) && ::fdatasync(m_fd) == 0) {
        m_size += bytes.size();
        return 0;
    }
    const int err = errno ? errno : EIO;
    // A part of the record left behind would read as a torn tail anyway; cutting it keeps the
    // next record from following garbage.
    if (::ftruncate(m_fd, static_cast<off_t>(m_size)) == 0) ::fdatasync(m_fd);
    return err;
}

}  // namespace sonthra
