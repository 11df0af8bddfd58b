#include "edit/file_transform.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "dialogs/worker_operation.h"
#include "messages/message_table.h"

namespace sonthra {

namespace {

// A transform that started nothing without saying why: the system ran out of something.
constexpr int kNothingStarted = kNoMemory;

void deleteFile(const std::string& path) {
    if (!path.empty()) ::unlink(path.c_str());
}

void tell(const MessageSink& show, int message) {
    if (show && message != 0) show(message);
}

}  // namespace

int WaitForOperation(LongOperation& operation) {
    while (operation.active()) {
        operation.progress();  // an operation may learn of its end only when asked
        if (!operation.active()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return operation.result();
}

std::unique_ptr<LongOperation> WorkerTransform::start(const std::string& source,
                                                      const std::string& result, int& refused) {
    refused = 0;
    auto operation = std::make_unique<WorkerOperation>(
        [work = m_work, source, result](std::atomic<int>& progress,
                                        const std::atomic<bool>& cancelled) {
            return work(source, result, progress, cancelled);
        });
    return operation;
}

int RunTransformOnly(FileTransform& transform, const std::string& source, const std::string& result,
                     const OperationRunner& run, const MessageSink& show) {
    int refused = 0;
    const std::unique_ptr<LongOperation> operation = transform.start(source, result, refused);
    if (operation == nullptr) {
        if (refused == 0) refused = kNothingStarted;
        tell(show, refused);
        return refused;
    }
    return run(transform.caption(), *operation);
}

EditOutcome ApplyTransform(const EditFiles& files, FileTransform& transform,
                           const std::string& resultName, const OperationRunner& run,
                           const MessageSink& show) {
    EditOutcome outcome;
    outcome.result = RunTransformOnly(transform, files.workFile, resultName, run, show);
    if (outcome.result != 0) {
        deleteFile(resultName);
        return outcome;
    }

    const int pushed = PushUndo(files);
    tell(show, pushed);
    outcome.undoSaved = pushed == 0;
    if (pushed != 0 && transform.undoRequired()) {
        deleteFile(resultName);
        outcome.result = pushed;
        return outcome;
    }

    outcome.result = InstallResult(files, resultName, outcome.undoSaved);
    if (outcome.result != 0) {
        outcome.undoSaved = false;
        tell(show, outcome.result);
        deleteFile(resultName);
        return outcome;
    }
    transform.afterInstall(files.workFile, run, show);
    DropRedo(files);
    return outcome;
}

}  // namespace sonthra
