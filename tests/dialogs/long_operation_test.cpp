// The one shape the progress dialog watches: a hand-made operation and a process record seen
// through RecordOperation answer the poll the same way.
#include "dialogs/long_operation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "dialogs/process_record.h"

namespace sonthra {
namespace {

// An operation whose worker counts up to 100 unless cancelled.
class CountingOperation : public LongOperation {
public:
    int progress() override { return m_done.load(); }
    RunState runState() const override { return m_state.load(); }
    void cancel() override {
        ++cancels;
        RunState expected = RunState::Running;
        m_state.compare_exchange_strong(expected, RunState::CancelRequested);
    }
    int result() const override { return m_state.load() == RunState::Finished ? 0 : 129; }

    void step(int percent) { m_done = percent; }
    void finish() { m_state = RunState::Finished; }
    void stop() { m_state = RunState::Cancelled; }
    int cancels = 0;

private:
    std::atomic<int> m_done{0};
    std::atomic<RunState> m_state{RunState::Running};
};

TEST(LongOperation, PollReportsProgressUntilTheEndAndPassesCancelOnOnce) {
    CountingOperation operation;
    const ProgressPollFunction poll = PollOf(operation);
    operation.step(40);
    ProgressPoll seen = poll(false);
    EXPECT_EQ(seen.percent, 40);
    EXPECT_TRUE(seen.running);
    EXPECT_TRUE(operation.active());

    seen = poll(true);
    EXPECT_EQ(operation.cancels, 1);
    EXPECT_FALSE(seen.running);
    // Asked to stop but not stopped yet: the worker may still touch its data.
    EXPECT_TRUE(operation.active());
    operation.stop();
    EXPECT_FALSE(operation.active());
    EXPECT_EQ(operation.result(), 129);
}

TEST(LongOperation, FinishedOperationEndsThePollWithItsResult) {
    CountingOperation operation;
    const ProgressPollFunction poll = PollOf(operation);
    std::thread worker([&] {
        operation.step(100);
        operation.finish();
    });
    worker.join();
    const ProgressPoll seen = poll(false);
    EXPECT_EQ(seen.percent, 100);
    EXPECT_FALSE(seen.running);
    EXPECT_EQ(operation.result(), 0);
    EXPECT_EQ(operation.cancels, 0);
}

TEST(RecordOperation, LibraryProcessEndsThroughItsHooksAndKeepsTheReason) {
    ProcessRecord record(ProcessKind::EngineEdit);
    bool over = false;
    int engineCancels = 0;
    ProcessHooks hooks;
    hooks.isOver = [&] { return over; };
    hooks.processProgress = [] { return 63; };
    hooks.reasonForProcessExit = [] { return 313; };
    hooks.cancelEngineEdit = [&] { ++engineCancels; };
    RecordOperation operation(record, hooks);
    const ProgressPollFunction poll = PollOf(operation);

    EXPECT_EQ(poll(false).percent, 63);
    EXPECT_TRUE(operation.running());
    over = true;
    EXPECT_FALSE(poll(false).running);
    EXPECT_EQ(operation.result(), 131);  // engine error 313 through the engine-error table
    EXPECT_EQ(engineCancels, 0);
}

TEST(RecordOperation, CancelIsPassedOnByKindAndReadsAsCancelled) {
    ProcessRecord record(ProcessKind::EngineEdit);
    int engineCancels = 0;
    ProcessHooks hooks;
    hooks.cancelEngineEdit = [&] { ++engineCancels; };
    RecordOperation operation(record, hooks);
    PollOf(operation)(true);
    EXPECT_EQ(engineCancels, 1);
    EXPECT_EQ(operation.runState(), RunState::CancelRequested);
    EXPECT_EQ(operation.result(), 129);
}

}  // namespace
}  // namespace sonthra
