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
#include "wave/file_copy.h"

namespace sonthra {

// The block size of the copies that go through this process's memory (saving).
inline constexpr std::size_t kCopyBlockBytes = 65520;

// How a workspace copy runs; the defaults are the program's. Tests choose the method and the
// step and look in between steps.
struct WorkspaceCopyOptions {
    CopyMethod method = CopyMethod::Kernel;
    std::uint64_t stepBytes = kCopyStepBytes;
    // Called after each step with the bytes copied so far, before the stop is looked at.
    std::function<void(std::uint64_t copied)> afterStep;
};

// Copies source onto destination (truncated when it exists, created otherwise) with the
// kernel's copy (a read/write fallback where it is refused), setting record.progress to the
// copied share in percent (rounded). Checks record's run state before the copy and after every
// step and stops with 129 once it is no longer running. Results: 0; 129; 148 the source is
// missing; 149 it cannot be opened; 150 the destination cannot be created; 151 the size cannot
// be read; 152 reading failed or the source ended early; 153 writing failed. Copying a file
// onto itself does nothing and succeeds.
int CopyWorkspaceFile(const std::string& source, const std::string& destination,
                      ProcessRecord& record, const WorkspaceCopyOptions& options = {});

class WorkspaceJob {
public:
    // Called on the worker thread once the copy finished or failed, never after a cancel. It
    // should only hand the news to the GUI thread (a queued event) and return.
    using Completion = std::function<void(WorkspaceJob&)>;

    // The copy runs at the lowest priority, so that the work the user waits for (the peaks of
    // the same file) goes first.
    WorkspaceJob(std::string source, std::string destination, std::uint32_t documentId,
                 WorkspaceCopyOptions options = {});
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
    const WorkspaceCopyOptions m_options;
    ProcessRecord m_record{ProcessKind::WorkspaceCopy};
    std::thread m_thread;
};

}  // namespace sonthra
