// The mixer against the real test sound server. The suite adds a stereo null sink and a mono null
// source with names of its own, checks every effect with pactl as the independent judge, and puts
// the server's defaults and volumes back afterwards for the other tests that share it.
#include <gtest/gtest.h>

#include <array>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <regex>
#include <string>

#include "engine/mixer.h"
#include "engine/mixer_start.h"

namespace sonthra {
namespace {

using Values = std::vector<std::uint32_t>;

std::string sh(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        std::array<char, 512> buffer;
        while (fgets(buffer.data(), buffer.size(), pipe)) out += buffer.data();
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// The per-channel values of "pactl get-sink-volume" or "get-source-volume", in channel order.
Values pactlVolumes(const std::string& kind, const std::string& name) {
    const std::string text = sh("pactl get-" + kind + "-volume " + name);
    static const std::regex value(R"(:\s*(\d+)\s*/)");
    Values values;
    for (std::sregex_iterator it(text.begin(), text.end(), value), end; it != end; ++it)
        values.push_back(static_cast<std::uint32_t>(std::stoul((*it)[1])));
    return values;
}

int lineCount(const std::string& text) {
    if (text.empty()) return 0;
    return static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
}

constexpr const char* kSink = "sonthra_mixer_sink";
constexpr const char* kSinkDescription = "SonthraMixerSink";
constexpr const char* kMono = "sonthra_mixer_mono";
constexpr const char* kMonoDescription = "SonthraMixerMono";

struct Note {
    unsigned message;
    std::intptr_t lparam;
};

// Collects the notifications the mixer's callback thread delivers.
class Recorder {
public:
    MixerCallbackWindow window() {
        return [this](unsigned message, std::intptr_t, std::intptr_t lparam) {
            {
                std::lock_guard guard(m_mutex);
                m_notes.push_back({message, lparam});
            }
            m_arrived.notify_all();
        };
    }

    // Waits (bounded, so that a missing notification fails instead of hanging) for the first
    // note of `message`, and returns everything received up to and including it.
    std::optional<std::vector<Note>> waitFor(unsigned message) {
        std::unique_lock lock(m_mutex);
        std::optional<std::vector<Note>> upTo;
        m_arrived.wait_for(lock, std::chrono::seconds(20), [&] {
            for (std::size_t i = 0; i < m_notes.size(); ++i) {
                if (m_notes[i].message != message) continue;
                upTo.emplace(m_notes.begin(), m_notes.begin() + i + 1);
                m_notes.erase(m_notes.begin(), m_notes.begin() + i + 1);
                return true;
            }
            return false;
        });
        return upTo;
    }

    void clear() {
        std::lock_guard guard(m_mutex);
        m_notes.clear();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Note> m_notes;
};

class MixerServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Devices left behind by an earlier run that crashed would stand in for ours.
        sh("pactl list short modules | awk '/sonthra_mixer_/ {print $1}' | "
           "xargs -r -n1 pactl unload-module");
        s_defaultSink = sh("pactl get-default-sink");
        s_defaultSource = sh("pactl get-default-source");
        s_modules.push_back(sh(std::string("pactl load-module module-null-sink sink_name=") +
                               kSink + " sink_properties=device.description=" + kSinkDescription));
        s_modules.push_back(sh(std::string("pactl load-module module-null-source source_name=") +
                               kMono + " channel_map=mono description=" + kMonoDescription));
    }

    static void TearDownTestSuite() {
        for (const std::string& module : s_modules)
            if (!module.empty()) sh("pactl unload-module " + module);
        restoreDefaults();
    }

    void TearDown() override { restoreDefaults(); }

    static void restoreDefaults() {
        if (!s_defaultSink.empty()) sh("pactl set-default-sink " + s_defaultSink);
        if (!s_defaultSource.empty()) sh("pactl set-default-source " + s_defaultSource);
    }

    void SetUp() override {
        ASSERT_FALSE(s_modules[0].empty()) << "test sink could not be added";
        ASSERT_FALSE(s_modules[1].empty()) << "test source could not be added";
        sh(std::string("pactl set-sink-volume ") + kSink + " 65536");
        sh(std::string("pactl set-source-volume ") + kMono + " 65536");
    }

    int outputIndex(const std::string& description) {
        const int count = m_mixer.GetNumberOfOutputDevices();
        for (int i = 0; i < count; ++i) {
            std::string text;
            if (m_mixer.GetOutputDeviceDescription(i, &text) == 0 && text == description) return i;
        }
        return -1;
    }

    int inputIndex(const std::string& description) {
        const int count = m_mixer.GetNumberOfInputDevices();
        for (int i = 0; i < count; ++i) {
            std::string text;
            if (m_mixer.GetInputDeviceDescription(i, &text) == 0 && text == description) return i;
        }
        return -1;
    }

    std::vector<std::string> sourceNames() {
        int count = 0;
        EXPECT_EQ(m_mixer.GetNumberOfInputSources(&count), 0);
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            char text[kSourceDescriptionSize];
            EXPECT_EQ(m_mixer.GetInputSourceDescription(i, text), 0);
            names.emplace_back(text);
        }
        return names;
    }

