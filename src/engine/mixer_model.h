// The sound server's devices as the mixer sees them, and the pure rules built on them: which
// entries make up the list of input sources, which one is the microphone, and how per-channel
// server volumes become the one or two values (left first) the mixer's callers work with.
// Plain data and functions, no server; callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonthra {

// Where a device channel sits, which decides whether it answers to the left or the right value.
enum class ChannelSide { Left, Right, Middle };

struct MixerPort {
    std::string name;
    std::string description;
    bool microphone = false;  // the server marks the port as a microphone or headset input
};

// One sink or source of the sound server.
struct MixerDevice {
    std::uint32_t index = 0;  // the server's index, valid while the device exists
    std::string name;
    std::string description;
    bool monitor = false;  // a source that records what a sink plays
    std::vector<MixerPort> ports;
    std::string activePort;
    std::vector<ChannelSide> sides;      // one per channel
    std::vector<std::uint32_t> volumes;  // one per channel, in server units
};

// One entry of the input source list: a source, and the port to switch it to when it has ports.
struct MixerSourceEntry {
    std::string source;
    std::string port;
    std::string description;
    bool monitor = false;
    bool microphone = false;
};

// Length of the buffer that receives a source description, terminating zero included.
inline constexpr std::size_t kSourceDescriptionSize = 65;

// The list of input sources: the ports of the input device (or the device itself when it has
// none), then the monitor sources among `sources`, so that what the computer plays can be
// recorded too.
std::vector<MixerSourceEntry> BuildInputSources(const MixerDevice& inputDevice,
                                                const std::vector<MixerDevice>& sources);

// The entry to record from when nothing was chosen before: a port marked as microphone, then an
// entry whose name says "mic", then the entry that is recording now (`currentSource` with its
// `currentPort`), then the first entry that is not a monitor, then 0.
int FindMicrophoneSource(const std::vector<MixerSourceEntry>& entries,
                         const std::string& currentSource, const std::string& currentPort);

// Position of the entry for `source` switched to `activePort`, or -1 when the list has none.
int FindSourceIndex(const std::vector<MixerSourceEntry>& entries, const std::string& source,
                    const std::string& activePort);

// Copies `text` into `out`, cut to at most 64 bytes on a UTF-8 character boundary and always
// zero-terminated.
void CopySourceDescription(const std::string& text, char (&out)[kSourceDescriptionSize]);

// The `count` (1 or 2) caller values of a device's channel volumes, each at most `upper`. One
// value is the loudest channel. Two values are the loudest left and the loudest right channel;
// a device with one channel gives two only when `monoAsStereo` is set (both the same).
// Empty when the device cannot answer with that many values.
std::optional<std::vector<std::uint32_t>> ReadChannelValues(const MixerDevice& device,
                                                            unsigned count, std::uint32_t upper,
                                                            bool monoAsStereo);

// The channel volumes that put `values` (count 1 or 2, each cut to `upper`) on the device. One
// value scales all channels so that the loudest gets it and the balance stays. Two values go to
// the left and right channels, and middle channels (centre, bass) get the larger of both; a
// device with one channel takes the larger when `monoAsStereo` is set. Empty when the device
// cannot take that many values.
std::optional<std::vector<std::uint32_t>> WriteChannelValues(const MixerDevice& device,
                                                             unsigned count,
                                                             const std::uint32_t* values,
                                                             std::uint32_t upper,
                                                             bool monoAsStereo);

}  // namespace sonthra
