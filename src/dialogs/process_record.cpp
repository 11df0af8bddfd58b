#include "dialogs/process_record.h"

#include <thread>

#include "messages/message_table.h"

namespace sonthra {

int ProcessRecord::result() const {
    const int error = programError.load();
    if (error != 0) return error;
    return EngineErrorToMessage(engineExitReason.load());
}

namespace {

void call(const std::function<void()>& hook) {
    if (hook) hook();
}

bool isLibraryProcess(ProcessKind kind) {
    return kind == ProcessKind::EngineEdit || kind == ProcessKind::FormatConversion;
}

}  // namespace

ProgressPoll PollProcess(ProcessRecord& record, bool cancel, const ProcessHooks& hooks) {
    if (cancel) {
        switch (record.kind) {
            case ProcessKind::PeakBuilding:
                call(hooks.stopPeakBuild);
                break;
            case ProcessKind::EngineEdit:
                call(hooks.cancelEngineEdit);
                break;
            case ProcessKind::EffectProcessing:
                call(hooks.abortEffect);
                break;
            case ProcessKind::FormatConversion:
                call(hooks.cancelConversion);
                break;
            default:
                break;
        }
        // A worker that has already ended keeps its own final state.
        RunState expected = RunState::Running;
        record.runState.compare_exchange_strong(expected, RunState::CancelRequested);
        switch (record.kind) {
            case ProcessKind::EngineEdit:
            case ProcessKind::EffectProcessing:
            case ProcessKind::FormatConversion:
            case ProcessKind::PlainWait:
                record.programError = kCancelled;
                break;
            default:
                break;
        }
        return {record.progress.load(), record.running()};
    }
    if (isLibraryProcess(record.kind)) {
        if (hooks.isOver && hooks.isOver()) {
            if (hooks.reasonForProcessExit) record.engineExitReason = hooks.reasonForProcessExit();
            record.runState = RunState::Finished;
        }
        const int percent = hooks.processProgress ? hooks.processProgress() : 0;
        record.progress = percent;
        return {percent, record.running()};
    }
    return {record.progress.load(), record.running()};
}

bool WaitForWork(const std::function<bool()>& finished, std::chrono::milliseconds limit) {
    const auto start = std::chrono::steady_clock::now();
    while (!finished()) {
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        if (waited >= limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace sonthra
