#include "dialogs/worker_operation.h"

#include <system_error>

#include "messages/message_table.h"
#include "platform/work_done.h"

namespace sonthra {

WorkerOperation::WorkerOperation(Work work) {
    try {
        m_thread = std::thread([this, work = std::move(work)] {
            const int result = work(m_progress, m_cancelled);
            const bool cancelled = m_cancelled.load();
            m_result = cancelled ? kCancelled : result;
            m_state = cancelled     ? RunState::Cancelled
                      : result == 0 ? RunState::Finished
                                    : RunState::Failed;
            NotifyWorkDone();
        });
    } catch (const std::system_error&) {
        m_result = kNoMemory;
        m_state = RunState::Failed;
    }
}

WorkerOperation::~WorkerOperation() {
    m_cancelled = true;
    if (m_thread.joinable()) m_thread.join();
}

void WorkerOperation::cancel() {
    m_cancelled = true;
    RunState expected = RunState::Running;
    m_state.compare_exchange_strong(expected, RunState::CancelRequested);
}

int WorkerOperation::result() const {
    // A cancel that came while the work was ending still counts: the caller drops its output.
    return m_cancelled.load() ? kCancelled : m_result.load();
}

}  // namespace sonthra
