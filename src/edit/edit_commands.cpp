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

void deleteFile(const std::string& path) {
    if (!path.empty()) ::unlink(path.c_str());
}

void tell(const MessageSink& show, int message) {
    if (show) show(message);
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

int RunEngineEditAndWait(AudioEditor& editor, const EngineEditStart& start) {
    std::uint32_t handle = 0;
    const int refused = start(&handle);
    if (refused != 0) return EngineErrorToMessage(refused);
    while (editor.AudioEditProcessIsOver(handle) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const int reason = editor.AudioEditGetReasonForProcessExit(handle);
    editor.AudioEditCloseHandle(&handle);
    return EngineErrorToMessage(reason);
}

EditOutcome ApplyFileEdit(AudioEditor& editor, const EditFiles& files, const EditRequest& request,
                          const std::string& resultName, const EngineEditRunner& run,
                          const MessageSink& show) {
    EditOutcome outcome;
    outcome.result = run(EditCaption(request.operation), [&](std::uint32_t* handle) {
        return StartEngineEdit(editor, request, files.workFile, resultName, handle);
    });
    if (outcome.result != 0) {
        deleteFile(resultName);
        return outcome;
    }

    const int pushed = PushUndo(files);
    if (pushed != 0) tell(show, pushed);
    outcome.undoSaved = pushed == 0;

    outcome.result = InstallResult(files, resultName, outcome.undoSaved);
    if (outcome.result != 0) {
        outcome.undoSaved = false;
        tell(show, outcome.result);
        deleteFile(resultName);
        return outcome;
    }

    if (request.operation == EditOperation::Paste && request.first != request.last) {
        EditRequest clear;
        clear.operation = EditOperation::Clear;
        clear.first = request.first;
        clear.last = request.last;
        run(kPreparingCaption, [&](std::uint32_t* handle) {
            return StartEngineEdit(editor, clear, files.workFile, {}, handle);
        });
    }
    DropRedo(files);
    return outcome;
}

int CopyEdit(AudioEditor& editor, const std::string& workFile, const EditRequest& request,
             const EngineEditRunner& run) {
    return run(EditCaption(EditOperation::Copy), [&](std::uint32_t* handle) {
        return StartEngineEdit(editor, request, workFile, {}, handle);
    });
}

}  // namespace sonthra
