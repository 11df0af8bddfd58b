#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Compressor",
        "Evens out the level: what rises above the threshold is turned down by the ratio",
        "The makeup gain raises the result again; the knee softens the onset",
        "CVCompressor.so",
        {{"threshold-db", "Threshold (dBFS)", SettingKind::Number, -60, 0, -20, 1},
         {"ratio", "Ratio (to 1)", SettingKind::Number, 1, 20, 3, 1},
         {"knee-db", "Knee (dB)", SettingKind::Number, 0, 24, 6, 1},
         {"attack-ms", "Attack (ms)", SettingKind::Number, 0.1, 200, 5, 1},
         {"release-ms", "Release (ms)", SettingKind::Number, 5, 2000, 100, 0},
         {"makeup-db", "Makeup gain (dB)", SettingKind::Number, 0, 30, 3, 1}},
    };
    return description;
}

}  // namespace sonthra::fx