    static int find(const std::vector<std::string>& names, const std::string& name) {
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }

    // Selects the mono test source as input device and returns its source list.
    std::vector<std::string> selectMonoDevice() {
        const int mono = inputIndex(kMonoDescription);
        EXPECT_GE(mono, 0);
        EXPECT_EQ(m_mixer.SelectInputDevice(mono), 0);
        return sourceNames();
    }

    inline static std::string s_defaultSink;
    inline static std::string s_defaultSource;
    inline static std::vector<std::string> s_modules;
    Recorder m_recorder;  // outlives the mixer, whose callback thread calls it
    ROZadEro m_mixer;
};

TEST_F(MixerServer, DevicesAreTheServersSinksAndNonMonitorSources) {
    const std::string sinks = sh("pactl list short sinks");
    const std::string sources = sh("pactl list short sources | grep -v '\\.monitor\\s'");
    EXPECT_EQ(m_mixer.GetNumberOfOutputDevices(), lineCount(sinks));
    EXPECT_EQ(m_mixer.GetNumberOfInputDevices(), lineCount(sources));
    EXPECT_GE(outputIndex(kSinkDescription), 0);
    EXPECT_GE(inputIndex(kMonoDescription), 0);
    EXPECT_EQ(inputIndex("Monitor of " + std::string(kSinkDescription)), -1);

    std::string text;
    const int outputs = m_mixer.GetNumberOfOutputDevices();
    EXPECT_EQ(m_mixer.GetOutputDeviceDescription(outputs, &text), kMixerInvalidOutputIndex);
    EXPECT_EQ(m_mixer.GetOutputDeviceDescription(-1, &text), kMixerInvalidOutputIndex);
    EXPECT_EQ(m_mixer.SelectOutputDevice(outputs), kMixerInvalidOutputIndex);
    EXPECT_EQ(m_mixer.SelectInputDevice(m_mixer.GetNumberOfInputDevices()),
              kMixerInvalidInputIndex);

    // The preferred devices are the server's defaults.
    sh(std::string("pactl set-default-sink ") + kSink);
    sh(std::string("pactl set-default-source ") + kMono);
    int preferred = -1;
    ASSERT_EQ(m_mixer.GetPreferredOutputDeviceIndex(&preferred), 0);
    EXPECT_EQ(preferred, outputIndex(kSinkDescription));
    ASSERT_EQ(m_mixer.GetPreferredInputDeviceIndex(&preferred), 0);
    EXPECT_EQ(preferred, inputIndex(kMonoDescription));
}

TEST_F(MixerServer, SourceListHoldsTheDeviceThenTheMonitors) {
    const std::vector<std::string> names = selectMonoDevice();
    const int monitors = lineCount(sh("pactl list short sources | grep '\\.monitor\\s'"));
    ASSERT_EQ(static_cast<int>(names.size()), 1 + monitors);
    EXPECT_EQ(names[0], kMonoDescription);
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_EQ(names[i].rfind("Monitor of ", 0), 0u) << names[i];
    EXPECT_GE(find(names, "Monitor of " + std::string(kSinkDescription)), 1);

    char text[kSourceDescriptionSize] = "x";
    EXPECT_EQ(m_mixer.GetInputSourceDescription(static_cast<int>(names.size()), text),
              kMixerInvalidInputIndex);
    EXPECT_STREQ(text, "");
}

TEST_F(MixerServer, SelectingASourceMakesItTheServersDefault) {
    const std::vector<std::string> names = selectMonoDevice();
    const int monitor = find(names, "Monitor of " + std::string(kSinkDescription));
    ASSERT_GE(monitor, 1);

    ASSERT_EQ(m_mixer.SelectInputSource(monitor), 0);
    EXPECT_EQ(sh("pactl get-default-source"), std::string(kSink) + ".monitor");
    EXPECT_TRUE(m_mixer.IsCurrentInputSourceSelected(monitor));
    EXPECT_FALSE(m_mixer.IsCurrentInputSourceSelected(0));

    ASSERT_EQ(m_mixer.SelectInputSource(0), 0);
    EXPECT_EQ(sh("pactl get-default-source"), kMono);
    EXPECT_TRUE(m_mixer.IsCurrentInputSourceSelected(0));
    EXPECT_FALSE(m_mixer.IsCurrentInputSourceSelected(monitor));

    // The null source has no microphone port: the source recording now is the choice.
    int microphone = -1;
    ASSERT_EQ(m_mixer.GetMicrophoneSourceIndex(&microphone), 0);
    EXPECT_EQ(microphone, 0);

    EXPECT_EQ(m_mixer.SelectInputSource(static_cast<int>(names.size())), kMixerInvalidInputIndex);
    EXPECT_EQ(m_mixer.SelectInputSource(-1), kMixerInvalidInputIndex);
    EXPECT_EQ(sh("pactl get-default-source"), kMono);
}

TEST_F(MixerServer, OutputVolumeRoundTripReachesTheServer) {
    ASSERT_EQ(m_mixer.SelectOutputDevice(outputIndex(kSinkDescription)), 0);
    std::uint32_t lower = 1, upper = 0;
    ASSERT_EQ(m_mixer.GetOutputVolumeBounds(&lower, &upper), 0);
    EXPECT_EQ(lower, 0u);
    EXPECT_EQ(upper, 65536u);

    const Values set = {30000, 50000};
    ASSERT_EQ(m_mixer.SetCurrentOutputVolSetting(2, set.data()), 0);
    EXPECT_EQ(pactlVolumes("sink", kSink), set);
    Values got(2);
    ASSERT_EQ(m_mixer.GetCurrentOutputVolSetting(2, got.data()), 0);
    EXPECT_EQ(got, set);

    // From outside, and louder than the bound: read back cut to the bound.
    sh(std::string("pactl set-sink-volume ") + kSink + " 12000 90000");
    ASSERT_EQ(m_mixer.GetCurrentOutputVolSetting(2, got.data()), 0);
    EXPECT_EQ(got, (Values{12000, 65536}));

    // One value scales both channels and keeps the balance.
    sh(std::string("pactl set-sink-volume ") + kSink + " 20000 40000");
    const Values one = {20000};
    ASSERT_EQ(m_mixer.SetCurrentOutputVolSetting(1, one.data()), 0);
    EXPECT_EQ(pactlVolumes("sink", kSink), (Values{10000, 20000}));
    EXPECT_EQ(m_mixer.SetCurrentOutputVolSetting(3, set.data()), kMixerNoSuchControl);
}

TEST_F(MixerServer, InputVolumeTakesTwoChannelsOnStereoAndOneOnMono) {
    const std::vector<std::string> names = selectMonoDevice();
    std::uint32_t upper = 0;
    ASSERT_EQ(m_mixer.GetInputVolumeBounds(nullptr, &upper), 0);
    EXPECT_EQ(upper, 65536u);

    // The mono source answers 1 and refuses 2.
    ASSERT_EQ(m_mixer.SelectInputSource(0), 0);
    Values got(2, 7);
    EXPECT_EQ(m_mixer.GetCurrentInputVolSetting(2, got.data()), kMixerNoSuchControl);
    EXPECT_EQ(m_mixer.SetCurrentInputVolSetting(2, got.data()), kMixerNoSuchControl);
    const Values one = {20000};
    ASSERT_EQ(m_mixer.SetCurrentInputVolSetting(1, one.data()), 0);
    EXPECT_EQ(pactlVolumes("source", kMono), one);
    ASSERT_EQ(m_mixer.GetCurrentInputVolSetting(1, got.data()), 0);
    EXPECT_EQ(got[0], 20000u);

    // The stereo monitor answers 2, left first.
    const int monitor = find(names, "Monitor of " + std::string(kSinkDescription));
    ASSERT_EQ(m_mixer.SelectInputSource(monitor), 0);
    const Values two = {10000, 40000};
    ASSERT_EQ(m_mixer.SetCurrentInputVolSetting(2, two.data()), 0);
    EXPECT_EQ(pactlVolumes("source", std::string(kSink) + ".monitor"), two);
    ASSERT_EQ(m_mixer.GetCurrentInputVolSetting(2, got.data()), 0);
    EXPECT_EQ(got, two);
    sh(std::string("pactl set-source-volume ") + kSink + ".monitor 65536");
}

TEST_F(MixerServer, OutsideChangesAreNotified) {
    Recorder& recorder = m_recorder;
    ASSERT_EQ(m_mixer.SetCVMixCallbackWindow(recorder.window()), 0);
    ASSERT_EQ(m_mixer.CreateCVMixCallbackThread(), 0);
    ASSERT_EQ(m_mixer.SelectOutputDevice(outputIndex(kSinkDescription)), 0);
    const std::vector<std::string> names = selectMonoDevice();
    ASSERT_EQ(m_mixer.SelectInputSource(0), 0);

    sh(std::string("pactl set-sink-volume ") + kSink + " 12345");
    EXPECT_TRUE(recorder.waitFor(kMixerOutputVolumeChanged));

    sh(std::string("pactl set-source-volume ") + kMono + " 23456");
    EXPECT_TRUE(recorder.waitFor(kMixerInputVolumeChanged));

    const int monitor = find(names, "Monitor of " + std::string(kSinkDescription));
    sh(std::string("pactl set-default-source ") + kSink + ".monitor");
    auto notes = recorder.waitFor(kMixerSourceChanged);
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->back().lparam, monitor);

