#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Noise Gate",
        "Turns the sound down to a floor while it stays below a threshold",
        "For the room and breaths between sentences; the hold bridges short pauses",
        "CVNoiseGate.so",
        {{"threshold-db", "Threshold (dBFS)", SettingKind::Number, -90, 0, -45, 1},
         {"attack-ms", "Attack (ms)", SettingKind::Number, 0.1, 100, 2, 1},
         {"hold-ms", "Hold (ms)", SettingKind::Number, 0, 2000, 150, 0},
         {"release-ms", "Release (ms)", SettingKind::Number, 1, 5000, 200, 0},
         {"floor-db", "Floor (dB)", SettingKind::Number, -90, 0, -25, 1}},
    };
    return description;
}

}  // namespace sonthra::fx
