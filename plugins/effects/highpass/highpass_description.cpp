#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "High-Pass Filter",
        "Removes rumble, hum and handling noise below a cutoff frequency",
        "Flat above the cutoff, 3 dB down at it, 12 or 24 dB per octave below",
        "CVHighPass.so",
        {{"cutoff-hz", "Cutoff (Hz)", SettingKind::Number, 20, 300, 80, 0},
         {"slope-db", "Slope (dB per octave)", SettingKind::Choice, 0, 1, 1, 0, "12|24"}},
    };
    return description;
}

}  // namespace sonthra::fx
