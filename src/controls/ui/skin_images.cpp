#include "controls/ui/skin_images.h"

#include <QApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QWidget>
#include <cmath>

namespace sonthra {

namespace {

Skin g_skin = Skin::Light;

QHash<QString, QPixmap>& cache() {
    static QHash<QString, QPixmap> images;
    return images;
}

QPixmap render(const QString& path, qreal ratio) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    const QSize size = renderer.defaultSize();
    QImage image(QSize(static_cast<int>(std::ceil(size.width() * ratio)),
                       static_cast<int>(std::ceil(size.height() * ratio))),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

}  // namespace

QPixmap SkinImages::image(const QString& name, qreal devicePixelRatio) {
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QString key = QString("%1/%2@%3").arg(skinName(g_skin), name).arg(ratio);
    auto found = cache().find(key);
    if (found == cache().end()) {
        found = cache().insert(
            key, render(QString(":/skins/%1/%2.svg").arg(skinName(g_skin), name), ratio));
    }
    return *found;
}

void SkinImages::setSkin(Skin skin) {
    if (skin == g_skin) return;
    g_skin = skin;
    // Controls that keep a composed picture notice the new skin when they paint.
    for (QWidget* widget : QApplication::allWidgets()) widget->update();
}

Skin SkinImages::skin() {
    return g_skin;
}

QString SkinImages::skinName(Skin skin) {
    return skin == Skin::Dark ? "dark" : "light";
}

Skin SkinImages::skinFromName(const QString& name) {
    return name.compare("dark", Qt::CaseInsensitive) == 0 ? Skin::Dark : Skin::Light;
}

QPalette SkinImages::windowPalette(Skin skin, const QPalette& base) {
    if (skin != Skin::Dark) return base;
    QPalette dark = base;
    const QColor window(42, 44, 48);
    const QColor text(226, 229, 233);
    const QColor disabledText(128, 132, 138);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, QColor(30, 32, 35));
    dark.setColor(QPalette::AlternateBase, QColor(48, 51, 55));
    dark.setColor(QPalette::ToolTipBase, QColor(58, 61, 66));
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, QColor(56, 59, 64));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::BrightText, QColor(255, 110, 110));
    dark.setColor(QPalette::Highlight, QColor(79, 143, 232));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(120, 170, 240));
    dark.setColor(QPalette::PlaceholderText, disabledText);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        dark.setColor(QPalette::Disabled, role, disabledText);
    }
    return dark;
}

// Raised faces on the window's background; the pressed one tinted with the skin's selection blue.
RectButtonColors SkinImages::rectButtonColors(Skin skin) {
    if (skin == Skin::Dark) {
        return {QColor(56, 59, 64), QColor(36, 54, 79), QColor(21, 23, 26), QColor(226, 229, 233),
                QColor(156, 196, 255)};
    }
    return {QColor(246, 247, 249), QColor(201, 214, 232), QColor(140, 148, 158), QColor(34, 37, 42),
            QColor(29, 79, 156)};
}

}  // namespace sonthra
