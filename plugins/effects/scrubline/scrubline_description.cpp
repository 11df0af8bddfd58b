#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Scrubline",
        "Removes steady background noise learned from a noise sample",
        "Give a stretch of noise alone, or let it find the quietest part of the selection",
        "CVScrubline.so",
        {{"reduction-db", "Noise reduction (dB)", SettingKind::Number, 0, 48, 12, 0},
         {"sensitivity-db", "Sensitivity (dB above the noise)", SettingKind::Number, 0, 24, 6, 1},
         {"noise-from-ms", "Noise sample from (ms into the file)", SettingKind::Number, 0, 86400000,
          0, 0},
         {"noise-to-ms", "Noise sample to (ms, 0 = find it)", SettingKind::Number, 0, 86400000, 0,
          0}},
    };
    return description;
}

}  // namespace sonthra::fx
