#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Limiter",
        "Keeps the true peak under a ceiling, the last step before publishing",
        "Peaks are found between the samples too (4x oversampled) and met ahead of time",
        "CVLimiter.so",
        {{"ceiling-db", "True-peak ceiling (dBTP)", SettingKind::Number, -20, 0, -1, 1},
         {"release-ms", "Release (ms)", SettingKind::Number, 1, 1000, 60, 0}},
    };
    return description;
}

}  // namespace sonthra::fx
