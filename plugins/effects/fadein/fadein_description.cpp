#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "FadeIn",
        "Raises the volume from silence across the selection",
        "Linear or logarithmic shape",
        "CVFadeIn.so",
        {{"shape", "Shape", SettingKind::Choice, 0, 1, 0, 0, "linear|log"}},
    };
    return description;
}

}  // namespace sonthra::fx
