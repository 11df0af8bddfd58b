// The recording formats a device is asked about, and the three lists the recording format
// window builds from the ones it accepts. Plain data and functions; callable from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace sonthra {

struct RecordFormat {
    std::uint32_t sampleRate = 0;  // hertz
    std::uint8_t bitsPerSample = 0;
    std::uint8_t channels = 0;

    bool operator==(const RecordFormat&) const = default;
};

// The candidates in probing order: rate outermost, then bits, then channels.
inline constexpr std::array<std::uint32_t, 12> kCandidateRates = {
    8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 64000, 88200, 96000};
inline constexpr std::array<int, 2> kCandidateBits = {8, 16};
inline constexpr std::array<int, 2> kCandidateChannels = {1, 2};

// Asks the recording device whether it records a PCM format directly, without opening it:
// 0 when it does, anything else when it does not.
using FormatQuery = std::function<int(std::uint32_t sampleRate, int bitsPerSample, int channels)>;

// Every candidate the device accepts, in probing order, into `formats` (emptied first).
// 0, or 104 when the list could not grow; it then holds the formats found until then.
int ProbeFormats(const FormatQuery& query, std::vector<RecordFormat>& formats);

// The distinct rates of `formats`, in list order.
std::vector<std::uint32_t> FormatRates(const std::vector<RecordFormat>& formats);
// The distinct bit depths offered at `rate`, in list order.
std::vector<int> FormatBits(const std::vector<RecordFormat>& formats, std::uint32_t rate);
// The distinct channel counts of 1 or 2 offered at `rate` and `bits`, in list order.
std::vector<int> FormatChannels(const std::vector<RecordFormat>& formats, std::uint32_t rate,
                                int bits);

}  // namespace sonthra
