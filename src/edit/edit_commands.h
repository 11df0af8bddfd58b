// The file part of the edit commands: which engine call each command makes with which range,
// and the sequence every audio-changing command follows (the engine writes the result, the
// working copy becomes the undo file, the result takes its place), without the window: the
// caller passes the runner that watches the engine (under its progress dialog) and a sink for
// the messages of the moves. Call for one document from one thread (the GUI thread).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

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
// Runs one started engine edit to its end under whatever the caller shows (the main window's
// progress dialog): 0 or the message number, which the runner has already shown.
using EngineEditRunner =
    std::function<int(const std::string& caption, const EngineEditStart& start)>;
// Receives the message numbers of failed file moves, to be shown.
using MessageSink = std::function<void(int message)>;

// A runner without a window: starts the edit, waits for its end checking every 10 ms and
// closes its handle. 0 or the message number of the engine's refusal or exit reason (shown
// nowhere).
int RunEngineEditAndWait(AudioEditor& editor, const EngineEditStart& start);

struct EditOutcome {
    int result = 0;          // 0 when the working copy holds the edited audio
    bool undoSaved = false;  // the previous working copy is the undo file
};

// An audio-changing command (anything but Copy) on the working copy:
//  1. the engine edit from the working copy into resultName, under the operation's caption;
//     on failure resultName is deleted and nothing else changes;
//  2. the working copy becomes the undo file (177 goes to show; the command goes on without
//     undo);
//  3. the result takes the working copy's place; when it cannot, the undo file is moved back,
//     137 goes to show, resultName is deleted and the result is 137;
//  4. Paste with a selection clears the selection in place ("Preparing..."); the paste went in
//     at the selection's larger end, so the clip replaces it. A failure there has been shown
//     by the runner and the command goes on: the working copy holds the paste, and Undo
//     brings back the audio from before it;
//  5. the redo file is deleted: a new edit ends the way back to an undone state.
EditOutcome ApplyFileEdit(AudioEditor& editor, const EditFiles& files, const EditRequest& request,
                          const std::string& resultName, const EngineEditRunner& run,
                          const MessageSink& show);

// Copy, to the engine's clipboard or to request.rangeFile: only the engine edit, from the
// working copy. 0 or the runner's message number.
int CopyEdit(AudioEditor& editor, const std::string& workFile, const EditRequest& request,
             const EngineEditRunner& run);

}  // namespace sonthra
