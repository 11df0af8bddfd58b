// The workspace job: makes the working copy of an opened WAV file on a worker thread while the
// file already plays from its own place. The job owns its process record (kind 4); the GUI
// thread reads its progress and run state and asks it to stop by writing run state 3.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "dialogs/process_record.h"

namespace sonthra {

// The block size of every file copy of the workspace.
inline constexpr std::size_t kCopyBlockBytes = 65520;

// Copies source onto destination (truncated when it exists, created otherwise) in blocks of
// kCopyBlockBytes, setting record.progress to the copied share in percent (rounded). Checks
// record's run state before every block and stops with 129 once it is no longer running.
// Results: 0; 129; 148 the source is missing; 149 it cannot be opened; 150 the destination
// cannot be created; 151 the size cannot be read; 152 a short read; 153 a short write; 104 no
// buffer. Copying a file onto itself does nothing and succeeds.
int CopyWorkspaceFile(const std::string& source, const std::string& destination,
                      ProcessRecord& record);

class WorkspaceJob {
public:
    // Called on the worker thread once the copy finished or failed, never after a cancel. It
    // should only hand the news to the GUI thread (a queued event) and return.
    using Completion = std::function<void(WorkspaceJob&)>;

    WorkspaceJob(std::string source, std::string destination, std::uint32_t documentId);
    // Asks a running copy to stop and waits for the thread.
    ~WorkspaceJob();
    WorkspaceJob(const WorkspaceJob&) = delete;
    WorkspaceJob& operator=(const WorkspaceJob&) = delete;

    // Starts the worker thread. 0, or 181 when the thread cannot be started.
    int start(Completion onDone);

    // GUI thread: asks the copy to stop (run state 3); it ends at its next block with run state
    // 4 and posts nothing.
    void cancel();
    // GUI thread: waits, checking every 10 ms, until the worker has set its final run state.
    // false when limit passed first.
    bool waitForEnd(std::chrono::milliseconds limit);
    // Whether the worker has set its final state (finished, cancelled or failed).
    bool ended() const;

    ProcessRecord& record() { return m_record; }
    const ProcessRecord& record() const { return m_record; }
    // The copy's result once ended: 0, 129 or one of CopyWorkspaceFile's message numbers.
    int result() const { return m_record.programError.load(); }
    bool succeeded() const { return m_record.runState.load() == RunState::Finished; }
    bool wasCancelled() const { return m_record.runState.load() == RunState::Cancelled; }

    const std::string& source() const { return m_source; }
    const std::string& destination() const { return m_destination; }
    std::uint32_t documentId() const { return m_documentId; }

private:
    void run(Completion onDone);

    const std::string m_source;
    const std::string m_destination;
    const std::uint32_t m_documentId;
    ProcessRecord m_record{ProcessKind::WorkspaceCopy};
    std::thread m_thread;
};

}  // namespace sonthra
