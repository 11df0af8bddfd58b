// The settings window of a shipped effect plug-in, built from its table of settings: a number
// box per number, a list per choice, a file field with Browse... per file. Linked into each
// plug-in's interface library. Call only from the GUI thread of a running QApplication.
#pragma once

#include "effect_plugin_api.h"
#include "effect_settings.h"

namespace sonthra {

// owner: the QWidget* the window belongs to, or null. Shows the block's settings; OK writes
// them back and gives 0, Cancel gives 2 with the block unchanged; 260 without an application.
int showEffectSettingsWindow(void* owner, const EffectDescription& description,
                             EffectSettingsBlock& block, const EffectWaveFormat& format);

}  // namespace sonthra
