#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Normalize",
        "Brings the loudest peak, or the loudness, to a target level",
        "Loudness by EBU R128; peaks over the true-peak ceiling are limited",
        "CVNormalize.so",
        {{"mode", "Normalize to", SettingKind::Choice, 0, 1, 0, 0, "peak|loudness"},
         {"peak-db", "Peak level (dBFS)", SettingKind::Number, -60, 0, -1, 1, nullptr, "mode=peak"},
         {"lufs", "Loudness (LUFS)", SettingKind::Number, -50, -5, -16, 1, nullptr,
          "mode=loudness"},
         {"true-peak-db", "True-peak ceiling (dBTP)", SettingKind::Number, -20, 0, -1, 1},
         {"limiter", "Peaks over the ceiling", SettingKind::Choice, 0, 1, 0, 0, "limit|stop"}},
    };
    return description;
}

}  // namespace sonthra::fx
