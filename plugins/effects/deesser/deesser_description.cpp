#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "De-Esser",
        "Tames sharp \"s\" and \"sh\" sounds of a voice",
        "Turns down only the band above the frequency, and only while it is loud",
        "CVDeEsser.so",
        {{"frequency-hz", "Frequency (Hz)", SettingKind::Number, 2000, 12000, 5500, 0},
         {"threshold-db", "Threshold (dBFS)", SettingKind::Number, -60, 0, -30, 1},
         {"ratio", "Ratio (to 1)", SettingKind::Number, 1, 20, 4, 1}},
    };
    return description;
}

}  // namespace sonthra::fx
