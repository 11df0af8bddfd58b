// What the format converter's tests share: tones written as WAV files, running a conversion to
// its end, and reading back the samples of the file it wrote.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "convert/format_convert.h"
#include "wave/wave_layout.h"
#include "wave/wave_test_files.h"

namespace sonthra::testing {

// 16-bit samples of a sine on each channel (per-channel frequency and amplitude, 0..1).
inline std::string sine16(std::uint32_t rate, std::uint32_t frames,
                          const std::vector<double>& hertz, const std::vector<double>& amplitude) {
    std::string s;
    s.reserve(frames * hertz.size() * 2);
    for (std::uint32_t f = 0; f < frames; ++f) {
        for (std::size_t c = 0; c < hertz.size(); ++c) {
            const double v = amplitude[c] * std::sin(2 * M_PI * hertz[c] * f / rate);
            put16(s, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767))));
        }
    }
    return s;
}

inline std::vector<unsigned char> formatBuffer(std::uint32_t rate, std::uint16_t bits,
                                               std::uint16_t channels) {
    std::vector<unsigned char> buffer(kWaveFormatBytes);
    encodeWaveFormat(makePcmFormat(rate, bits, channels), buffer.data());
    return buffer;
}

// Runs one conversion to its end; its start result, or else its exit code.
inline int convertFile(const std::string& source, const std::string& destination,
                       std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    const auto buffer = formatBuffer(rate, bits, channels);
    ConvertHandle handle = nullptr;
    const int started = AudioConvert(source, destination, buffer, &handle, 0);
    if (started != 0) {
        EXPECT_EQ(handle, nullptr);
        return started;
    }
    while (!AudioConvertProcessIsOver(handle)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const int reason = AudioConvertGetReasonForProcessExit(handle);
    AudioConvertCloseHandle(&handle);
    EXPECT_EQ(handle, nullptr);
    return reason;
}

struct Samples {
    WaveFormat format;
    std::vector<int> values;  // interleaved, centred on 0 (8-bit values less 128)

    std::size_t frames() const { return format.channels ? values.size() / format.channels : 0; }
    double at(std::size_t frame, int channel) const {
        return values[frame * format.channels + channel];
    }
};

inline Samples readSamples(const std::string& path) {
    Samples out;
    WaveFileLayout layout;
    if (inspectWave(path, layout) != WaveInspect::Ok) {
        ADD_FAILURE() << path << " is not a WAV file";
        return out;
    }
    out.format = layout.format;
    const std::string bytes = readBytes(path).substr(layout.dataOffset, layout.dataBytes);
    if (layout.format.bitsPerSample == 8) {
        for (unsigned char b : bytes) out.values.push_back(b - 128);
    } else {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            out.values.push_back(
                static_cast<std::int16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
    }
    return out;
}

}  // namespace sonthra::testing
