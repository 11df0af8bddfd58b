#include "effect_kit.h"

namespace sonthra::fx {

const EffectDescription& pluginDescription() {
    static const EffectDescription description{"Reverse",
                                               "Plays the selection backwards",
                                               "Reads the selection from its end",
                                               "CVReverse.so",
                                               {}};
    return description;
}

}  // namespace sonthra::fx
