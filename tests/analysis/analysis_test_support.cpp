#include "analysis_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "effects_test_support.h"

namespace sonthra::test {

LoudnessReport ffmpegLoudness(const std::string& path) {
    std::string text;
    EXPECT_EQ(runCommand("ffmpeg -nostats -i " + path +
                             " -af ebur128=peak=true:metadata=1,ametadata=print:file=- -f null -",
                         &text),
              0)
        << text;
    const double none = -std::numeric_limits<double>::infinity();
    LoudnessReport report{none, 0, none, none, none};
    double peak = 0, summaryPeak = none;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const auto summary = line.find("Peak:");
        if (summary != std::string::npos)
            summaryPeak = std::strtod(line.c_str() + summary + 5, nullptr);
        const auto equals = line.find('=');
        if (line.rfind("lavfi.r128.", 0) != 0 || equals == std::string::npos) continue;
        const std::string key = line.substr(11, equals - 11);
        const double value = std::strtod(line.c_str() + equals + 1, nullptr);
        // ffmpeg marks a window not yet filled with -120.691.
        if (key == "M" && value > -120)
            report.maxMomentaryLufs = std::max(report.maxMomentaryLufs, value);
        if (key == "S" && value > -120)
            report.maxShortTermLufs = std::max(report.maxShortTermLufs, value);
        if (key == "I") report.integratedLufs = value;
        if (key == "LRA") report.rangeLu = value;
        if (key == "true_peak") peak = std::max(peak, value);
    }
    // The metadata gives the peak with three decimals of full scale, the summary in dB with
    // one: the finer of the two.
    report.truePeakDbtp = peak >= 0.1 ? 20 * std::log10(peak) : summaryPeak;
    return report;
}

MemorySource::MemorySource(std::vector<std::int16_t> samples, int channels, std::uint32_t rate)
    : m_samples(std::move(samples)), m_format{SampleEncoding::Int16, channels, rate} {}

std::uint64_t MemorySource::frames() const {
    return m_samples.size() / static_cast<std::size_t>(m_format.channels);
}

std::int64_t MemorySource::read(std::uint64_t from, std::size_t count, unsigned char* out) {
    if (from >= frames()) return 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, frames() - from));
    std::memcpy(out, m_samples.data() + from * m_format.channels, n * m_format.frameBytes());
    return static_cast<std::int64_t>(n);
}

}  // namespace sonthra::test
