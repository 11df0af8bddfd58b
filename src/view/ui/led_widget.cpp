#include "view/ui/led_widget.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

#include "view/led_meter.h"

namespace sonthra {

TLUM32VerticalLEDs::TLUM32VerticalLEDs(QWidget* parent) : QFrame(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TLUM32VerticalLEDs::setColor(TColor color) {
    m_color = color;
    update();
}

void TLUM32VerticalLEDs::setLEDOnColor(TColor color) {
    m_on = color;
    update();
}

void TLUM32VerticalLEDs::setLEDOffColor(TColor color) {
    m_off = color;
    update();
}

void TLUM32VerticalLEDs::setProgress(float progress) {
    const float clamped = ClampLevel(progress);
    if (clamped == m_progress) return;
    m_progress = clamped;
    update();
}

void TLUM32VerticalLEDs::setNumLEDs(int count) {
    m_count = count;
    update();
}

QImage TLUM32VerticalLEDs::render() const {
    const double ratio = std::max(devicePixelRatioF(), 1.0);
    const int w = width();
    const int h = height();
    QImage image(std::max(1, static_cast<int>(std::lround(w * ratio))),
                 std::max(1, static_cast<int>(std::lround(h * ratio))), QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(toQColor(m_color));
    QPainter painter(&image);
    const LedLayout layout = LayoutLeds(w, h, m_count, m_progress);
    for (const LedRect& led : layout.leds) {
        painter.fillRect(QRect(QPoint(led.left, led.top), QPoint(led.right - 1, led.bottom - 1)),
                         toQColor(led.lit ? m_on : m_off));
    }
    // A sunken border: light on the bottom and right, grey on the left and top.
    painter.setPen(QPen(Qt::white, 0));
    painter.drawLine(0, h - 1, w - 1, h - 1);
    painter.drawLine(w - 1, h - 1, w - 1, 0);
    painter.setPen(QPen(QColor(128, 128, 128), 0));
    painter.drawLine(0, h - 2, 0, 0);
    painter.drawLine(0, 0, w - 1, 0);
    return image;
}

void TLUM32VerticalLEDs::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), render());
}

void TLUM32VerticalLEDs::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint()) && m_onClick) m_onClick(this);
}

void TLUM32VerticalLEDs::mouseMoveEvent(QMouseEvent* event) {
    QFrame::mouseMoveEvent(event);
    if (m_onMouseMove) m_onMouseMove(this);
}

}  // namespace sonthra
