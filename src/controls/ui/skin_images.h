// The skin images of the skinned controls, by name ("Btnleft", "thumbvert", "center", ...),
// compiled into the program as vector images and rendered once per skin and pixel density, so
// that they are sharp on any screen. A missing image is an empty pixmap; the controls still work
// and paint what they can. Call only from the GUI thread.
#pragma once

#include <QPalette>
#include <QPixmap>
#include <QString>

namespace sonthra {

enum class Skin { Light, Dark };

// The colours of a flat button drawn in a skin's look (TLUM32RectBtnEx::setSkinLook).
struct RectButtonColors {
    QColor face;
    QColor downFace;
    QColor border;
    QColor caption;
    QColor downCaption;
};

class SkinImages {
public:
    // The image of the current skin at the given device pixel ratio; the pixmap carries that
    // ratio, so its device-independent size is the image's own.
    static QPixmap image(const QString& name, qreal devicePixelRatio);

    // Changes the skin of every control; each repaints.
    static void setSkin(Skin skin);
    static Skin skin();

    // "light" or "dark": the folder of a skin's images and the value stored in the settings.
    static QString skinName(Skin skin);
    static Skin skinFromName(const QString& name);

    // The window colours that go with a skin: `base` (the toolkit's) for the light skin, dark
    // greys with light text for the dark one.
    static QPalette windowPalette(Skin skin, const QPalette& base);

    static RectButtonColors rectButtonColors(Skin skin);
};

}  // namespace sonthra
