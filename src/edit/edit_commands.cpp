#include "edit/edit_commands.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "messages/message_table.h"

namespace sonthra {

namespace {

constexpr std::uint32_t kMaxTrimThreshold = 0xFFFF;

void tell(const MessageSink& show, int message) {
    if (show && message != 0) show(message);
}

}  // namespace

std::string EditCaption(EditOperation operation) {
    switch (operation) {
        case EditOperation::Cut:
            return "Cut...";
        case EditOperation::Copy:
            return "Copy...";
        case EditOperation::Paste:
            return "Paste...";
        case EditOperation::Clear:
            return "Clear...";
        case EditOperation::Crop:
            return "Crop...";
        case EditOperation::Mute:
            return "Mute...";
        case EditOperation::TrimSilence:
            return "Trim Silence...";
        case EditOperation::InsertSilence:
            return "Inserting Silence...";
    }
    return {};
}

std::uint32_t PasteInsertionPoint(std::uint32_t first, std::uint32_t last,
                                  std::uint32_t caretReadout) {
    return first != last ? std::max(first, last) : caretReadout;
}

std::uint32_t CaretAfterEdit(const EditRequest& request, std::uint32_t previousCaret,
                             std::uint32_t newTotal) {
    std::uint32_t caret = previousCaret;
    switch (request.operation) {
        case EditOperation::Cut:
        case EditOperation::Clear:
        case EditOperation::Crop:
            caret = std::min(request.first, request.last);
            break;
        case EditOperation::Paste:
        case EditOperation::InsertSilence:
            caret = request.position;
            break;
        case EditOperation::Copy:
        case EditOperation::Mute:
        case EditOperation::TrimSilence:
            break;
    }
    return std::min(caret, newTotal);
}

int StartEngineEdit(AudioEditor& editor, const EditRequest& r, const std::string& source,
                    const std::string& result, std::uint32_t* handle) {
    switch (r.operation) {
        case EditOperation::Cut:
            if (!r.rangeFile.empty()) {
                return editor.AudioCutInFile(source, r.first, r.last, 1, handle, 0, r.rangeFile,
                                             result);
            }
            return editor.AudioCut(source, r.first, r.last, 1, handle, 0, result);
        case EditOperation::Copy:
            if (!r.rangeFile.empty()) {
                return editor.AudioCopyInFile(source, r.first, r.last, 1, handle, 0, r.rangeFile);
            }
            return editor.AudioCopy(source, r.first, r.last, 1, handle, 0);
        case EditOperation::Paste:
            return editor.AudioPasteEx(source, r.position, 1, handle, 0, {}, result);
        case EditOperation::Clear:
            return editor.AudioClear(source, r.first, r.last, 1, handle, 0, result);
        case EditOperation::Crop:
            return editor.AudioCrop(source, r.first, r.last, 1, handle, 0, result);
        case EditOperation::Mute:
            return editor.AudioEditMute(source, r.first, r.last, 1, handle, 0,
                                        static_cast<int>(r.parameter), result);
        case EditOperation::TrimSilence:
            return editor.AudioEditTrimSilence(
                source, r.first, r.last, 1, handle, 0,
                static_cast<std::uint16_t>(std::min(r.parameter, kMaxTrimThreshold)), result);
        case EditOperation::InsertSilence:
            return editor.AudioInsertSilence(source, r.position, 1, handle, 0, r.parameter, result);
    }
    return 0;
}

EngineEditOperation::~EngineEditOperation() {
    if (!m_started) return;
    if (!over()) {
        m_editor->AudioEditCancelPressed(m_handle);
        while (!over()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_editor->AudioEditCloseHandle(&m_handle);
}

int EngineEditOperation::start(const EngineEditStart& start) {
    const int error = start(&m_handle);
    m_started = error == 0;
    return error;
}

bool EngineEditOperation::over() const {
    return !m_started || m_editor->AudioEditProcessIsOver(m_handle) != 0;
}

int EngineEditOperation::progress() {
    return m_started ? m_editor->AudioEditGetProcessProgress(m_handle) : 0;
}

RunState EngineEditOperation::runState() const {
    if (!over()) return m_cancelled ? RunState::CancelRequested : RunState::Running;
    return m_cancelled ? RunState::Cancelled : RunState::Finished;
}

void EngineEditOperation::cancel() {
    if (m_started) m_editor->AudioEditCancelPressed(m_handle);
    m_cancelled = true;
}

int EngineEditOperation::result() const {
    if (m_cancelled) return kCancelled;
    if (!m_started || !over()) return 0;
    return EngineErrorToMessage(m_editor->AudioEditGetReasonForProcessExit(m_handle));
}

std::unique_ptr<LongOperation> EngineEditTransform::start(const std::string& source,
                                                          const std::string& result, int& refused) {
    auto operation = std::make_unique<EngineEditOperation>(m_editor);
    const int error = operation->start([&](std::uint32_t* handle) {
        return StartEngineEdit(m_editor, m_request, source, result, handle);
    });
    refused = EngineErrorToMessage(error);
    if (error != 0) return nullptr;
    return operation;
}

void EngineEditTransform::afterInstall(const std::string& workFile, const OperationRunner& run,
                                       const MessageSink& show) {
    if (m_request.operation != EditOperation::Paste || m_request.first == m_request.last) return;
    EditRequest clear;
    clear.operation = EditOperation::Clear;
    clear.first = m_request.first;
    clear.last = m_request.last;
    // The engine writes in place without a result name.
    RunEngineCall(
        m_editor, kPreparingCaption,
        [&](std::uint32_t* handle) {
            return StartEngineEdit(m_editor, clear, workFile, {}, handle);
        },
        run, show);
}

int RunEngineCall(AudioEditor& editor, const std::string& caption, const EngineEditStart& start,
                  const OperationRunner& run, const MessageSink& show) {
    EngineEditOperation operation(editor);
    const int error = operation.start(start);
    if (error != 0) {
        const int message = EngineErrorToMessage(error);
        tell(show, message);
        return message;
    }
    return run(caption, operation);
}

EditOutcome ApplyFileEdit(AudioEditor& editor, const EditFiles& files, const EditRequest& request,
                          const std::string& resultName, const OperationRunner& run,
                          const MessageSink& show) {
    EngineEditTransform transform(editor, request);
    return ApplyTransform(files, transform, resultName, run, show);
}

int CopyEdit(AudioEditor& editor, const std::string& workFile, const EditRequest& request,
             const OperationRunner& run, const MessageSink& show) {
    EngineEditTransform transform(editor, request);
    return RunTransformOnly(transform, workFile, {}, run, show);
}

}  // namespace sonthra
