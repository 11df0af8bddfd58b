#include "engine/mixer_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace sonthra {

namespace {

// True when "mic" starts a word of `text`, so "Front Mic" and "analog-input-mic" count and
// "Dynamic" does not.
bool namesMicrophone(const std::string& text) {
    for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
        if (i > 0 && std::isalpha(static_cast<unsigned char>(text[i - 1]))) continue;
        if (std::tolower(static_cast<unsigned char>(text[i])) == 'm' &&
            std::tolower(static_cast<unsigned char>(text[i + 1])) == 'i' &&
            std::tolower(static_cast<unsigned char>(text[i + 2])) == 'c')
            return true;
    }
    return false;
}

// Channel sides for the left/right split; a device of several channels none of which is on a
// side (auxiliary channels) uses its first two as left and right.
std::vector<ChannelSide> effectiveSides(const MixerDevice& device) {
    std::vector<ChannelSide> sides = device.sides;
    sides.resize(device.volumes.size(), ChannelSide::Middle);
    const bool anySide = std::any_of(sides.begin(), sides.end(),
                                     [](ChannelSide s) { return s != ChannelSide::Middle; });
    if (!anySide && sides.size() >= 2) {
        sides[0] = ChannelSide::Left;
        sides[1] = ChannelSide::Right;
    }
    return sides;
}

}  // namespace

std::vector<MixerSourceEntry> BuildInputSources(const MixerDevice& inputDevice,
                                                const std::vector<MixerDevice>& sources) {
    std::vector<MixerSourceEntry> entries;
    if (inputDevice.ports.empty()) {
        entries.push_back({inputDevice.name, "", inputDevice.description, inputDevice.monitor,
                           namesMicrophone(inputDevice.description)});
    } else {
        for (const MixerPort& port : inputDevice.ports) {
            entries.push_back({inputDevice.name, port.name, port.description, inputDevice.monitor,
                               port.microphone || namesMicrophone(port.name) ||
                                   namesMicrophone(port.description)});
        }
    }
    for (const MixerDevice& source : sources) {
        if (!source.monitor || source.name == inputDevice.name) continue;
        entries.push_back({source.name, "", source.description, true, false});
    }
    return entries;
}

int FindMicrophoneSource(const std::vector<MixerSourceEntry>& entries,
                         const std::string& currentSource, const std::string& currentPort) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].microphone && !entries[i].monitor) return static_cast<int>(i);
    const int current = FindSourceIndex(entries, currentSource, currentPort);
    if (current >= 0) return current;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].monitor) return static_cast<int>(i);
    return 0;
}

int FindSourceIndex(const std::vector<MixerSourceEntry>& entries, const std::string& source,
                    const std::string& activePort) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MixerSourceEntry& e = entries[i];
        if (e.source == source && (e.port.empty() || e.port == activePort))
            return static_cast<int>(i);
    }
    return -1;
}

void CopySourceDescription(const std::string& text, char (&out)[kSourceDescriptionSize]) {
    std::size_t n = std::min(text.size(), kSourceDescriptionSize - 1);
    // Step back over continuation bytes so that a cut never splits a character.
    if (n < text.size()) {
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    }
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

std::optional<std::vector<std::uint32_t>> ReadChannelValues(const MixerDevice& device,
                                                            unsigned count, std::uint32_t upper,
                                                            bool monoAsStereo) {
    const std::size_t channels = device.volumes.size();
    if (channels == 0 || (count != 1 && count != 2)) return std::nullopt;
    if (count == 2 && channels == 1 && !monoAsStereo) return std::nullopt;
    auto cut = [upper](std::uint32_t v) { return std::min(v, upper); };
    if (count == 1 || channels == 1) {
        const std::uint32_t loudest =
            cut(*std::max_element(device.volumes.begin(), device.volumes.end()));
        return std::vector<std::uint32_t>(count, loudest);
    }
    const std::vector<ChannelSide> sides = effectiveSides(device);
    std::uint32_t left = 0, right = 0;
    for (std::size_t i = 0; i < channels; ++i) {
        if (sides[i] == ChannelSide::Left) left = std::max(left, device.volumes[i]);
        if (sides[i] == ChannelSide::Right) right = std::max(right, device.volumes[i]);
    }
    return std::vector<std::uint32_t>{cut(left), cut(right)};
}

std::optional<std::vector<std::uint32_t>> WriteChannelValues(const MixerDevice& device,
                                                             unsigned count,
                                                             const std::uint32_t* values,
                                                             std::uint32_t upper,
                                                             bool monoAsStereo) {
    const std::size_t channels = device.volumes.size();
    if (channels == 0 || values == nullptr || (count != 1 && count != 2)) return std::nullopt;
    if (count == 2 && channels == 1 && !monoAsStereo) return std::nullopt;
    std::vector<std::uint32_t> result(channels);
    if (count == 2) {
        const std::uint32_t left = std::min(values[0], upper);
        const std::uint32_t right = std::min(values[1], upper);
        const std::vector<ChannelSide> sides = effectiveSides(device);
        for (std::size_t i = 0; i < channels; ++i) {
            result[i] = sides[i] == ChannelSide::Left    ? left
                        : sides[i] == ChannelSide::Right ? right
                                                         : std::max(left, right);
        }
        return result;
    }
    const std::uint32_t target = std::min(values[0], upper);
    const std::uint32_t loudest = *std::max_element(device.volumes.begin(), device.volumes.end());
    for (std::size_t i = 0; i < channels; ++i) {
        // Scaling keeps the balance the user set elsewhere; a silent device has none to keep.
        result[i] = loudest == 0 ? target
                                 : static_cast<std::uint32_t>(std::llround(
                                       static_cast<double>(device.volumes[i]) * target / loudest));
    }
    return result;
}

}  // namespace sonthra
