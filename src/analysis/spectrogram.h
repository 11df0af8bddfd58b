// The spectrogram's pieces that do not depend on a cache: its settings, the frequency axis of
// its rows with the ruler's ticks, the colour maps, and the computation of one column (the mean
// power spectrum of the frames a column covers) by one worker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/frame_source.h"

namespace sonthra {

enum class FrequencyScale { Linear, Logarithmic };

inline constexpr int kMinSpectrogramWindow = 256;
inline constexpr int kMaxSpectrogramWindow = 8192;
// A column's level 0 stands for this many dB below a full-scale sine, 255 for full scale.
inline constexpr double kSpectrogramFloorDb = -120;
// The lowest frequency of the logarithmic scale.
inline constexpr double kLowestLogHz = 20;

struct SpectrogramSettings {
    int windowSize = 1024;  // a power of two, kMinSpectrogramWindow..kMaxSpectrogramWindow (Hann)
    FrequencyScale scale = FrequencyScale::Linear;
    int rows = 256;  // the picture's height; row 0 is the top, the highest frequency

    bool operator==(const SpectrogramSettings&) const = default;
    bool valid() const;
};

// Where frequencies lie on the rows, measured from the top edge of row 0 (y = 0) to the bottom
// edge of the last row (y = rows): the Nyquist frequency at the top, 0 Hz (linear) or
// kLowestLogHz (logarithmic) at the bottom.
class FrequencyAxis {
public:
    FrequencyAxis(const SpectrogramSettings& settings, std::uint32_t sampleRate);
    double lowestHz() const { return m_lowest; }
    double highestHz() const { return m_highest; }
    double yOfFrequency(double hz) const;
    double frequencyOfY(double y) const;
    // The row that shows hz, clamped to the rows.
    int rowOfFrequency(double hz) const;
    int rows() const { return m_rows; }

private:
    FrequencyScale m_scale;
    int m_rows;
    double m_lowest;
    double m_highest;
};

struct FrequencyTick {
    double y;  // as FrequencyAxis measures it
    double hz;
    std::string label;  // "500", "1k", "2.5k"
};

// The ruler's ticks: round frequencies (1, 2 or 5 times a power of ten on the linear scale;
// the decades, and their multiples where there is room, on the logarithmic one), no two
// closer than minSpacing rows.
std::vector<FrequencyTick> frequencyTicks(const FrequencyAxis& axis, double minSpacing);

// One colour map for each skin: silence is the skin's background (black on the dark skin, white
// on the light one) and louder is further from it, always brighter on the dark skin and always
// darker on the light one, so the picture reads on either.
enum class SpectrogramPalette { Dark, Light };
struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};
Rgb spectrogramColor(SpectrogramPalette palette, std::uint8_t level);

// One worker's spectrum machinery: the FFT plan and the buffers of a window size. Several
// analyzers may work at once on different threads; each belongs to one thread at a time.
class SpectrumAnalyzer {
public:
    SpectrumAnalyzer();
    ~SpectrumAnalyzer();
    SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
    SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;

    // 0, 105 for settings that are not valid() or a rate of 0, 104 without memory.
    int configure(const SpectrogramSettings& settings, std::uint32_t sampleRate);
    // The column of the frames [first, end) of source into out (settings.rows levels, top row
    // first): the channels' mean through Hann windows that cover the whole stretch, their
    // power averaged; a stretch shorter than a window is the window centred on it, silence
    // standing in beyond the audio. 0, or 165 when the audio cannot be read.
    // Frames read for one column are kept for the next, from the same source.
    int column(FrameSource& source, std::uint64_t first, std::uint64_t end, std::uint8_t* out);
    // Lets go of the frames kept: the next column reads its own (another source, or the audio
    // changed).
    void forget();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace sonthra
