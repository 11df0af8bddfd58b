// The mixer's pure rules: the input source list, the microphone choice, description cutting and
// the mapping between per-channel server volumes and the one or two values callers use.
#include "engine/mixer_model.h"

#include <gtest/gtest.h>

#include <cstring>

namespace sonthra {
namespace {

using Values = std::vector<std::uint32_t>;

MixerDevice device(std::string name, std::string description, bool monitor = false) {
    MixerDevice d;
    d.name = std::move(name);
    d.description = std::move(description);
    d.monitor = monitor;
    return d;
}

MixerDevice withChannels(std::vector<ChannelSide> sides, Values volumes) {
    MixerDevice d = device("dev", "Device");
    d.sides = std::move(sides);
    d.volumes = std::move(volumes);
    return d;
}

constexpr auto L = ChannelSide::Left;
constexpr auto R = ChannelSide::Right;
constexpr auto M = ChannelSide::Middle;

TEST(MixerSourceList, PortsOfTheDeviceThenMonitorsOfOtherDevices) {
    MixerDevice card = device("alsa_input.pci", "Built-in Audio");
    card.ports = {{"analog-input-mic", "Microphone", true}, {"analog-input-linein", "Line In"}};
    const std::vector<MixerDevice> all = {
        card,
        device("alsa_output.pci.monitor", "Monitor of Built-in Audio", true),
        device("usb_mic", "USB Microphone"),  // another input device: not a source of this one
        device("hdmi.monitor", "Monitor of HDMI", true),
    };
    const auto entries = BuildInputSources(card, all);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].source, "alsa_input.pci");
    EXPECT_EQ(entries[0].port, "analog-input-mic");
    EXPECT_EQ(entries[0].description, "Microphone");
    EXPECT_TRUE(entries[0].microphone);
    EXPECT_EQ(entries[1].port, "analog-input-linein");
    EXPECT_FALSE(entries[1].microphone);
    EXPECT_EQ(entries[2].source, "alsa_output.pci.monitor");
    EXPECT_TRUE(entries[2].monitor);
    EXPECT_TRUE(entries[2].port.empty());
    EXPECT_EQ(entries[3].description, "Monitor of HDMI");
}

TEST(MixerSourceList, DeviceWithoutPortsIsItsOwnSourceAndAMonitorIsNotListedTwice) {
    const MixerDevice monitor = device("sink.monitor", "Monitor of Sink", true);
    const auto plain = BuildInputSources(device("usb", "USB Microphone"), {monitor});
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[0].source, "usb");
    EXPECT_EQ(plain[0].description, "USB Microphone");
    EXPECT_TRUE(plain[0].microphone);  // the name says so
    EXPECT_EQ(plain[1].source, "sink.monitor");

    EXPECT_EQ(BuildInputSources(monitor, {monitor}).size(), 1u);
}

TEST(MixerSourceList, MicrophoneChoiceFallsBackStepByStep) {
    std::vector<MixerSourceEntry> entries = {
        {"card", "line", "Line In", false, false},
        {"card", "aux", "Dynamic Aux", false, false},  // "mic" inside a word is no microphone
        {"sink.monitor", "", "Monitor of Sink", true, false},
    };
    // Nothing names a microphone: the entry recording now wins, with its port.
    EXPECT_EQ(FindMicrophoneSource(entries, "card", "aux"), 1);
    EXPECT_EQ(FindMicrophoneSource(entries, "sink.monitor", ""), 2);
    // Recording from something off the list: the first entry that is not a monitor.
    EXPECT_EQ(FindMicrophoneSource(entries, "elsewhere", ""), 0);
    entries[0].monitor = entries[1].monitor = true;
    EXPECT_EQ(FindMicrophoneSource(entries, "elsewhere", ""), 0);
    EXPECT_EQ(FindMicrophoneSource({}, "", ""), 0);

    entries[0].monitor = entries[1].monitor = false;
    entries[1].microphone = true;
    EXPECT_EQ(FindMicrophoneSource(entries, "sink.monitor", ""), 1);
}

TEST(MixerSourceList, MicrophoneIsRecognisedByPortTypeOrName) {
    MixerDevice card = device("card", "Card");
    card.ports = {{"in-1", "Input 1", false},
                  {"in-2", "Input 2", true},
                  {"front-mic", "Front", false},
                  {"in-3", "Rear Mic", false},
                  {"in-4", "Ceramic pickup", false}};
    const auto entries = BuildInputSources(card, {});
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_FALSE(entries[0].microphone);
    EXPECT_TRUE(entries[1].microphone);
    EXPECT_TRUE(entries[2].microphone);
    EXPECT_TRUE(entries[3].microphone);
    EXPECT_FALSE(entries[4].microphone);
}

TEST(MixerSourceList, IndexOfTheSourceRecordingNow) {
    const std::vector<MixerSourceEntry> entries = {
        {"card", "mic", "Microphone", false, true},
        {"card", "line", "Line In", false, false},
        {"sink.monitor", "", "Monitor of Sink", true, false},
    };
    EXPECT_EQ(FindSourceIndex(entries, "card", "line"), 1);
    EXPECT_EQ(FindSourceIndex(entries, "card", "mic"), 0);
    EXPECT_EQ(FindSourceIndex(entries, "card", "headset"), -1);
    EXPECT_EQ(FindSourceIndex(entries, "sink.monitor", "whatever"), 2);
    EXPECT_EQ(FindSourceIndex(entries, "other", ""), -1);
}

