#include "engine/silence_level.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/edit_errors.h"
#include "engine/engine_errors.h"
#include "engine/wave_layout.h"

namespace sonthra {

namespace {

constexpr double kWindowSeconds = 0.01;
constexpr double kSilentDb = -120;  // what digital silence counts as
constexpr std::size_t kReadFrames = 65536;

// One sample as a fraction of full scale.
double sampleAt(const unsigned char* p, int bits) {
    switch (bits) {
        case 8:
            return (static_cast<int>(p[0]) - 128) / 128.0;
        case 16:
            return static_cast<std::int16_t>(p[0] | p[1] << 8) / 32768.0;
        case 24: {
            const std::int32_t v = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(p[0]) << 8 | static_cast<std::uint32_t>(p[1]) << 16 |
                static_cast<std::uint32_t>(p[2]) << 24);
            return (v >> 8) / 8388608.0;
        }
        default: {
            const std::int32_t v = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
            return v / 2147483648.0;
        }
    }
}

double toDb(double meanSquare) {
    return meanSquare <= 0 ? kSilentDb : std::max(kSilentDb, 10 * std::log10(meanSquare));
}

// The RMS level in dBFS of every window of [first, last), all channels together.
int windowLevels(int fd, const WaveLayout& layout, std::uint32_t first, std::uint32_t last,
                 std::uint32_t windowFrames, std::vector<double>& levels) {
    const int bits = layout.bitsPerSample;
    const std::size_t sampleBytes = static_cast<std::size_t>(bits) / 8;
    std::vector<unsigned char> block(kReadFrames * layout.blockAlign);
    double sum = 0;
    std::uint32_t inWindow = 0;
    for (std::uint32_t at = first; at < last;) {
        const auto frames =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kReadFrames, last - at));
        const std::size_t bytes = std::size_t{frames} * layout.blockAlign;
        const auto offset =
            static_cast<off_t>(layout.dataOffset + std::uint64_t{at} * layout.blockAlign);
        if (pread(fd, block.data(), bytes, offset) != static_cast<ssize_t>(bytes)) {
            return engine_error::kCannotOpenWaveFile;
        }
        for (std::uint32_t f = 0; f < frames; ++f) {
            const unsigned char* frame = block.data() + std::size_t{f} * layout.blockAlign;
            for (int c = 0; c < layout.channels; ++c) {
                const double s = sampleAt(frame + c * sampleBytes, bits);
                sum += s * s;
            }
            if (++inWindow == windowFrames) {
                levels.push_back(toDb(sum / (static_cast<double>(windowFrames) * layout.channels)));
                sum = 0;
                inWindow = 0;
            }
        }
        at += frames;
    }
    if (inWindow > 0)
        levels.push_back(toDb(sum / (static_cast<double>(inWindow) * layout.channels)));
    return 0;
}

}  // namespace

double DefaultTrimThresholdDb(double noiseFloorDb) {
    return std::clamp(noiseFloorDb + kTrimAboveFloorDb, kLowestTrimThresholdDb,
                      kHighestTrimThresholdDb);
}

int PlanTrim(const std::string& path, std::uint32_t first, std::uint32_t last,
             std::optional<double> thresholdDb, double padSeconds, TrimPlan& plan) {
    plan = TrimPlan{};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return engine_error::kCannotOpenWaveFile;
    WaveLayout layout;
    int result = readWaveLayout(fd, layout);
    const int bits = layout.bitsPerSample;
    if (result == 0 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        result = engine_error::kFormatNotSupported;
    }
    if (first > last) std::swap(first, last);
    if (result == 0 && last > layout.frames()) result = edit_error::kPositionBeyondEnd;
    std::vector<double> levels;
    const auto windowFrames =
        std::max<std::uint32_t>(1, static_cast<std::uint32_t>(layout.sampleRate * kWindowSeconds));
    if (result == 0) result = windowLevels(fd, layout, first, last, windowFrames, levels);
    ::close(fd);
    if (result != 0) return result;

    plan.keepFirst = first;
    plan.keepLast = last;
    if (levels.empty()) {
        plan.nothingToTrim = true;
        return 0;
    }
    std::vector<double> sorted = levels;
    const auto tenth = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 10);
    std::nth_element(sorted.begin(), tenth, sorted.end());
    plan.noiseFloorDb = *tenth;
    plan.thresholdDb = thresholdDb.value_or(DefaultTrimThresholdDb(plan.noiseFloorDb));

    const auto loud = [&](double level) { return level > plan.thresholdDb; };
    const auto firstLoud = std::find_if(levels.begin(), levels.end(), loud);
    if (firstLoud == levels.end()) {
        plan.nothingToTrim = true;
        return 0;
    }
    const auto lastLoud = std::find_if(levels.rbegin(), levels.rend(), loud);
    const std::uint64_t pad =
        static_cast<std::uint64_t>(std::max(0.0, padSeconds) * layout.sampleRate + 0.5);
    const std::uint64_t soundFirst =
        first + std::uint64_t(firstLoud - levels.begin()) * windowFrames;
    const std::uint64_t soundLast = first + std::uint64_t(levels.rend() - lastLoud) * windowFrames;
    plan.keepFirst =
        static_cast<std::uint32_t>(soundFirst > first + pad ? soundFirst - pad : first);
    plan.keepLast = static_cast<std::uint32_t>(std::min<std::uint64_t>(last, soundLast + pad));
    plan.nothingToTrim = plan.keepFirst == first && plan.keepLast == last;
    return 0;
}

}  // namespace sonthra
