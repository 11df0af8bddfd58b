#include "dialogs/process_record.h"

#include <gtest/gtest.h>

#include <thread>

namespace sonthra {
namespace {

struct Calls {
    int peak = 0, engine = 0, effect = 0, conversion = 0;
    bool over = false;
    ProcessHooks hooks() {
        ProcessHooks h;
        h.stopPeakBuild = [this] { ++peak; };
        h.cancelEngineEdit = [this] { ++engine; };
        h.abortEffect = [this] { ++effect; };
        h.cancelConversion = [this] { ++conversion; };
        h.isOver = [this] { return over; };
        h.processProgress = [] { return 37; };
        h.reasonForProcessExit = [] { return 313; };
        return h;
    }
};

TEST(PollProcess, CancelGoesToTheRightPlaceByKind) {
    struct Case {
        ProcessKind kind;
        int Calls::*counter;
        int error;
    };
    const Case cases[] = {
        {ProcessKind::PeakBuilding, &Calls::peak, 0},
        {ProcessKind::EngineEdit, &Calls::engine, 129},
        {ProcessKind::EffectProcessing, &Calls::effect, 129},
        {ProcessKind::FormatConversion, &Calls::conversion, 129},
        {ProcessKind::PlainWait, nullptr, 129},
        {ProcessKind::FileCopy, nullptr, 0},
    };
    for (const Case& c : cases) {
        Calls calls;
        ProcessRecord record(c.kind);
        PollProcess(record, true, calls.hooks());
        EXPECT_EQ(record.runState.load(), RunState::CancelRequested) << int(c.kind);
        EXPECT_EQ(record.programError.load(), c.error) << int(c.kind);
        EXPECT_EQ(calls.peak + calls.engine + calls.effect + calls.conversion, c.counter ? 1 : 0);
        if (c.counter) {
            EXPECT_EQ(calls.*c.counter, 1) << int(c.kind);
        }
    }
}

TEST(PollProcess, CancelDoesNotOverwriteAWorkerThatAlreadyEnded) {
    Calls calls;
    ProcessRecord record(ProcessKind::FileCopy);
    record.runState = RunState::Failed;
    PollProcess(record, true, calls.hooks());
    EXPECT_EQ(record.runState.load(), RunState::Failed);
}

TEST(PollProcess, EngineEditEndsWhenTheEngineSaysSoAndKeepsItsReason) {
    Calls calls;
    ProcessRecord record(ProcessKind::EngineEdit);
    ProgressPoll poll = PollProcess(record, false, calls.hooks());
    EXPECT_TRUE(poll.running);
    EXPECT_EQ(poll.percent, 37);
    calls.over = true;
    poll = PollProcess(record, false, calls.hooks());
    EXPECT_FALSE(poll.running);
    EXPECT_EQ(record.engineExitReason.load(), 313);
    EXPECT_EQ(record.result(), 131);  // through the engine-error table
}

TEST(PollProcess, WorkerKindsReportTheirOwnProgress) {
    ProcessRecord record(ProcessKind::WorkspaceCopy);
    std::thread worker([&] {
        record.progress = 55;
        record.runState = RunState::Finished;
    });
    worker.join();
    const ProgressPoll poll = PollProcess(record, false, {});
    EXPECT_EQ(poll.percent, 55);
    EXPECT_FALSE(poll.running);
    EXPECT_EQ(record.result(), 0);
    record.programError = 153;
    EXPECT_EQ(record.result(), 153);
}

TEST(WaitForWork, WaitsForTheWorkerAndGivesUpAtTheLimit) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        done = true;
    });
    EXPECT_TRUE(WaitForWork([&] { return done.load(); }));
    worker.join();
    EXPECT_FALSE(WaitForWork([] { return false; }, std::chrono::milliseconds(30)));
}

}  // namespace
}  // namespace sonthra
