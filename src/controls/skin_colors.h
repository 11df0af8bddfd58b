// The display colours that go with each skin: the light skin takes the compiled-in scheme, the
// dark skin a darker one of the same roles (waveform, selection, overview, meters, clipping
// lights). Plain data; callable from any thread.
#pragma once

#include "settings/settings.h"

namespace sonthra::controls {

// The thirteen colours (red in bits 0-7) in the scheme's element order.
ColorScheme SkinDisplayColors(bool dark);

}  // namespace sonthra::controls
