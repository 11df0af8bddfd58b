// The record of the one running long operation, watched by the progress dialog. Any layer may
// fill one: the record is plain data, shown through a RecordOperation.
// A worker writes progress, run state and error; the GUI thread reads them and requests a stop
// by writing the run state. All shared fields are atomics, so no lock is needed.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>

#include "dialogs/long_operation.h"

namespace sonthra {

enum class ProcessKind : std::int32_t {
    FileCopy = 1,
    PeakBuilding = 2,
    EngineEdit = 3,
    WorkspaceCopy = 4,
    EffectProcessing = 5,
    FormatConversion = 6,
    PlainWait = 7,
};

struct ProcessRecord {
    explicit ProcessRecord(ProcessKind k = ProcessKind::PlainWait) : kind(k) {}

    std::atomic<std::int32_t> progress{0};  // 0..100
    ProcessKind kind;
    std::atomic<RunState> runState{RunState::Running};
    std::atomic<std::int32_t> programError{0};      // a message number; 129 after a cancel
    std::atomic<std::int32_t> engineExitReason{0};  // an engine error number
    void* operation = nullptr;  // the engine handle, or the operation's own data

    bool running() const { return runState.load() == RunState::Running; }
    // Running or asked to stop but not yet stopped: the worker may still touch the record.
    bool active() const {
        const RunState s = runState.load();
        return s == RunState::Running || s == RunState::CancelRequested;
    }

    // The operation's result once it has ended: the program error when set, otherwise the
    // engine exit reason through the engine-error table.
    int result() const;
};

// The calls a poll makes into whatever does the work: the engine for edits (kind 3), the
// format converter (kind 6), the view's peak builder (kind 2), the effect plug-in (kind 5).
// A hook that is not set is not called.
struct ProcessHooks {
    std::function<void()> stopPeakBuild;        // kind 2
    std::function<void()> cancelEngineEdit;     // kind 3: AudioEditCancelPressed
    std::function<void()> abortEffect;          // kind 5
    std::function<void()> cancelConversion;     // kind 6
    std::function<bool()> isOver;               // kinds 3 and 6: the process call says done
    std::function<int()> processProgress;       // kinds 3 and 6
    std::function<int()> reasonForProcessExit;  // kinds 3 and 6
};

// The main window's poll over a process record. On cancel it passes the request on by kind,
// sets the run state to cancel-requested and, for kinds 3, 5, 6 and 7, the error to 129. For
// kinds 3 and 6 it asks the library whether the process is over, storing its exit reason and
// marking the record finished; other kinds report the record's own progress.
ProgressPoll PollProcess(ProcessRecord& record, bool cancel, const ProcessHooks& hooks);

// After the dialog has closed: waits, checking every 10 ms, until `finished` says the work has
// ended. Returns false when `limit` passed first.
bool WaitForWork(const std::function<bool()>& finished,
                 std::chrono::milliseconds limit = std::chrono::milliseconds::max());

// A process record seen as a long operation: progress and the end through PollProcess, the
// cancel passed on by kind through the hooks, the result from the record.
class RecordOperation final : public LongOperation {
public:
    RecordOperation(ProcessRecord& record, ProcessHooks hooks)
        : m_record(record), m_hooks(std::move(hooks)) {}

    int progress() override { return PollProcess(m_record, false, m_hooks).percent; }
    RunState runState() const override { return m_record.runState.load(); }
    void cancel() override { PollProcess(m_record, true, m_hooks); }
    int result() const override { return m_record.result(); }

    ProcessRecord& record() { return m_record; }

private:
    ProcessRecord& m_record;
    ProcessHooks m_hooks;
};

}  // namespace sonthra
