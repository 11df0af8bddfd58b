#include "dialogs/worker_operation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "messages/message_table.h"

namespace sonthra {
namespace {

void waitForEnd(const LongOperation& operation) {
    while (operation.active()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(WorkerOperation, EndsWithTheWorksResultAndState) {
    WorkerOperation done([](std::atomic<int>& progress, const std::atomic<bool>&) {
        progress = 100;
        return 0;
    });
    WorkerOperation failed([](std::atomic<int>&, const std::atomic<bool>&) { return 160; });
    waitForEnd(done);
    waitForEnd(failed);
    EXPECT_EQ(done.runState(), RunState::Finished);
    EXPECT_EQ(done.progress(), 100);
    EXPECT_EQ(done.result(), 0);
    EXPECT_EQ(failed.runState(), RunState::Failed);
    EXPECT_EQ(failed.result(), 160);
}

TEST(WorkerOperation, CancelReachesTheWorkAndWinsOverItsResult) {
    std::atomic<bool> started{false};
    WorkerOperation operation(
        [&started](std::atomic<int>& progress, const std::atomic<bool>& cancelled) {
            started = true;
            while (!cancelled) {
                progress = 50;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return 0;  // a work that ignores why it stopped
        });
    while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    operation.cancel();
    EXPECT_TRUE(operation.active()) << "asked to stop, the worker may still run";
    waitForEnd(operation);
    EXPECT_EQ(operation.runState(), RunState::Cancelled);
    EXPECT_EQ(operation.result(), kCancelled);
}

TEST(WorkerOperation, GoingAwayStopsAndJoinsARunningWorker) {
    std::atomic<bool> stopped{false};
    {
        WorkerOperation operation(
            [&stopped](std::atomic<int>&, const std::atomic<bool>& cancelled) {
                while (!cancelled) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                stopped = true;
                return 0;
            });
    }
    EXPECT_TRUE(stopped);
}

}  // namespace
}  // namespace sonthra
