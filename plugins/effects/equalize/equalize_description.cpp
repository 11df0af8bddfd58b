#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{
        "EQualize",
        "A ten-band graphic equalizer, one octave per band",
        "Each band lifts or cuts by up to 24 dB",
        "CVEQualize.so",
        {{"band-31", "31 Hz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"band-62", "62 Hz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"band-125", "125 Hz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"band-250", "250 Hz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"band-500", "500 Hz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"band-1k", "1 kHz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"band-2k", "2 kHz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"band-4k", "4 kHz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"band-8k", "8 kHz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"band-16k", "16 kHz (dB)", SettingKind::Number, -24, 24, 0, 1},
         {"output-db", "Output (dB)", SettingKind::Number, -24, 24, 0, 1}},
    };
    return description;
}

}  // namespace sonthra::fx
