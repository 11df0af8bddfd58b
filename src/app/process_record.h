// The record of the one running long operation, watched by the progress dialog.
// A worker writes progress, run state and error; the GUI thread reads them and requests a stop
// by writing the run state. All shared fields are atomics, so no lock is needed.
#pragma once

#include <atomic>
#include <cstdint>

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

enum class RunState : std::int32_t {
    Running = 1,
    Finished = 2,
    CancelRequested = 3,
    Cancelled = 4,
    Failed = 5,
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

    // The operation's result once it has ended: the program error when set, otherwise the
    // engine exit reason through the engine-error table.
    int result() const;
};

}  // namespace sonthra
