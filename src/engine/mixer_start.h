// The mixer's start-up sequence and the re-selection after the preferences change a device.
// They return message numbers for the main window to show, in order; the mixer's own error
// numbers are already mapped. Call only from the GUI thread, like the mixer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/mixer.h"

namespace sonthra {

// The input source list as the main window keeps it for the record-source button and label.
struct MixerSources {
    std::vector<std::string> names;  // one per source, in the mixer's order
    int current = 0;                 // the selected source's index
};

// The message for a recording device without sources to choose from.
inline constexpr int kNoRecordingSourceMessage = 193;

struct MixerStart {
    std::vector<int> messages;  // to show, in order; empty when all went well
    MixerSources sources;       // empty when the recording side could not start
};

// Sets the callback window, starts the callback thread, then selects the input device (the
// preferred one, else the first from 0 upwards that works), lists and selects the input source
// (`lastSource` when the setting exists, else the microphone; a negative index becomes 0, and
// index 0 is taken when the choice does not hold), then selects the output device the same way.
// Mixer device indexes are the mixer's own: a negative preferred index means the sound server's
// default device. Message 192 means no input device, 193 no input source, 194 no output device.
MixerStart StartMixer(MixerApi& mixer, MixerCallbackWindow window, int preferredInput,
                      int preferredOutput, std::optional<int> lastSource);

// After the preferences chose another input device: select it (with the same fallback), list
// the sources again and select the microphone. Returns the message numbers to show; `sources`
// is emptied when the recording side could not start. Stopping playback is the caller's part
// for an output change.
std::vector<int> ChangeMixerInputDevice(MixerApi& mixer, int index, MixerSources* sources);
std::vector<int> ChangeMixerOutputDevice(MixerApi& mixer, int index);

}  // namespace sonthra
