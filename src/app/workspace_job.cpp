#include "app/workspace_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>
#include <system_error>

#include "messages/message_table.h"

namespace sonthra {

namespace {

constexpr int kSourceMissing = 148;
constexpr int kSourceCannotOpen = 149;
constexpr int kDestinationCannotCreate = 150;
constexpr int kSizeUnreadable = 151;
constexpr int kShortRead = 152;
constexpr int kShortWrite = 153;
constexpr int kNoBuffer = 104;
constexpr int kThreadNotStarted = 181;

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now; false when the close reports an error (data that never reached the disk).
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Fills buffer with exactly count bytes unless the file ends or fails first.
bool readFully(int fd, char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, buffer + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool writeFully(int fd, const char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, buffer + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int percentOf(std::uint64_t part, std::uint64_t whole) {
    if (whole == 0) return 100;
    return static_cast<int>((part * 100 + whole / 2) / whole);
}

}  // namespace

int CopyWorkspaceFile(const std::string& source, const std::string& destination,
                      ProcessRecord& record) {
    struct stat sourceStat {};
    if (::stat(source.c_str(), &sourceStat) != 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? kSourceMissing : kSourceCannotOpen;
    }
    Descriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) return kSourceCannotOpen;
    struct stat inStat {};
    if (::fstat(in.get(), &inStat) != 0) return kSizeUnreadable;
    if (!S_ISREG(inStat.st_mode)) return kSourceCannotOpen;

    // Truncating the destination first would destroy a source that is the same file.
    struct stat destinationStat {};
    if (::stat(destination.c_str(), &destinationStat) == 0 &&
        destinationStat.st_dev == inStat.st_dev && destinationStat.st_ino == inStat.st_ino) {
        record.progress = 100;
        return kSuccess;
    }

    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBlockBytes]);
    if (!buffer) return kNoBuffer;
    Descriptor out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out.valid()) return kDestinationCannotCreate;

    const std::uint64_t size = static_cast<std::uint64_t>(inStat.st_size);
    std::uint64_t copied = 0;
    record.progress = percentOf(0, size);
    while (copied < size) {
        if (!record.running()) return kCancelled;
        const std::size_t block =
            static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlockBytes, size - copied));
        if (!readFully(in.get(), buffer.get(), block)) return kShortRead;
        if (!writeFully(out.get(), buffer.get(), block)) return kShortWrite;
        copied += block;
        record.progress = percentOf(copied, size);
    }
    if (!out.close()) return kShortWrite;
    return kSuccess;
}

WorkspaceJob::WorkspaceJob(std::string source, std::string destination, std::uint32_t documentId)
    : m_source(std::move(source)),
      m_destination(std::move(destination)),
      m_documentId(documentId) {}

WorkspaceJob::~WorkspaceJob() {
    cancel();
    if (m_thread.joinable()) m_thread.join();
}

int WorkspaceJob::start(Completion onDone) {
    if (m_thread.joinable()) return kThreadNotStarted;
    m_record.runState = RunState::Running;
    try {
        m_thread = std::thread([this, onDone = std::move(onDone)] { run(onDone); });
    } catch (const std::system_error&) {
        m_record.runState = RunState::Failed;
        m_record.programError = kThreadNotStarted;
        return kThreadNotStarted;
    }
    return kSuccess;
}

void WorkspaceJob::run(Completion onDone) {
    const int result = CopyWorkspaceFile(m_source, m_destination, m_record);
    m_record.programError = result;
    const RunState final = result == kCancelled ? RunState::Cancelled
                           : result != kSuccess ? RunState::Failed
                                                : RunState::Finished;
    m_record.runState = final;
    if (final != RunState::Cancelled && onDone) onDone(*this);
}

void WorkspaceJob::cancel() {
    RunState expected = RunState::Running;
    m_record.runState.compare_exchange_strong(expected, RunState::CancelRequested);
}

bool WorkspaceJob::ended() const {
    const RunState s = m_record.runState.load();
    return s == RunState::Finished || s == RunState::Cancelled || s == RunState::Failed;
}

bool WorkspaceJob::waitForEnd(std::chrono::milliseconds limit) {
    return WaitForWork([this] { return ended(); }, limit);
}

}  // namespace sonthra
