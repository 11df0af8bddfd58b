// The mixer's start-up and device-change sequences against a scripted mixer, so that every
// failure branch can be reached: device fallback, source fallback, and the messages shown.
#include "engine/mixer_start.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace sonthra {
namespace {

// A mixer whose devices and failures the test sets up; it records what was selected.
class ScriptedMixer : public MixerApi {
public:
    int inputDevices = 2;
    int outputDevices = 2;
    int preferredInput = 1;
    int preferredOutput = 1;
    int preferredError = 0;
    std::set<int> brokenInputs;
    std::set<int> brokenOutputs;
    int brokenDeviceError = kMixerInputDeviceGone;
    std::vector<std::string> sources = {"Microphone", "Line In", "Monitor of Speakers"};
    int sourcesError = 0;
    int microphone = 0;
    int microphoneError = 0;
    std::set<int> unheldSources;  // selecting them "works" but the server keeps another

    MixerCallbackWindow window;
    bool threadStarted = false;
    std::vector<int> inputAttempts;
    std::vector<int> outputAttempts;
    int selectedSource = -1;

    int SetCVMixCallbackWindow(MixerCallbackWindow w) override {
        window = std::move(w);
        return 0;
    }
    int CreateCVMixCallbackThread() override {
        threadStarted = true;
        return 0;
    }
    int GetNumberOfInputDevices() override { return inputDevices; }
    int GetNumberOfOutputDevices() override { return outputDevices; }
    int GetInputDeviceDescription(int, std::string*) override { return 0; }
    int GetOutputDeviceDescription(int, std::string*) override { return 0; }
    int GetPreferredInputDeviceIndex(int* index) override {
        *index = preferredInput;
        return preferredError;
    }
    int GetPreferredOutputDeviceIndex(int* index) override {
        *index = preferredOutput;
        return preferredError;
    }
    int SelectInputDevice(int index) override {
        inputAttempts.push_back(index);
        if (index < 0 || index >= inputDevices) return kMixerInvalidInputIndex;
        return brokenInputs.count(index) ? brokenDeviceError : 0;
    }
    int SelectOutputDevice(int index) override {
        outputAttempts.push_back(index);
        if (index < 0 || index >= outputDevices) return kMixerInvalidOutputIndex;
        return brokenOutputs.count(index) ? kMixerOutputDeviceGone : 0;
    }
    int DeselectInputDevice() override { return 0; }
    int DeselectOutputDevice() override { return 0; }
    int GetNumberOfInputSources(int* count) override {
        *count = static_cast<int>(sources.size());
        return sourcesError;
    }
    int GetInputSourceDescription(int index, char (&text)[kSourceDescriptionSize]) override {
        text[0] = '\0';
        if (index < 0 || index >= static_cast<int>(sources.size())) return kMixerInvalidInputIndex;
        std::strncpy(text, sources[index].c_str(), kSourceDescriptionSize - 1);
        return 0;
    }
    int GetMicrophoneSourceIndex(int* index) override {
        *index = microphone;
        return microphoneError;
    }
    int SelectInputSource(int index) override {
        if (index < 0 || index >= static_cast<int>(sources.size())) return kMixerInvalidInputIndex;
        if (!unheldSources.count(index)) selectedSource = index;
        return 0;
    }
    bool IsCurrentInputSourceSelected(int index) override { return index == selectedSource; }
    int GetOutputVolumeBounds(std::uint32_t*, std::uint32_t*) override { return 0; }
    int GetInputVolumeBounds(std::uint32_t*, std::uint32_t*) override { return 0; }
    int GetCurrentOutputVolSetting(unsigned, std::uint32_t*) override { return 0; }
    int SetCurrentOutputVolSetting(unsigned, const std::uint32_t*) override { return 0; }
    int GetCurrentInputVolSetting(unsigned, std::uint32_t*) override { return 0; }
    int SetCurrentInputVolSetting(unsigned, const std::uint32_t*) override { return 0; }
};

using Ints = std::vector<int>;

TEST(MixerStart, AllWellSelectsPreferredDevicesAndTheSavedSource) {
    ScriptedMixer mixer;
    unsigned received = 0;
    const MixerStart start = StartMixer(
        mixer, [&](unsigned m, std::intptr_t, std::intptr_t) { received = m; }, 0, 1, 1);
    EXPECT_TRUE(start.messages.empty());
    EXPECT_TRUE(mixer.threadStarted);
    ASSERT_TRUE(mixer.window);
    mixer.window(kMixerSourceChanged, 0, 2);
    EXPECT_EQ(received, kMixerSourceChanged);
    EXPECT_EQ(mixer.inputAttempts, Ints{0});
    EXPECT_EQ(mixer.outputAttempts, Ints{1});
    EXPECT_EQ(start.sources.names,
              (std::vector<std::string>{"Microphone", "Line In", "Monitor of Speakers"}));
    EXPECT_EQ(start.sources.current, 1);
    EXPECT_EQ(mixer.selectedSource, 1);
}

TEST(MixerStart, NegativePreferredIndexMeansTheServerDefault) {
    ScriptedMixer mixer;
    mixer.preferredInput = 1;
    mixer.preferredOutput = 0;
    StartMixer(mixer, {}, -1, -1, std::nullopt);
    EXPECT_EQ(mixer.inputAttempts, Ints{1});
    EXPECT_EQ(mixer.outputAttempts, Ints{0});

    ScriptedMixer noDefault;
    noDefault.preferredError = kMixerRequestFailed;
    EXPECT_TRUE(StartMixer(noDefault, {}, -1, -1, std::nullopt).messages.empty());
    EXPECT_EQ(noDefault.inputAttempts, Ints{0});
}

TEST(MixerStart, FailedDeviceFallsBackToTheFirstThatWorks) {
    ScriptedMixer mixer;
    mixer.inputDevices = 3;
    mixer.brokenInputs = {0, 2};
    mixer.outputDevices = 3;
    mixer.brokenOutputs = {0};
    const MixerStart start = StartMixer(mixer, {}, 2, 7, 0);
    EXPECT_TRUE(start.messages.empty());
    EXPECT_EQ(mixer.inputAttempts, (Ints{2, 0, 1}));
    EXPECT_EQ(mixer.outputAttempts, (Ints{7, 0, 1}));
}

TEST(MixerStart, NoDeviceWorkingShowsTheLastMixerError) {
    ScriptedMixer mixer;
    mixer.brokenInputs = {0, 1};
    mixer.brokenDeviceError = kMixerInputUnreachable;
    mixer.brokenOutputs = {0, 1};
    const MixerStart start = StartMixer(mixer, {}, 0, 0, 0);
    EXPECT_EQ(start.messages, (Ints{383, 374}));
    EXPECT_TRUE(start.sources.names.empty());
}

TEST(MixerStart, MissingDevicesGiveTheirMessagesAndTheRestStillStarts) {
    ScriptedMixer noInput;
    noInput.inputDevices = 0;
    const MixerStart a = StartMixer(noInput, {}, 0, 0, 0);
    EXPECT_EQ(a.messages, Ints{192});
    EXPECT_TRUE(a.sources.names.empty());
    EXPECT_EQ(noInput.outputAttempts, Ints{0});

    ScriptedMixer nothing;
    nothing.inputDevices = 0;
    nothing.outputDevices = 0;
    EXPECT_EQ(StartMixer(nothing, {}, 0, 0, 0).messages, (Ints{192, 194}));

    ScriptedMixer noSources;
    noSources.sources.clear();
    const MixerStart c = StartMixer(noSources, {}, 0, 0, 0);
    EXPECT_EQ(c.messages, Ints{193});
    EXPECT_TRUE(c.sources.names.empty());
    EXPECT_EQ(noSources.outputAttempts, Ints{0});
}

TEST(MixerStart, SourceListFailureShowsItsMixerMessage) {
    ScriptedMixer mixer;
    mixer.sourcesError = kMixerInputDeviceGone;
    EXPECT_EQ(StartMixer(mixer, {}, 0, 0, 0).messages, Ints{382});
}

TEST(MixerStart, SourceChoiceRules) {
    // Without the setting the microphone is taken.
    ScriptedMixer mic;
    mic.microphone = 2;
    EXPECT_EQ(StartMixer(mic, {}, 0, 0, std::nullopt).sources.current, 2);
    // A microphone the mixer cannot name gives 0.
    ScriptedMixer noMic;
    noMic.microphone = 2;
    noMic.microphoneError = kMixerNoInputSelected;
    EXPECT_EQ(StartMixer(noMic, {}, 0, 0, std::nullopt).sources.current, 0);
    // A negative saved index becomes 0.
    ScriptedMixer negative;
    EXPECT_EQ(StartMixer(negative, {}, 0, 0, -5).sources.current, 0);
    EXPECT_EQ(negative.selectedSource, 0);
    // A saved index past the list, or one the server does not keep, falls back to 0 silently.
    ScriptedMixer past;
    const MixerStart p = StartMixer(past, {}, 0, 0, 9);
    EXPECT_TRUE(p.messages.empty());
    EXPECT_EQ(p.sources.current, 0);
    EXPECT_EQ(past.selectedSource, 0);
    ScriptedMixer unheld;
    unheld.unheldSources = {1};
    EXPECT_EQ(StartMixer(unheld, {}, 0, 0, 1).sources.current, 0);
    EXPECT_EQ(unheld.selectedSource, 0);
}

TEST(MixerDeviceChange, InputChangeListsAgainAndTakesTheMicrophone) {
    ScriptedMixer mixer;
    mixer.microphone = 1;
    MixerSources sources{{"stale"}, 0};
    EXPECT_TRUE(ChangeMixerInputDevice(mixer, 1, &sources).empty());
    EXPECT_EQ(mixer.inputAttempts, Ints{1});
    EXPECT_EQ(sources.names.size(), 3u);
    EXPECT_EQ(sources.current, 1);

    mixer.inputDevices = 0;
    EXPECT_EQ(ChangeMixerInputDevice(mixer, 0, &sources), Ints{192});
    EXPECT_TRUE(sources.names.empty());
}

TEST(MixerDeviceChange, OutputChangeUsesTheSameFallback) {
    ScriptedMixer mixer;
    mixer.brokenOutputs = {1};
    EXPECT_TRUE(ChangeMixerOutputDevice(mixer, 1).empty());
    EXPECT_EQ(mixer.outputAttempts, (Ints{1, 0}));
    mixer.outputDevices = 0;
    EXPECT_EQ(ChangeMixerOutputDevice(mixer, 0), Ints{194});
}

}  // namespace
}  // namespace sonthra
