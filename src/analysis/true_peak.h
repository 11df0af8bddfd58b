// The true peak of a stream of samples: the largest magnitude of the signal four times
// oversampled, the samples themselves included, per channel. Fed in blocks of any size; the
// result is the same however the stream is cut.
#pragma once

#include <cstddef>
#include <vector>

namespace sonthra {

class TruePeakMeter {
public:
    // Starts over for channels interleaved channels.
    void start(int channels);
    // Adds frames interleaved frames of floats (full scale 1.0).
    void add(const float* frames, std::size_t count);
    // The largest magnitude so far of channel (linear, 1.0 is full scale), the frames still
    // waiting for their successors taken as followed by silence.
    double peak(int channel) const;
    // The largest of every channel's peak.
    double peak() const;

private:
    struct Channel {
        // The last samples of the channel: those whose oversampled neighbours are not all known
        // yet, after those the filter still reaches back to.
        std::vector<float> history;
        float peak = 0;
    };
    static float scan(const float* samples, std::size_t positions);

    std::vector<Channel> m_channels;
    std::vector<float> m_work;
};

}  // namespace sonthra
