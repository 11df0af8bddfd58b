// What the main window's shutdown runs that belongs to other pieces of the program.
#pragma once

#include <functional>

namespace sonthra {

// How shutdown closes the documents: with the save prompt, or, when the system asks the
// program to end, without a question and without deleting anything the user has not saved.
enum class CloseMode { AskToSave, KeepUnsaved };

// The parts of shutdown that belong to other pieces of the program, run by Shutdown in this
// order. A step that is not set is skipped.
struct ShutdownSteps {
    std::function<void()> stopTransport;            // stop playback and recording
    std::function<bool(CloseMode)> closeDocuments;  // last to first; false: user cancelled
    std::function<void()> stopLevelTest;
    std::function<void()> storeColorScheme;
    std::function<void()> storeRecordSource;  // "Last Record Source Selected"
    std::function<void()> releaseMixer;       // deselect devices, free source list
    std::function<void()> stopEffectHost;     // after the effect items are removed
};

}  // namespace sonthra
