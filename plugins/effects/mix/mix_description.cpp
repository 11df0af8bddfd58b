#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "Mix",
        "Mixes a chosen WAV file into the selection",
        "The file must have the document's format",
        "CVMix.so",
        {{"file", "WAV file to mix in", SettingKind::File, 0, 0, 0, 0},
         {"level-db", "Level of the file (dB)", SettingKind::Number, -48, 12, 0, 1},
         {"original-db", "Level of the selection (dB)", SettingKind::Number, -48, 12, 0, 1}},
    };
    return description;
}

}  // namespace sonthra::fx
