// A long operation that runs one function on its own thread: the shape plain cores (an effect,
// a format change, an upload) take to be watched by the progress dialog without knowing it.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "dialogs/long_operation.h"

namespace sonthra {

class WorkerOperation final : public LongOperation {
public:
    // Fills progress (0..100), checks cancelled now and then, and returns 0, 129 or a message
    // number. It runs on the worker thread: it may touch only what it owns and these two.
    using Work = std::function<int(std::atomic<int>& progress, const std::atomic<bool>& cancelled)>;

    // Starts the thread at once. When no thread can be made the operation has ended with
    // result 104 (the system is out of resources) and the work never runs.
    explicit WorkerOperation(Work work);
    // Asks the work to stop and waits for its end.
    ~WorkerOperation() override;
    WorkerOperation(const WorkerOperation&) = delete;
    WorkerOperation& operator=(const WorkerOperation&) = delete;

    int progress() override { return m_progress.load(); }
    RunState runState() const override { return m_state.load(); }
    // After a cancel the result is 129, whatever the work returns.
    void cancel() override;
    int result() const override;

private:
    std::atomic<int> m_progress{0};
    std::atomic<bool> m_cancelled{false};
    std::atomic<RunState> m_state{RunState::Running};
    std::atomic<int> m_result{0};
    std::thread m_thread;
};

}  // namespace sonthra
