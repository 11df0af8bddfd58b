// The transport buttons' glyphs (go to start, rewind, play, pause, play from start, stop,
// forward, go to end, record), drawn for a skin at a screen density.
#pragma once

#include <QPixmap>
#include <QString>

#include "controls/ui/skin_images.h"

namespace sonthra {

// The glyph of the transport button of that object name, 16 by 16 device-independent pixels:
// dark on the light skin, light on the dark one; the record glyph (any other name) is red on
// both.
QPixmap TransportGlyph(const QString& name, Skin skin, qreal ratio);

}  // namespace sonthra
