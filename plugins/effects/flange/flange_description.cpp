#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Flange",
        "Sweeps a very short delay against the sound for the jet-plane whoosh",
        "Feedback deepens the sweep",
        "CVFlange.so",
        {{"delay-ms", "Delay (ms)", SettingKind::Number, 0.1, 10, 1, 1},
         {"depth-ms", "Depth (ms)", SettingKind::Number, 0, 10, 2, 1},
         {"rate-hz", "Rate (Hz)", SettingKind::Number, 0.01, 5, 0.25, 2},
         {"feedback", "Feedback (-0.95 to 0.95)", SettingKind::Number, -0.95, 0.95, 0.5, 2},
         {"mix", "Mix (0 dry to 1 wet)", SettingKind::Number, 0, 1, 0.5, 2}},
    };
    return description;
}

}  // namespace sonthra::fx
