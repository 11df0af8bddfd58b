#include "app/workspace_job.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "messages/message_table.h"
#include "platform/work_done.h"

namespace sonthra {

namespace {

constexpr int kSourceMissing = 148;
constexpr int kSourceCannotOpen = 149;
constexpr int kDestinationCannotCreate = 150;
constexpr int kSizeUnreadable = 151;
constexpr int kShortRead = 152;
constexpr int kShortWrite = 153;
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

int percentOf(std::uint64_t part, std::uint64_t whole) {
    if (whole == 0) return 100;
    return static_cast<int>((part * 100 + whole / 2) / whole);
}

}  // namespace

int CopyWorkspaceFile(const std::string& source, const std::string& destination,
                      ProcessRecord& record, const WorkspaceCopyOptions& options) {
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

    if (!record.running()) return kCancelled;
    Descriptor out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out.valid()) return kDestinationCannotCreate;

    const std::uint64_t size = static_cast<std::uint64_t>(inStat.st_size);
    record.progress = percentOf(0, size);
    const CopyResult copied = copyFileContents(
        in.get(), out.get(), size,
        [&](std::uint64_t done, std::uint64_t total) {
            record.progress = percentOf(done, total);
            if (options.afterStep) options.afterStep(done);
            return record.running();
        },
        options.method, options.stepBytes);
    if (copied.error == ECANCELED) return kCancelled;
    if (!copied.ok()) return copied.reading ? kShortRead : kShortWrite;
    if (!out.close()) return kShortWrite;
    return kSuccess;
}

WorkspaceJob::WorkspaceJob(std::string source, std::string destination, std::uint32_t documentId,
                           WorkspaceCopyOptions options)
    : m_source(std::move(source)),
      m_destination(std::move(destination)),
      m_documentId(documentId),
      m_options(std::move(options)) {}

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
    // Only this thread: the peak build of the same file, on other threads, goes first.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
    const int result = CopyWorkspaceFile(m_source, m_destination, m_record, m_options);
    m_record.programError = result;
    const RunState final = result == kCancelled ? RunState::Cancelled
                           : result != kSuccess ? RunState::Failed
                                                : RunState::Finished;
    m_record.runState = final;
    NotifyWorkDone();
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