    // A source that is not in the list is reported as such.
    sh("pactl set-default-source sonthra_null_source");
    notes = recorder.waitFor(kMixerSourceChanged);
    ASSERT_TRUE(notes);
    EXPECT_EQ(notes->back().lparam, -1);
}

TEST_F(MixerServer, OwnChangesAreNotEchoed) {
    Recorder& recorder = m_recorder;
    m_mixer.SetCVMixCallbackWindow(recorder.window());
    ASSERT_EQ(m_mixer.CreateCVMixCallbackThread(), 0);
    ASSERT_EQ(m_mixer.SelectOutputDevice(outputIndex(kSinkDescription)), 0);
    const std::vector<std::string> names = selectMonoDevice();
    ASSERT_EQ(m_mixer.SelectInputSource(0), 0);
    recorder.clear();

    // The server reports changes in order, so an echo of our own settings would arrive before
    // the notification of the outside change that follows them.
    const Values set = {11111, 22222};
    ASSERT_EQ(m_mixer.SetCurrentOutputVolSetting(2, set.data()), 0);
    const Values one = {33333};
    ASSERT_EQ(m_mixer.SetCurrentInputVolSetting(1, one.data()), 0);
    const int monitor = find(names, "Monitor of " + std::string(kSinkDescription));
    ASSERT_EQ(m_mixer.SelectInputSource(monitor), 0);
    sh(std::string("pactl set-source-volume ") + kSink + ".monitor 44444");
    const auto notes = recorder.waitFor(kMixerInputVolumeChanged);
    ASSERT_TRUE(notes);
    ASSERT_EQ(notes->size(), 1u) << "first notification: " << notes->front().message;
    sh(std::string("pactl set-source-volume ") + kSink + ".monitor 65536");
}

