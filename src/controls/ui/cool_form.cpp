#include "controls/ui/cool_form.h"

#include <QPainter>

#include "controls/skin_layout.h"

namespace sonthra {

namespace {

// The image in device pixels, so that tiles meet without gaps at any scale.
QPixmap tile(const char* name, qreal ratio) {
    QPixmap image = SkinImages::image(name, ratio);
    image.setDevicePixelRatio(1.0);
    return image;
}

}  // namespace

TCoolForm::TCoolForm(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCoolForm::rebuildBackground() {
    const qreal ratio = devicePixelRatioF();
    const QSize size(qRound(width() * ratio), qRound(height() * ratio));
    m_builtFor = SkinImages::skin();
    m_builtRatio = ratio;
    if (size.isEmpty()) {
        m_background = QPixmap();
        return;
    }
    m_background = QPixmap(size);
    m_background.fill(palette().color(QPalette::Window));
    QPainter painter(&m_background);

    const QPixmap centre = tile("center", ratio);
    if (!centre.isNull()) {
        const int rows = controls::tileCount(size.height(), centre.height());
        const int columns = controls::tileCount(size.width(), centre.width());
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                painter.drawPixmap(column * centre.width(), row * centre.height(), centre);
            }
        }
    }
    const QPixmap top = tile("top", ratio);
    const QPixmap bottom = tile("bot", ratio);
    if (!top.isNull()) {
        const int count = controls::tileCount(size.width(), top.width());
        for (int i = 0; i < count; ++i) {
            painter.drawPixmap(i * top.width(), 0, top);
            if (!bottom.isNull())
                painter.drawPixmap(i * top.width(), size.height() - bottom.height(), bottom);
        }
    }
    const QPixmap left = tile("left", ratio);
    const QPixmap right = tile("right", ratio);
    if (!left.isNull()) {
        const int count = controls::tileCount(size.height(), left.height());
        for (int i = 0; i < count; ++i) {
            painter.drawPixmap(0, i * left.height(), left);
            if (!right.isNull())
                painter.drawPixmap(size.width() - right.width(), i * left.height(), right);
        }
    }
    const QPixmap topLeft = tile("topleft", ratio);
    const QPixmap topRight = tile("topright", ratio);
    const QPixmap bottomLeft = tile("botLeft", ratio);
    const QPixmap bottomRight = tile("botRight", ratio);
    painter.drawPixmap(0, 0, topLeft);
    painter.drawPixmap(size.width() - topRight.width(), 0, topRight);
    painter.drawPixmap(0, size.height() - bottomLeft.height(), bottomLeft);
    painter.drawPixmap(size.width() - bottomRight.width(), size.height() - bottomRight.height(),
                       bottomRight);
    painter.end();
    m_background.setDevicePixelRatio(ratio);
}

void TCoolForm::resizeEvent(QResizeEvent* event) {
    rebuildBackground();
    QWidget::resizeEvent(event);
}

void TCoolForm::paintEvent(QPaintEvent*) {
    if (m_builtFor != SkinImages::skin() || m_builtRatio != devicePixelRatioF() ||
        m_background.isNull()) {
        rebuildBackground();
    }
    QPainter painter(this);
    if (m_background.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
    } else {
        painter.drawPixmap(0, 0, m_background);
    }
}

}  // namespace sonthra
