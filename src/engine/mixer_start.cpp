#include "engine/mixer_start.h"

#include "messages/message_table.h"

namespace sonthra {

namespace {

constexpr int kNoRecordingDevice = 192;
constexpr int kNoPlaybackDevice = 194;

// Selects `preferred` (the server's default when negative), else the first index from 0 that
// works. Returns the mixer error of the last attempt, 0 on success.
template <typename Select, typename Preferred>
int selectWithFallback(int count, int preferred, Select select, Preferred preferredIndex) {
    if (preferred < 0 && preferredIndex(&preferred) != 0) preferred = 0;
    int result = select(preferred);
    for (int i = 0; result != 0 && i < count; ++i) result = select(i);
    return result;
}

// Lists the sources of the selected input device and selects `wanted` (the microphone when
// empty), falling back to index 0. Returns the message numbers to show.
std::vector<int> startSources(MixerApi& mixer, std::optional<int> wanted, MixerSources* sources) {
    *sources = {};
    int count = 0;
    if (const int r = mixer.GetNumberOfInputSources(&count)) return {MixerErrorToMessage(r)};
    if (count <= 0) return {kNoRecordingSourceMessage};
    MixerSources listed;
    for (int i = 0; i < count; ++i) {
        char text[kSourceDescriptionSize] = {};
        mixer.GetInputSourceDescription(i, text);
        listed.names.emplace_back(text);
    }
    int index = 0;
    if (wanted) {
        index = *wanted;
    } else if (mixer.GetMicrophoneSourceIndex(&index) != 0) {
        index = 0;
    }
    if (index < 0) index = 0;
    int result = mixer.SelectInputSource(index);
    if (!mixer.IsCurrentInputSourceSelected(index)) {
        index = 0;
        result = mixer.SelectInputSource(0);
    }
    std::vector<int> messages;
    if (result != 0) messages.push_back(MixerErrorToMessage(result));
    listed.current = index;
    *sources = std::move(listed);
    return messages;
}

std::vector<int> startInput(MixerApi& mixer, int preferred, std::optional<int> wanted,
                            MixerSources* sources) {
    *sources = {};
    const int count = mixer.GetNumberOfInputDevices();
    if (count <= 0) return {kNoRecordingDevice};
    const int r = selectWithFallback(
        count, preferred, [&](int i) { return mixer.SelectInputDevice(i); },
        [&](int* i) { return mixer.GetPreferredInputDeviceIndex(i); });
    if (r != 0) return {MixerErrorToMessage(r)};
    return startSources(mixer, wanted, sources);
}

}  // namespace

MixerStart StartMixer(MixerApi& mixer, MixerCallbackWindow window, int preferredInput,
                      int preferredOutput, std::optional<int> lastSource) {
    MixerStart start;
    mixer.SetCVMixCallbackWindow(std::move(window));
    // Without a server the device counts below say what is missing; a server that comes later
    // is still watched.
    mixer.CreateCVMixCallbackThread();
    start.messages = startInput(mixer, preferredInput, lastSource, &start.sources);
    for (int m : ChangeMixerOutputDevice(mixer, preferredOutput)) start.messages.push_back(m);
    return start;
}

std::vector<int> ChangeMixerInputDevice(MixerApi& mixer, int index, MixerSources* sources) {
    return startInput(mixer, index, std::nullopt, sources);
}

std::vector<int> ChangeMixerOutputDevice(MixerApi& mixer, int index) {
    const int count = mixer.GetNumberOfOutputDevices();
    if (count <= 0) return {kNoPlaybackDevice};
    const int r = selectWithFallback(
        count, index, [&](int i) { return mixer.SelectOutputDevice(i); },
        [&](int* i) { return mixer.GetPreferredOutputDeviceIndex(i); });
    if (r != 0) return {MixerErrorToMessage(r)};
    return {};
}

}  // namespace sonthra
