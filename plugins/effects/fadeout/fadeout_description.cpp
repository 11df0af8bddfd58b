#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "FadeOut",
        "Lowers the volume to silence across the selection",
        "Linear or logarithmic shape",
        "CVFadeOut.so",
        {{"shape", "Shape", SettingKind::Choice, 0, 1, 0, 0, "linear|log"}},
    };
    return description;
}

}  // namespace sonthra::fx
