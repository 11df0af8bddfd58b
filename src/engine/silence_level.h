// Trim Silence on real recordings: the level of a recording's own noise floor, the threshold a
// trim uses unless one is given (in dB of full scale), and the part of a range to keep, a pad
// of quiet left before the first and after the last sound. Sound is told by 10 ms windows, not
// single samples, so that the peaks of a noise floor do not count as speech. Plain functions;
// any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sonthra {

inline constexpr double kDefaultTrimPadSeconds = 0.2;
// The default threshold stands this far above the measured noise floor...
inline constexpr double kTrimAboveFloorDb = 10;
// ...and within these bounds, so that neither digital silence nor a loud room sets it absurdly.
inline constexpr double kLowestTrimThresholdDb = -70;
inline constexpr double kHighestTrimThresholdDb = -20;

struct TrimPlan {
    double noiseFloorDb = 0;      // the level of the quietest tenth of the range's windows, dBFS
    double thresholdDb = 0;       // the threshold used
    std::uint32_t keepFirst = 0;  // the frames kept, [keepFirst, keepLast)
    std::uint32_t keepLast = 0;
    // True when the pads reach both ends of the range, or no window is above the threshold:
    // the trim would remove nothing (or, for a range without sound, everything).
    bool nothingToTrim = false;
};

// floor + kTrimAboveFloorDb, held within the lowest and highest threshold.
double DefaultTrimThresholdDb(double noiseFloorDb);

// Measures [first, last) of the WAV file (PCM of 8, 16, 24 or 32 bits) and plans its trim with
// thresholdDb, or the default from its noise floor when none is given. Returns 0 or the
// engine's error for the file (102, 104, 107 to 110) or 313 for a range past its end.
int PlanTrim(const std::string& path, std::uint32_t first, std::uint32_t last,
             std::optional<double> thresholdDb, double padSeconds, TrimPlan& plan);

}  // namespace sonthra
