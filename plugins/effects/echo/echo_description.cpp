#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Echo",
        "Repeats the sound after a delay, each repeat softer by the decay",
        "The echoes ring on past the selection",
        "CVEcho.so",
        {{"delay-ms", "Delay (ms)", SettingKind::Number, 1, 5000, 350, 0},
         {"decay", "Decay (0 to 0.95)", SettingKind::Number, 0, 0.95, 0.5, 2},
         {"tail-ms", "Tail (ms, 0 = until the echoes die away)", SettingKind::Number, 0, 60000, 0,
          0}},
    };
    return description;
}

}  // namespace sonthra::fx
