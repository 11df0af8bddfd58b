#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Chorus",
        "Thickens the sound with slightly delayed, slowly wavering copies",
        "Up to four voices",
        "CVChorus.so",
        {{"voices", "Voices", SettingKind::Number, 1, 4, 3, 0},
         {"delay-ms", "Delay (ms)", SettingKind::Number, 5, 50, 25, 1},
         {"depth-ms", "Depth (ms)", SettingKind::Number, 0, 10, 3, 1},
         {"rate-hz", "Rate (Hz)", SettingKind::Number, 0.05, 5, 0.8, 2},
         {"mix", "Mix (0 dry to 1 wet)", SettingKind::Number, 0, 1, 0.5, 2}},
    };
    return description;
}

}  // namespace sonthra::fx
