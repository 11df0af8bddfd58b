#include "app/save_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>

#include "app/workspace_job.h"
#include "messages/message_table.h"
#include "platform/work_done.h"
#include "wave/safe_file.h"

namespace sonthra {

namespace {

constexpr int kCannotSave = 146;
constexpr int kCopyThreadNotStarted = 154;

int percentOf(std::uint64_t part, std::uint64_t whole) {
    if (whole == 0) return 100;
    return static_cast<int>((part * 100 + whole / 2) / whole);
}

// Reads exactly count bytes; false when the file ends early or fails (errno 0 for an early end).
bool readFully(int fd, char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, buffer + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = 0;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool sameFile(const struct stat& a, const std::string& path) {
    struct stat b {};
    return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int copyInto(int in, std::uint64_t size, SafeFileWriter& writer, ProcessRecord& record, int& err) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBlockBytes]);
    if (!buffer) {
        err = ENOMEM;
        return kCannotSave;
    }
    std::uint64_t copied = 0;
    while (copied < size) {
        if (!record.running()) return kCancelled;
        const std::size_t block =
            static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlockBytes, size - copied));
        if (!readFully(in, buffer.get(), block)) {
            err = errno;
            return kCannotSave;
        }
        if (!writer.write(std::string_view(buffer.get(), block))) {
            err = writer.error();
            return kCannotSave;
        }
        copied += block;
        record.progress = percentOf(copied, size);
    }
    if (!record.running()) return kCancelled;
    if (!writer.commit()) {
        err = writer.error();
        return kCannotSave;
    }
    return kSuccess;
}

}  // namespace

int SaveCopy(const std::string& source, const std::string& target, ProcessRecord& record,
             int* err) {
    int error = 0;
    int result = kCannotSave;
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (in < 0) {
        error = errno;
    } else if (::fstat(in, &st) != 0) {
        error = errno;
    } else if (!S_ISREG(st.st_mode)) {
        error = EINVAL;
    } else if (sameFile(st, target)) {
        record.progress = 100;
        result = kSuccess;
    } else {
        record.progress = 0;
        SafeFileWriter writer(target);
        if (!writer.open()) {
            error = writer.error();
        } else {
            result = copyInto(in, static_cast<std::uint64_t>(st.st_size), writer, record, error);
        }
        // The writer's destructor removes its file unless the rename happened.
    }
    if (in >= 0) ::close(in);
    if (err) *err = result == kSuccess ? 0 : error;
    return result;
}

FileCopyJob::FileCopyJob(std::string source, std::string target)
    : m_source(std::move(source)), m_target(std::move(target)) {}

FileCopyJob::~FileCopyJob() {
    wait();
}

int FileCopyJob::start() {
    if (m_thread.joinable()) return kCopyThreadNotStarted;
    m_record.runState = RunState::Running;
    try {
        m_thread = std::thread([this] {
            const int result = SaveCopy(m_source, m_target, m_record, &m_systemError);
            m_record.programError = result;
            m_record.runState = result == kCancelled ? RunState::Cancelled
                                : result != kSuccess ? RunState::Failed
                                                     : RunState::Finished;
            NotifyWorkDone();
        });
    } catch (const std::system_error&) {
        m_record.programError = kCopyThreadNotStarted;
        m_record.runState = RunState::Failed;
        return kCopyThreadNotStarted;
    }
    return kSuccess;
}

bool FileCopyJob::ended() const {
    const RunState s = m_record.runState.load();
    return s == RunState::Finished || s == RunState::Cancelled || s == RunState::Failed;
}

void FileCopyJob::wait() {
    if (m_thread.joinable()) m_thread.join();
}

}  // namespace sonthra
