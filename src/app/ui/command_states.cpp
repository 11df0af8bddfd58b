#include "app/ui/command_states.h"

#include <QAction>
#include <QWidget>

#include <initializer_list>

#include "app/ui/main_form.h"

namespace sonthra {

namespace {

using Names = std::initializer_list<const char*>;

// "All of Edit" except Insert Silence, which no state switches off.
constexpr Names kEditCommands = {"EditUndoMenu",
                                 "EditRedoMenu",
                                 "EditCutMenu",
                                 "EditCopyMenu",
                                 "EditPasteMenu",
                                 "EditClearMenu",
                                 "EditCropMenu",
                                 "EditCutSelectionToFileMenu",
                                 "EditCopySelectionToFileMenu",
                                 "EditSelectAllMenu",
                                 "EditSelectNoneMenu",
                                 "EditMuteMenu",
                                 "EditTrimSilenceMenu",
                                 "EditChangeFormatMenu"};
constexpr Names kSelectionCommands = {"EditCutMenu",
                                      "EditCopyMenu",
                                      "EditCropMenu",
                                      "EditCutSelectionToFileMenu",
                                      "EditCopySelectionToFileMenu",
                                      "EditClearMenu"};
constexpr Names kEffects = {"EffectsMenu",      "EffectsButton1", "EffectsButton2",
                            "EffectsButton3",   "EffectsButton4", "EffectsButton5",
                            "MoreEffectsButton"};
constexpr Names kTools = {"ToolsMenu"};
constexpr Names kZoomCommands = {
    "ViewZoomInMenu", "ViewZoomOutMenu", "ViewZoomToSelectionMenu", "ViewZoomToExtentsMenu",
    "ZoomInButton",   "ZoomOutButton",   "ZoomToSelectionButton",   "ZoomToExtentsButton"};
constexpr Names kViewCommands = {"ViewPositionDisplayMenu", "ViewSetColorsMenu"};
constexpr Names kGoTo = {"SkipToStartButton", "SkipToEndButton"};
constexpr Names kPlay = {"PlayButton", "PlayFromStartButton"};

class Builder {
public:
    Builder& set(Names names, bool on) {
        for (const char* name : names) m_switches.push_back({name, on});
        return *this;
    }
    Builder& on(Names names) { return set(names, true); }
    Builder& off(Names names) { return set(names, false); }
    Builder& hide(const char* name) {
        m_switches.push_back({name, false, true});
        return *this;
    }
    std::vector<CommandSwitch> done() { return std::move(m_switches); }

private:
    std::vector<CommandSwitch> m_switches;
};

std::vector<CommandState> buildStates() {
    std::vector<CommandState> states;
    states.push_back({kStateNoDocument, 0,
                      Builder()
                          .on({"FileNewMenu", "FileOpenMenu"})
                          .off({"FileSaveMenu", "FileSaveAsMenu", "FileExportMenu", "FileCloseMenu",
                                "FileRevertMenu", "BatchExportMenu"})
                          .off(kEditCommands)
                          .off(kEffects)
                          .off(kTools)
                          .off(kZoomCommands)
                          .off(kPlay)
                          .off({"SkipToStartButton", "RewindButton", "FastForwardButton",
                                "SkipToEndButton", "StopButton"})
                          .hide("PauseButton")
                          .done()});
    states.push_back({kStateNewDocument, kStateNoDocument,
                      Builder()
                          .on({"FileSaveMenu", "FileSaveAsMenu", "FileExportMenu", "FileCloseMenu",
                               "EditInsertSilenceMenu", "RecSettingsButton", "BatchExportMenu"})
                          .on(kEffects)
                          .on(kTools)
                          .done()});
    states.push_back(
        {kStateDocumentLoaded, 0,
         Builder()
             .off({"FileSaveMenu"})
             .on({"FileCloseMenu", "FileSaveAsMenu", "FileExportMenu", "BatchExportMenu"})
             .on({"EditSelectAllMenu", "EditSelectNoneMenu", "EditMuteMenu",
                  "EditInsertSilenceMenu", "EditTrimSilenceMenu", "EditChangeFormatMenu"})
             .off({"EditUndoMenu", "EditRedoMenu"})
             .on(kZoomCommands)
             .on(kViewCommands)
             .on(kEffects)
             .on(kTools)
             .on(kPlay)
             .on(kGoTo)
             .done()});
    states.push_back({kStatePlaying, 0,
                      Builder()
                          .off(kPlay)
                          .on({"StopButton", "RewindButton", "FastForwardButton"})
                          .on(kGoTo)
                          .off({"StartStopRecordingButton", "RecSettingsButton"})
                          .off({"FilePreferencesMenu", "EditChangeFormatMenu", "FileExportMenu"})
                          .done()});
    states.push_back({kStateStopped, 0,
                      Builder()
                          .on(kPlay)
                          .off({"StopButton", "RewindButton", "FastForwardButton"})
                          .on(kGoTo)
                          .on({"StartStopRecordingButton", "RecSettingsButton"})
                          .on({"FilePreferencesMenu", "EditChangeFormatMenu", "FileExportMenu"})
                          .done()});
    states.push_back({kStateRecording, 0,
                      Builder()
                          .off({"RecSettingsButton", "FileNewMenu", "FileOpenMenu", "FileSaveMenu",
                                "FileSaveAsMenu", "FileExportMenu", "BatchExportMenu"})
                          .off(kPlay)
                          .off(kGoTo)
                          .on({"StopButton"})
                          .off({"FilePreferencesMenu", "EditChangeFormatMenu"})
                          .done()});
    states.push_back({kStateRecordingStopped, kStateDocumentLoaded,
                      Builder()
                          .on({"RecSettingsButton", "FileNewMenu", "FileOpenMenu", "FileSaveMenu",
                               "FileSaveAsMenu", "BatchExportMenu", "FileExportMenu"})
                          .on(kPlay)
                          .on(kGoTo)
                          .off({"StopButton"})
                          .on({"FilePreferencesMenu", "EditChangeFormatMenu"})
                          .done()});
    states.push_back({kStateSelection, 0, Builder().on(kSelectionCommands).done()});
    states.push_back({kStateNoSelection, 0, Builder().off(kSelectionCommands).done()});
    states.push_back({kStateFileOpened, kStateDocumentLoaded,
                      Builder()
                          .on({"FileSaveMenu", "FileSaveAsMenu", "FileExportMenu", "FileCloseMenu",
                               "EditInsertSilenceMenu", "RecSettingsButton", "BatchExportMenu"})
                          .done()});
    return states;
}

}  // namespace

const std::vector<CommandState>& CommandStates() {
    static const std::vector<CommandState> states = buildStates();
    return states;
}

const CommandState* FindCommandState(int number) {
    for (const CommandState& state : CommandStates()) {
        if (state.number == number) return &state;
    }
    return nullptr;
}

void TMainForm::SetCommandState(int number) {
    const CommandState* state = FindCommandState(number);
    if (state == nullptr) return;
    // Every edit, save and revert ends in a command state, so the title's unsaved mark
    // follows the document from here.
    updateTitle();
    if (state->base != 0) SetCommandState(state->base);
    for (const CommandSwitch& s : state->switches) {
        if (s.visibility) {
            setCommandVisible(s.command, s.on);
        } else {
            setCommandEnabled(s.command, s.on);
        }
    }
}

void TMainForm::setCommandEnabled(const char* name, bool on) {
    const QString key = QString::fromUtf8(name);
    if (QAction* action = m_actions.value(key)) action->setEnabled(on);
    if (auto* widget = findChild<QWidget*>(key, Qt::FindChildrenRecursively)) {
        // Menus carry their action's name too; the action above already switched them.
        if (!m_actions.contains(key)) widget->setEnabled(on);
    }
}

void TMainForm::setCommandVisible(const char* name, bool on) {
    if (auto* widget = findChild<QWidget*>(QString::fromUtf8(name))) widget->setVisible(on);
}

}  // namespace sonthra
