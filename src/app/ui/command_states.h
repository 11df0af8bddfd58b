// The numbered command states: which menu commands and transport buttons each state switches
// on or off. Commands are named by the object names of the main window's actions and buttons.
// Plain data; any thread.
#pragma once

#include <vector>

namespace sonthra {

struct CommandSwitch {
    const char* command;
    bool on;
    bool visibility = false;  // switches whether it is shown instead of whether it is enabled
};

struct CommandState {
    int number;
    int base;  // the state applied first, 0 for none
    std::vector<CommandSwitch> switches;
};

inline constexpr int kStateNoDocument = 1;
inline constexpr int kStateNewDocument = 2;
inline constexpr int kStateDocumentLoaded = 3;
inline constexpr int kStatePlaying = 4;
inline constexpr int kStateStopped = 5;
inline constexpr int kStateRecording = 6;
inline constexpr int kStateRecordingStopped = 7;
inline constexpr int kStateSelection = 10;
inline constexpr int kStateNoSelection = 11;
inline constexpr int kStateFileOpened = 12;

// The state with this number, or nullptr for a number that names no state.
const CommandState* FindCommandState(int number);

// Every state, in ascending order.
const std::vector<CommandState>& CommandStates();

}  // namespace sonthra