TEST(MixerSourceDescription, CutToSixtyFourBytesOnACharacterBoundary) {
    char out[kSourceDescriptionSize];
    std::memset(out, 'x', sizeof out);
    CopySourceDescription("Monitor of Null Output", out);
    EXPECT_STREQ(out, "Monitor of Null Output");

    const std::string exact(64, 'a');
    CopySourceDescription(exact, out);
    EXPECT_EQ(std::string(out), exact);

    CopySourceDescription(std::string(100, 'b'), out);
    EXPECT_EQ(std::string(out), std::string(64, 'b'));

    // A two-byte character across the limit goes whole, not half.
    const std::string accented = std::string(63, 'c') + "\xC3\xA9" + "tail";
    CopySourceDescription(accented, out);
    EXPECT_EQ(std::string(out), std::string(63, 'c'));
    // Ending exactly on the limit keeps it.
    const std::string fits = std::string(62, 'c') + "\xC3\xA9";
    CopySourceDescription(fits, out);
    EXPECT_EQ(std::string(out), fits);
}

TEST(MixerChannelValues, StereoReadsAndWritesLeftFirst) {
    const MixerDevice stereo = withChannels({L, R}, {30000, 50000});
    EXPECT_EQ(ReadChannelValues(stereo, 2, 65536, false), (Values{30000, 50000}));
    EXPECT_EQ(ReadChannelValues(stereo, 1, 65536, false), (Values{50000}));
    const Values two = {1000, 2000};
    EXPECT_EQ(WriteChannelValues(stereo, 2, two.data(), 65536, false), (Values{1000, 2000}));
}

TEST(MixerChannelValues, MonoAnswersOneValueAndTwoOnlyWhereAllowed) {
    const MixerDevice mono = withChannels({M}, {40000});
    EXPECT_FALSE(ReadChannelValues(mono, 2, 65536, false));
    EXPECT_EQ(ReadChannelValues(mono, 1, 65536, false), (Values{40000}));
    EXPECT_EQ(ReadChannelValues(mono, 2, 65536, true), (Values{40000, 40000}));
    const Values two = {1000, 3000};
    EXPECT_FALSE(WriteChannelValues(mono, 2, two.data(), 65536, false));
    EXPECT_EQ(WriteChannelValues(mono, 2, two.data(), 65536, true), (Values{3000}));
    EXPECT_EQ(WriteChannelValues(mono, 1, two.data(), 65536, false), (Values{1000}));
}

TEST(MixerChannelValues, SurroundGroupsSidesAndMiddleFollowsTheLouder) {
    // front-left, front-right, centre, bass, rear-left, rear-right
    const MixerDevice surround = withChannels({L, R, M, M, L, R}, {100, 200, 900, 900, 300, 150});
    EXPECT_EQ(ReadChannelValues(surround, 2, 65536, false), (Values{300, 200}));
    EXPECT_EQ(ReadChannelValues(surround, 1, 65536, false), (Values{900}));
    const Values two = {1000, 4000};
    EXPECT_EQ(WriteChannelValues(surround, 2, two.data(), 65536, false),
              (Values{1000, 4000, 4000, 4000, 1000, 4000}));
}

TEST(MixerChannelValues, ChannelsOnNoSideUseTheFirstTwoAsLeftAndRight) {
    const MixerDevice aux = withChannels({M, M, M}, {10, 20, 30});
    EXPECT_EQ(ReadChannelValues(aux, 2, 65536, false), (Values{10, 20}));
    const Values two = {5, 7};
    EXPECT_EQ(WriteChannelValues(aux, 2, two.data(), 65536, false), (Values{5, 7, 7}));
    // Sides missing from the device record count as middle.
    MixerDevice unmapped = withChannels({}, {10, 20});
    EXPECT_EQ(ReadChannelValues(unmapped, 2, 65536, false), (Values{10, 20}));
}

TEST(MixerChannelValues, OneValueScalesAndKeepsTheBalance) {
    const MixerDevice stereo = withChannels({L, R}, {30000, 60000});
    const Values one = {20000};
    EXPECT_EQ(WriteChannelValues(stereo, 1, one.data(), 65536, false), (Values{10000, 20000}));
    const MixerDevice silent = withChannels({L, R}, {0, 0});
    EXPECT_EQ(WriteChannelValues(silent, 1, one.data(), 65536, false), (Values{20000, 20000}));
}

TEST(MixerChannelValues, ValuesStayWithinTheUpperBound) {
    const MixerDevice loud = withChannels({L, R}, {90000, 65536});
    EXPECT_EQ(ReadChannelValues(loud, 2, 65536, false), (Values{65536, 65536}));
    const Values big = {70000, 4000000000u};
    EXPECT_EQ(WriteChannelValues(loud, 2, big.data(), 65536, false), (Values{65536, 65536}));
    EXPECT_EQ(WriteChannelValues(loud, 1, big.data(), 65536, false), (Values{65536, 47722}));
}

TEST(MixerChannelValues, RefusesWhatItCannotAnswer) {
    const MixerDevice stereo = withChannels({L, R}, {1, 2});
    const MixerDevice none = withChannels({}, {});
    const Values three = {1, 2, 3};
    for (unsigned count : {0u, 3u}) {
        EXPECT_FALSE(ReadChannelValues(stereo, count, 65536, true)) << count;
        EXPECT_FALSE(WriteChannelValues(stereo, count, three.data(), 65536, true)) << count;
    }
    EXPECT_FALSE(ReadChannelValues(none, 1, 65536, true));
    EXPECT_FALSE(WriteChannelValues(none, 1, three.data(), 65536, true));
    EXPECT_FALSE(WriteChannelValues(stereo, 2, nullptr, 65536, true));
}

}  // namespace
}  // namespace sonthra
