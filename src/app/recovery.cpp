#include "app/recovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <random>

#include "platform/temp_file.h"
#include "wave/safe_file.h"
#include "wave/wave_probe.h"

namespace sonthra {

namespace {

constexpr std::string_view kVersionLine = "Sonthra recovery 1";
constexpr std::string_view kLockSuffix = ".lock";
constexpr std::string_view kManifestSuffix = ".manifest";
constexpr std::size_t kPrefixChars = kTemporaryPrefix.size();
constexpr std::size_t kUniqueChars = 6;        // the unique part of a temporary name
constexpr std::size_t kPartialHexDigits = 10;  // a safe save's suffix
constexpr std::size_t kMaxManifestBytes = 1 << 20;
constexpr std::uint32_t kRiffHeaderBytes = 12;

bool isUnique(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

bool isLowerHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string baseOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// %XX for the bytes that would break a line or a field.
std::string escape(std::string_view value) {
    std::string out;
    for (char c : value) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r' || c == '\0') {
            static const char* hex = "0123456789ABCDEF";
            out += '%';
            out += hex[(static_cast<unsigned char>(c) >> 4) & 0xF];
            out += hex[static_cast<unsigned char>(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out += value[i];
            continue;
        }
        if (i + 2 >= value.size()) return std::nullopt;
        const int high = hexValue(value[i + 1]);
        const int low = hexValue(value[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? text.npos : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

std::optional<std::int64_t> number(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// A working file named in a manifest: absolute, and one of our temporary names (or empty).
bool plausibleWorkFile(const std::string& path) {
    return path.empty() || (path.front() == '/' && IsTemporaryName(baseOf(path)));
}

std::int64_t nowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool ownRegularFile(const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_uid == ::getuid();
}

std::string readSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return {};
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && ownRegularFile(st) &&
        static_cast<std::uint64_t>(st.st_size) <= kMaxManifestBytes) {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    return text;
}

// The peak file kept beside a working copy: its ".tmp" becomes ".cvp".
std::string peakFileOf(const std::string& workFile) {
    if (!endsWith(workFile, ".tmp")) return {};
    return workFile.substr(0, workFile.size() - 4) + ".cvp";
}

// "ST32abc123" of a working file, the part every file made from it shares.
std::string stemOf(const std::string& path) {
    const std::string base = baseOf(path);
    return base.size() >= kPrefixChars + kUniqueChars ? base.substr(0, kPrefixChars + kUniqueChars)
                                                      : std::string();
}

// Whether name holds one of stems (an empty stem, of a name that is not ours, holds nothing).
bool sharesStem(const std::string& name, const std::vector<std::string>& stems) {
    return std::any_of(stems.begin(), stems.end(), [&](const std::string& stem) {
        return !stem.empty() && name.find(stem) != std::string::npos;
    });
}

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void putLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

int lockFile(const std::string& path, bool create) {
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT | O_EXCL : 0);
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

}  // namespace

std::string FormatManifest(const RecoveryManifest& manifest) {
    std::string text(kVersionLine);
    text += "\npid\t" + std::to_string(manifest.pid);
    text += "\nstarted\t" + std::to_string(manifest.started);
    for (const std::string& folder : manifest.tempFolders) text += "\ntemp\t" + escape(folder);
    for (const RecoveryEntry& e : manifest.entries) {
        text += "\ndocument\t" + std::to_string(e.state) + '\t' + (e.workReady ? "1" : "0") + '\t' +
                std::to_string(e.workStamp) + '\t' + (e.recording ? "1" : "0") + '\t' +
                escape(e.name) + '\t' + escape(e.workFile) + '\t' + escape(e.undoFile) + '\t' +
                escape(e.redoFile);
    }
    text += "\nend\n";
    return text;
}

std::optional<RecoveryManifest> ParseManifest(std::string_view text) {
    if (text.size() > kMaxManifestBytes) return std::nullopt;
    std::vector<std::string_view> lines = split(text, '\n');
    // A manifest ends with "end" and a line end; one cut short by a full disk is not used.
    if (lines.size() < 3 || lines[0] != kVersionLine || lines.back() != "" ||
        lines[lines.size() - 2] != "end") {
        return std::nullopt;
    }
    RecoveryManifest manifest;
    bool pid = false;
    bool started = false;
    for (std::size_t i = 1; i + 2 < lines.size(); ++i) {
        const std::vector<std::string_view> f = split(lines[i], '\t');
        if (f[0] == "pid" && f.size() == 2 && !pid) {
            const auto value = number(f[1]);
            if (!value || *value <= 0) return std::nullopt;
            manifest.pid = *value;
            pid = true;
        } else if (f[0] == "started" && f.size() == 2 && !started) {
            const auto value = number(f[1]);
            if (!value || *value < 0) return std::nullopt;
            manifest.started = *value;
            started = true;
        } else if (f[0] == "temp" && f.size() == 2) {
            auto folder = unescape(f[1]);
            if (!folder || folder->empty() || folder->front() != '/') return std::nullopt;
            manifest.tempFolders.push_back(std::move(*folder));
        } else if (f[0] == "document" && f.size() == 9) {
            RecoveryEntry e;
            const auto state = number(f[1]);
            const auto stamp = number(f[3]);
            if (!state || *state < 1 || *state > 3 || !stamp || (f[2] != "0" && f[2] != "1") ||
                (f[4] != "0" && f[4] != "1")) {
                return std::nullopt;
            }
            e.state = static_cast<std::int32_t>(*state);
            e.workReady = f[2] == "1";
            e.workStamp = *stamp;
            e.recording = f[4] == "1";
            auto name = unescape(f[5]);
            auto work = unescape(f[6]);
            auto undo = unescape(f[7]);
            auto redo = unescape(f[8]);
            if (!name || !work || !undo || !redo || name->empty() || work->empty()) {
                return std::nullopt;
            }
            e.name = std::move(*name);
            e.workFile = std::move(*work);
            e.undoFile = std::move(*undo);
            e.redoFile = std::move(*redo);
            // Only our own temporary files may ever be removed on a manifest's word.
            if (!plausibleWorkFile(e.workFile) || !plausibleWorkFile(e.undoFile) ||
                !plausibleWorkFile(e.redoFile)) {
                return std::nullopt;
            }
            manifest.entries.push_back(std::move(e));
        } else {
            return std::nullopt;
        }
    }
    if (!pid || !started) return std::nullopt;
    return manifest;
}

std::int64_t FileStamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

bool IsTemporaryName(std::string_view name, bool partial) {
    if (partial && !name.empty() && name.front() == '.') {
        name.remove_prefix(1);
        // A safe save's partial of a working copy or its peak file.
        const std::size_t dot = name.find_last_of('.');
        if (dot != std::string_view::npos && name.size() - dot - 1 == kPartialHexDigits &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(dot) + 1, name.end(),
                        isLowerHex) &&
            IsTemporaryName(name.substr(0, dot))) {
            return true;
        }
    }
    if (name.size() < kPrefixChars + kUniqueChars || !name.starts_with(kTemporaryPrefix))
        return false;
    const auto unique = name.begin() + kPrefixChars;
    if (!std::all_of(unique, unique + kUniqueChars, isUnique)) return false;
    const std::string_view rest = name.substr(kPrefixChars + kUniqueChars);
    return rest.empty() || rest == ".tmp" || rest == ".cvp";
}

bool IsPartialSaveName(std::string_view name, std::string_view base) {
    if (base.empty() || name.size() != 1 + base.size() + 1 + kPartialHexDigits) return false;
    if (name.front() != '.' || name.substr(1, base.size()) != base || name[1 + base.size()] != '.')
        return false;
    const std::string_view suffix = name.substr(2 + base.size());
    return std::all_of(suffix.begin(), suffix.end(), isLowerHex);
}

int RemovePartialSaves(const std::string& userFile, std::int64_t notBefore, std::int64_t notAfter) {
    const std::string base = baseOf(userFile);
    const std::string folder = folderOf(userFile);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!IsPartialSaveName(name, base)) continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !ownRegularFile(st)) continue;
        if (st.st_mtim.tv_sec < notBefore || st.st_mtim.tv_sec >= notAfter) continue;
        if (::unlink(path.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

std::optional<DataRepair> PlanDataRepair(std::string_view head, std::uint64_t fileSize) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
    if (head.size() < kRiffHeaderBytes || head.substr(0, 4) != "RIFF" ||
        head.substr(8, 4) != "WAVE") {
        return std::nullopt;
    }
    std::uint64_t at = kRiffHeaderBytes;
    std::uint16_t blockAlign = 0;
    while (at + 8 <= head.size()) {
        const std::string_view id = head.substr(static_cast<std::size_t>(at), 4);
        const std::uint64_t size = le32(bytes + at + 4);
        if (id == "fmt " && size >= 14 && at + 8 + 14 <= head.size()) {
            blockAlign = static_cast<std::uint16_t>(bytes[at + 8 + 12] | bytes[at + 8 + 13] << 8);
        }
        if (id == "data") {
            if (blockAlign == 0) return std::nullopt;
            const std::uint64_t start = at + 8;
            if (fileSize < start) return std::nullopt;
            std::uint64_t held = fileSize - start;
            // A header states at most 4 GB; what lies beyond cannot be described anyway.
            const std::uint64_t limit = 0xFFFFFFFFull - start;
            held = std::min(held, limit - limit % blockAlign);
            held -= held % blockAlign;
            // Only a data chunk that the file's end cuts short, or that ends before the file
            // does with nothing after it that the header names, is grown; never shrunk.
            if (held <= size) return std::nullopt;
            DataRepair repair;
            repair.dataSizeOffset = at + 4;
            repair.dataSize = static_cast<std::uint32_t>(held);
            repair.riffSize = static_cast<std::uint32_t>(start + held - 8);
            return repair;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

int RepairRecordedLength(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    std::string head(4096, '\0');
    const ssize_t n = ::pread(fd, head.data(), head.size(), 0);
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    const auto repair = PlanDataRepair(head, static_cast<std::uint64_t>(st.st_size));
    int result = 0;
    if (!repair) {
        result = head.size() >= kRiffHeaderBytes && head.substr(0, 4) == "RIFF" ? 0 : -1;
    } else {
        unsigned char size[4];
        putLe32(size, repair->dataSize);
        unsigned char riff[4];
        putLe32(riff, repair->riffSize);
        if (::pwrite(fd, size, 4, static_cast<off_t>(repair->dataSizeOffset)) != 4 ||
            ::pwrite(fd, riff, 4, 4) != 4 || ::fsync(fd) != 0) {
            result = errno != 0 ? errno : EIO;
        }
    }
    ::close(fd);
    return result;
}

bool RemoveOwnTemporary(const std::string& path) {
    if (path.empty()) return true;
    if (!IsTemporaryName(baseOf(path), true)) return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (!ownRegularFile(st)) return false;
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

InstanceRecord::InstanceRecord(std::string folder) : m_folder(std::move(folder)) {}

InstanceRecord::~InstanceRecord() {
    if (m_lockFd < 0) return;
    if (!m_kept) {
        // The manifest goes first: a lock file alone is only an empty record.
        ::unlink(m_manifestPath.c_str());
        ::unlink(m_lockPath.c_str());
    }
    ::close(m_lockFd);
}

int InstanceRecord::Open() {
    if (m_lockFd >= 0) return 0;
    // The settings folder itself may not exist yet on a first run: missing folders are made
    // private, as the record's own.
    for (std::size_t slash = m_folder.find('/', 1);; slash = m_folder.find('/', slash + 1)) {
        const std::string part = m_folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
        if (slash == std::string::npos) break;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char unique[32];
        std::snprintf(unique, sizeof unique, "%ld-%08x", static_cast<long>(::getpid()),
                      static_cast<unsigned>(random()));
        const std::string stem = m_folder + "/" + unique;
        const int fd = lockFile(stem + std::string(kLockSuffix), true);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        m_lockFd = fd;
        m_lockPath = stem + std::string(kLockSuffix);
        m_manifestPath = stem + std::string(kManifestSuffix);
        return 0;
    }
    return EEXIST;
}

bool InstanceRecord::Update(const RecoveryManifest& manifest) {
    if (m_lockFd < 0 || m_kept) return false;
    // The lock file's time says when this copy was last alive, so that a later start never
    // takes a file another program changed after this copy died for one of this copy's.
    ::futimens(m_lockFd, nullptr);
    std::string text = FormatManifest(manifest);
    if (text == m_written) return true;
    if (!writeFileSafely(m_manifestPath, text, 0600)) return false;
    m_written = std::move(text);
    return true;
}

AbandonedRun::AbandonedRun(std::string lockPath, std::string manifestPath, int lockFd,
                           RecoveryManifest manifest)
    : m_lockPath(std::move(lockPath)),
      m_manifestPath(std::move(manifestPath)),
      m_lockFd(lockFd),
      m_manifest(std::move(manifest)) {}

AbandonedRun::~AbandonedRun() {
    if (m_lockFd >= 0) ::close(m_lockFd);
}

AbandonedRun::AbandonedRun(AbandonedRun&& other) noexcept
    : m_lockPath(std::move(other.m_lockPath)),
      m_manifestPath(std::move(other.m_manifestPath)),
      m_lockFd(other.m_lockFd),
      m_manifest(std::move(other.m_manifest)) {
    other.m_lockFd = -1;
}

std::vector<RecoveryEntry> AbandonedRun::Recoverable() const {
    std::vector<RecoveryEntry> found;
    for (const RecoveryEntry& e : m_manifest.entries) {
        struct stat st {};
        if (::lstat(e.workFile.c_str(), &st) != 0 || !ownRegularFile(st)) continue;
        bool unsaved = false;
        if (e.recording || e.state == 3) {
            // A recording holds more than its header says when the copy died between the two.
            RepairRecordedLength(e.workFile);
            std::uint32_t frames = 0;
            unsaved = probeWave(e.workFile, &frames, nullptr) == 0 && frames > 0;
        } else if (e.state == 1) {
            unsaved = true;
        } else {
            // Clean when last written down; an edit in the moment before the end changed the
            // working copy since.
            unsaved = e.workReady && FileStamp(e.workFile) != e.workStamp;
        }
        if (unsaved) found.push_back(e);
    }
    return found;
}

void AbandonedRun::Discard(const std::vector<RecoveryEntry>& keep,
                           const std::vector<std::string>& spare, bool sweep) {
    auto kept = [&](const std::string& workFile) {
        return std::any_of(keep.begin(), keep.end(),
                           [&](const RecoveryEntry& k) { return k.workFile == workFile; });
    };
    std::vector<std::string> keptStems;
    for (const RecoveryEntry& k : keep) keptStems.push_back(stemOf(k.workFile));
    for (const std::string& file : spare) keptStems.push_back(stemOf(file));
    const std::int64_t now = nowSeconds();
    RecoveryManifest rest = m_manifest;
    rest.entries.clear();
    for (const RecoveryEntry& e : m_manifest.entries) {
        // A save of the document's file killed half way left its partial beside the file.
        if (!e.recording && !e.name.empty() && e.name.front() == '/') {
            RemovePartialSaves(e.name, m_manifest.started, now + 1);
        }
        if (kept(e.workFile)) {
            rest.entries.push_back(e);
            continue;
        }
        for (const std::string& file : {e.workFile, e.undoFile, e.redoFile}) {
            RemoveOwnTemporary(file);
            RemoveOwnTemporary(peakFileOf(file));
        }
    }
    if (sweep) {
        struct stat lockStat {};
        const std::int64_t lastAlive = ::fstat(m_lockFd, &lockStat) == 0
                                           ? static_cast<std::int64_t>(lockStat.st_mtim.tv_sec)
                                           : m_manifest.started;
        // What the run made: names carrying its process's tag (another copy or tool running at
        // the same time has its own), and those made from its documents' files.
        const std::string runTag = TemporaryTagOf(m_manifest.pid);
        std::vector<std::string> runStems;
        for (const RecoveryEntry& e : m_manifest.entries) {
            for (const std::string& file : {e.workFile, e.undoFile, e.redoFile}) {
                runStems.push_back(stemOf(file));
            }
        }
        for (const std::string& folder : m_manifest.tempFolders) {
            DIR* dir = ::opendir(folder.c_str());
            if (dir == nullptr) continue;
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (!IsTemporaryName(name, true)) continue;
                const std::string_view unique =
                    std::string_view(name).substr((name.front() == '.' ? 1 : 0) + kPrefixChars);
                const bool madeByRun = unique.starts_with(runTag) || sharesStem(name, runStems);
                if (!madeByRun || sharesStem(name, keptStems)) continue;
                const std::string path = folder + (folder.back() == '/' ? "" : "/") + name;
                struct stat st {};
                // Only what was made or changed while the dead copy ran: from its start to its
                // last sign of life (the lock file's time, renewed with every update), with a
                // second's grace for the writes of its last moments.
                if (::lstat(path.c_str(), &st) != 0 || st.st_mtim.tv_sec < m_manifest.started ||
                    st.st_mtim.tv_sec > lastAlive + 1)
                    continue;
                RemoveOwnTemporary(path);
            }
            ::closedir(dir);
        }
    }
    if (rest.entries.empty()) {
        ::unlink(m_manifestPath.c_str());
        ::unlink(m_lockPath.c_str());
    } else {
        writeFileSafely(m_manifestPath, FormatManifest(rest), 0600);
        m_manifest = std::move(rest);
    }
}

std::vector<AbandonedRun> ClaimAbandonedRuns(const std::string& folder, const std::string& own,
                                             bool* othersAlive) {
    if (othersAlive != nullptr) *othersAlive = false;
    std::vector<std::string> stems;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            for (std::string_view suffix : {kLockSuffix, kManifestSuffix}) {
                if (endsWith(name, suffix) && name.size() > suffix.size()) {
                    stems.emplace_back(name.substr(0, name.size() - suffix.size()));
                }
            }
        }
        ::closedir(dir);
    }
    std::sort(stems.begin(), stems.end());
    stems.erase(std::unique(stems.begin(), stems.end()), stems.end());

    std::vector<AbandonedRun> runs;
    for (const std::string& stem : stems) {
        const std::string lockPath = folder + "/" + stem + std::string(kLockSuffix);
        const std::string manifestPath = folder + "/" + stem + std::string(kManifestSuffix);
        if (lockPath == own) continue;
        int fd = lockFile(lockPath, false);
        if (fd < 0 && errno == ENOENT) {
            // A manifest without its lock: the lock is made again to hold it while it is dealt
            // with (a copy never removes its lock before its manifest).
            fd = lockFile(lockPath, true);
        }
        if (fd < 0) {
            if (errno == EWOULDBLOCK && othersAlive != nullptr) *othersAlive = true;
            continue;
        }
        // The copy that held it may have removed both files as it ended in order, just now.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) != 0 || ::lstat(lockPath.c_str(), &named) != 0 ||
            held.st_ino != named.st_ino || held.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        RecoveryManifest manifest;
        const std::string text = readSmallFile(manifestPath);
        if (auto parsed = ParseManifest(text)) manifest = std::move(*parsed);
        runs.emplace_back(lockPath, manifestPath, fd, std::move(manifest));
    }
    return runs;
}

}  // namespace sonthra