TEST_F(MixerServer, VanishedDevicesAreReported) {
    const std::string module =
        sh("pactl load-module module-null-sink sink_name=sonthra_mixer_gone "
           "sink_properties=device.description=SonthraMixerGone");
    ASSERT_FALSE(module.empty());
    ASSERT_EQ(m_mixer.SelectOutputDevice(outputIndex("SonthraMixerGone")), 0);
    const int input = inputIndex(kMonoDescription);
    ASSERT_EQ(m_mixer.SelectInputDevice(input), 0);
    const std::vector<std::string> names = sourceNames();
    const int monitor = find(names, "Monitor of SonthraMixerGone");
    ASSERT_GE(monitor, 1);
    sh("pactl unload-module " + module);

    Values got(2);
    EXPECT_EQ(m_mixer.GetCurrentOutputVolSetting(2, got.data()), kMixerOutputDeviceGone);
    EXPECT_EQ(m_mixer.SetCurrentOutputVolSetting(2, got.data()), kMixerOutputDeviceGone);
    EXPECT_EQ(m_mixer.SelectInputSource(monitor), kMixerInputDeviceGone);
    EXPECT_FALSE(m_mixer.IsCurrentInputSourceSelected(monitor));
    EXPECT_EQ(m_mixer.DeselectOutputDevice(), 0);
    EXPECT_EQ(m_mixer.GetCurrentOutputVolSetting(2, got.data()), kMixerNoOutputSelected);
}

TEST_F(MixerServer, StartUpSelectsDevicesAndASourceThatHolds) {
    sh(std::string("pactl set-default-sink ") + kSink);
    sh(std::string("pactl set-default-source ") + kMono);
    const MixerStart start = StartMixer(m_mixer, {}, -1, -1, std::nullopt);
    EXPECT_TRUE(start.messages.empty());
    ASSERT_FALSE(start.sources.names.empty());
    EXPECT_EQ(start.sources.names[0], kMonoDescription);
    EXPECT_EQ(start.sources.current, 0);
    EXPECT_TRUE(m_mixer.IsCurrentInputSourceSelected(0));

    // The output side acts on the default sink.
    const Values set = {5000, 6000};
    ASSERT_EQ(m_mixer.SetCurrentOutputVolSetting(2, set.data()), 0);
    EXPECT_EQ(pactlVolumes("sink", kSink), set);

    // A saved index past the list falls back to source 0.
    const MixerStart again = StartMixer(m_mixer, {}, -1, -1, 999);
    EXPECT_TRUE(again.messages.empty());
    EXPECT_EQ(again.sources.current, 0);
}

}  // namespace
}  // namespace sonthra
