// The file part of the edit commands: which engine call each command makes with which range,
// and the sequence every audio-changing command follows (the engine writes the result, the
// working copy becomes the undo file, the result takes its place), without the window: the
// caller passes the runner that watches the engine (under its progress dialog) and a sink for
// the messages of the moves. Call for one document from one thread (the GUI thread).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "edit/file_transform.h"
#include "edit/undo_files.h"
#include "engine/audio_edit.h"

namespace sonthra {

enum class EditOperation { Cut, Copy, Paste, Clear, Crop, Mute, TrimSilence, InsertSilence };

struct EditRequest {
    EditOperation operation = EditOperation::Cut;
    // The range as the display stores it (anchor first, so first may be the larger). For Paste,
    // the selection the pasted audio replaces (none when the two are equal).
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    // Paste and Insert Silence: where the audio goes in.
    std::uint32_t position = 0;
    // Cut and Copy: the file that receives the range instead of the engine's clipboard.
    std::string rangeFile;
    // Mute: the channels (1 left, 2 right, 3 both); Trim Silence: the threshold in hundredths
    // of a percent; Insert Silence: the milliseconds.
    std::uint32_t parameter = 0;
};

// The progress dialog's caption for the operation: "Cut...", "Mute...", "Inserting Silence...".
std::string EditCaption(EditOperation operation);

// The caption of the in-place clear that removes a selection a paste replaces.
inline constexpr const char* kPreparingCaption = "Preparing...";

// Where Paste puts the clip: after the selection (its larger end) when there is one, so that
// the clip replaces it once the selection is cleared; otherwise at the caret read-out's
// position.
std::uint32_t PasteInsertionPoint(std::uint32_t first, std::uint32_t last,
                                  std::uint32_t caretReadout);

// Where the caret goes after an audio-changing operation, clamped to the new total: the start
// of the removed or kept range for Cut, Clear and Crop (the smaller end, whichever way the
// selection was made), the insertion point for Paste and Insert Silence, and where it was for
// Mute and Trim Silence.
std::uint32_t CaretAfterEdit(const EditRequest& request, std::uint32_t previousCaret,
                             std::uint32_t newTotal);

// Makes the operation's engine call from source into result (Copy writes no result): 0 or the
// engine's error, with *handle set on success.
int StartEngineEdit(AudioEditor& editor, const EditRequest& request, const std::string& source,
                    const std::string& result, std::uint32_t* handle);

using EngineEditStart = std::function<int(std::uint32_t* handle)>;

// One engine edit as a long operation: progress, end and exit reason from the engine's
// process calls, Cancel through AudioEditCancelPressed. After a Cancel the result is 129.
// The handle is closed when the operation goes, after the engine's job has ended.
class EngineEditOperation final : public LongOperation {
public:
    explicit EngineEditOperation(AudioEditor& editor) : m_editor(&editor) {}
    ~EngineEditOperation() override;
    EngineEditOperation(const EngineEditOperation&) = delete;
    EngineEditOperation& operator=(const EngineEditOperation&) = delete;

    // Makes the engine call: 0, or the engine's error (nothing started).
    int start(const EngineEditStart& start);

    int progress() override;
    RunState runState() const override;
    void cancel() override;
    int result() const override;

private:
    bool over() const;

    AudioEditor* m_editor;
    std::uint32_t m_handle = 0;
    bool m_started = false;
    bool m_cancelled = false;
};

// An engine edit command as a transform of the working copy. Paste with a selection clears the
// selection in place after installing ("Preparing..."): the paste went in at the selection's
// larger end, so the clip replaces it.
class EngineEditTransform final : public FileTransform {
public:
    EngineEditTransform(AudioEditor& editor, EditRequest request)
        : m_editor(editor), m_request(std::move(request)) {}
    std::string caption() const override { return EditCaption(m_request.operation); }
    std::unique_ptr<LongOperation> start(const std::string& source, const std::string& result,
                                         int& refused) override;
    void afterInstall(const std::string& workFile, const OperationRunner& run,
                      const MessageSink& show) override;

private:
    AudioEditor& m_editor;
    EditRequest m_request;
};

// One engine call run by `run` as an EngineEditOperation: 0, the message number of a refusal
// (sent to show) or the runner's result.
int RunEngineCall(AudioEditor& editor, const std::string& caption, const EngineEditStart& start,
                  const OperationRunner& run, const MessageSink& show);

// An audio-changing command (anything but Copy) on the working copy: ApplyTransform with the
// command's EngineEditTransform.
EditOutcome ApplyFileEdit(AudioEditor& editor, const EditFiles& files, const EditRequest& request,
                          const std::string& resultName, const OperationRunner& run,
                          const MessageSink& show);

// Copy, to the engine's clipboard or to request.rangeFile: only the engine edit, from the
// working copy. 0 or the message number (a refusal sent to show).
int CopyEdit(AudioEditor& editor, const std::string& workFile, const EditRequest& request,
             const OperationRunner& run, const MessageSink& show);

}  // namespace sonthra
