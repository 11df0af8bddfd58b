#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Amplify",
        "Raises or lowers the volume by a number of decibels",
        "Samples beyond full scale are clipped",
        "CVAmplify.so",
        {{"gain-db", "Gain (dB)", SettingKind::Number, -48, 48, 6, 2}},
    };
    return description;
}

}  // namespace sonthra::fx
