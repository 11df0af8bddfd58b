// The sound devices as PortAudio sees them, numbered the engine's way: inputs and outputs each
// from 0, in PortAudio's order, with -1 standing for the system's default device.
#pragma once

#include <string>
#include <vector>

namespace sonthra {

// Whether a PortAudio error from a format query means the device refuses the format (rather
// than being busy or gone).
bool isFormatRefusal(int paError);

// Holds PortAudio initialised for as long as it lives (PortAudio counts nested
// initialisations, so several engines may each hold one). The device lists are read once, at
// construction. Use from one thread, the same one that drives the engine's streams.
class PaDevices {
public:
    PaDevices();
    ~PaDevices();
    PaDevices(const PaDevices&) = delete;
    PaDevices& operator=(const PaDevices&) = delete;

    // False when PortAudio could not start; every list is then empty.
    bool ready() const { return m_ready; }

    int inputCount() const { return static_cast<int>(m_inputs.size()); }
    int outputCount() const { return static_cast<int>(m_outputs.size()); }

    // The PortAudio device behind an engine index (-1 = the default), or -1 when there is none.
    int inputDevice(int index) const;
    int outputDevice(int index) const;

    // The engine index of the system's default device, or -1 when there is none.
    int preferredInput() const;
    int preferredOutput() const;

    // The device's name, or an empty string when the index has no device.
    std::string inputName(int index) const;
    std::string outputName(int index) const;

    // Whether the input device (engine index) can capture this PCM format directly.
    bool inputSupports(int index, double sampleRate, int bitsPerSample, int channels) const;
    // Whether the output device (engine index) can play 16-bit PCM at this rate and channels.
    bool outputSupports(int index, double sampleRate, int channels) const;

private:
    bool m_ready = false;
    std::vector<int> m_inputs;
    std::vector<int> m_outputs;
};

}  // namespace sonthra
