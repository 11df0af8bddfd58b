// Peak levels of the audio passing through a stream, 0 to 100 per channel, held over a short
// window so that a reader polling every 50 ms sees the loudest recent sample.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace sonthra {

// Written by the audio callback (reset, add..., silence), read from any thread (read). The
// callback side neither locks nor allocates.
class LevelMeter {
public:
    // Peaks are published every windowFrames frames; call before the stream starts.
    void reset(int channels, std::uint32_t windowFrames) {
        m_channels = channels;
        m_window = std::max<std::uint32_t>(1, windowFrames);
        m_count = 0;
        m_peak[0] = m_peak[1] = 0;
        m_level[0].store(0, std::memory_order_relaxed);
        m_level[1].store(0, std::memory_order_relaxed);
    }

    // Interleaved signed 16-bit samples.
    void addInt16(const std::int16_t* samples, std::size_t frames) {
        for (std::size_t f = 0; f < frames; ++f) {
            for (int c = 0; c < m_channels; ++c) {
                const int s = samples[f * m_channels + c];
                take(c, s < 0 ? -s : s);
            }
            tick();
        }
    }

    // Interleaved unsigned 8-bit samples (128 is silence), scaled to the 16-bit range.
    void addUInt8(const std::uint8_t* samples, std::size_t frames) {
        for (std::size_t f = 0; f < frames; ++f) {
            for (int c = 0; c < m_channels; ++c) {
                const int s = (static_cast<int>(samples[f * m_channels + c]) - 128) * 256;
                take(c, s < 0 ? -s : s);
            }
            tick();
        }
    }

    // Nothing is sounding (paused, stopped): the meters fall to 0 at once.
    void silence() {
        m_count = 0;
        m_peak[0] = m_peak[1] = 0;
        m_level[0].store(0, std::memory_order_relaxed);
        m_level[1].store(0, std::memory_order_relaxed);
    }

    // A mono stream shows its one level on both sides.
    void read(int& left, int& right) const {
        left = m_level[0].load(std::memory_order_relaxed);
        right = m_level[m_channels > 1 ? 1 : 0].load(std::memory_order_relaxed);
    }

    // 0 to 100 for a sample magnitude of 0 to 32768, rounded to the nearest step.
    static int toLevel(int magnitude) { return std::min(100, (magnitude * 100 + 16384) / 32768); }

private:
    void take(int channel, int magnitude) {
        if (channel < 2 && magnitude > m_peak[channel]) m_peak[channel] = magnitude;
    }

    void tick() {
        if (++m_count < m_window) return;
        m_level[0].store(toLevel(m_peak[0]), std::memory_order_relaxed);
        m_level[1].store(toLevel(m_peak[1]), std::memory_order_relaxed);
        m_peak[0] = m_peak[1] = 0;
        m_count = 0;
    }

    int m_channels = 2;
    std::uint32_t m_window = 1;
    std::uint32_t m_count = 0;
    int m_peak[2] = {0, 0};
    std::atomic<int> m_level[2] = {0, 0};
};

}  // namespace sonthra
