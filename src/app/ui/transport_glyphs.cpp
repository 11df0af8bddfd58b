#include "app/ui/transport_glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace sonthra {

QPixmap TransportGlyph(const QString& name, Skin skin, qreal ratio) {
    QPixmap pixmap(QSize(qRound(16 * ratio), qRound(16 * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(skin == Skin::Dark ? QColor(226, 229, 233) : QColor(34, 37, 41));
    const auto triangle = [&](qreal from, qreal to) {
        QPainterPath path;
        path.moveTo(from, 2);
        path.lineTo(to, 8);
        path.lineTo(from, 14);
        path.closeSubpath();
        painter.drawPath(path);
    };
    const auto bar = [&](qreal x) { painter.drawRect(QRectF(x, 2, 2.5, 12)); };
    if (name == "SkipToStartButton") {
        bar(2);
        triangle(14, 5);
    } else if (name == "RewindButton") {
        triangle(8, 1);
        triangle(15, 8);
    } else if (name == "PlayButton") {
        triangle(4, 13);
    } else if (name == "PauseButton") {
        bar(4);
        bar(9.5);
    } else if (name == "PlayFromStartButton") {
        bar(2);
        triangle(6, 14);
    } else if (name == "StopButton") {
        painter.drawRect(QRectF(3, 3, 10, 10));
    } else if (name == "FastForwardButton") {
        triangle(1, 8);
        triangle(8, 15);
    } else if (name == "SkipToEndButton") {
        triangle(2, 11);
        bar(11.5);
    } else {
        painter.setBrush(QColor(220, 30, 30));
        painter.drawEllipse(QRectF(2, 2, 12, 12));
    }
    return pixmap;
}

}  // namespace sonthra
