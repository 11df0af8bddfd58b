#include "controls/ui/cool_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

#include "controls/skin_layout.h"
#include "controls/ui/skin_images.h"

namespace sonthra {

namespace {

constexpr QSize kDefaultThumbVertical(20, 10);
constexpr QSize kDefaultThumbHorizontal(10, 20);

}  // namespace

TCoolSlider::TCoolSlider(Qt::Orientation orientation, QWidget* parent) : QAbstractSlider(parent) {
    setOrientation(orientation);
    setRange(0, 99);
    setValue(50);
    setSingleStep(1);
    setPageStep(2);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractSlider::valueChanged, this, [this](int position) {
        update();
        positionChanged(position);
    });
}

void TCoolSlider::setMin(int min) {
    setMinimum(min);
    update();
}

void TCoolSlider::setMax(int max) {
    setMaximum(max);
    update();
}

void TCoolSlider::setPosition(int position) {
    setValue(controls::clampPosition(position, minimum(), maximum()));
}

QSize TCoolSlider::thumbSize() const {
    const QPixmap thumb = SkinImages::image(imageNames().thumb, 1.0);
    if (!thumb.isNull()) return thumb.size();
    return orientation() == Qt::Vertical ? kDefaultThumbVertical : kDefaultThumbHorizontal;
}

int TCoolSlider::extent() const {
    return orientation() == Qt::Vertical ? height() : width();
}

int TCoolSlider::along(const QPoint& point) const {
    return orientation() == Qt::Vertical ? point.y() : point.x();
}

int TCoolSlider::thumbOffset() const {
    const int thumb = orientation() == Qt::Vertical ? thumbSize().height() : thumbSize().width();
    return controls::thumbOffset(extent(), thumb, value(), minimum(), maximum());
}

void TCoolSlider::reportScroll(bool byKey) {
    m_byKey = byKey;
    int position = value();
    if (OnScroll) OnScroll(this, kScrollPosition, position);
    if (position != value()) setPosition(position);
    emit scrolled(kScrollPosition, value());
}

void TCoolSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    const ImageNames names = imageNames();
    const QPixmap background = SkinImages::image(names.background, ratio);
    if (background.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
    } else {
        painter.drawPixmap(rect(), background);
    }

    // The channel runs along the middle of the track, with its two end pieces.
    const QPixmap channel = SkinImages::image(names.channel, ratio);
    const QPixmap start = SkinImages::image(names.channelStart, ratio);
    const QPixmap end = SkinImages::image(names.channelEnd, ratio);
    const QSize thumb = thumbSize();
    const bool vertical = orientation() == Qt::Vertical;
    const QSizeF piece = channel.isNull() ? QSizeF(4, 4) : channel.deviceIndependentSize();
    const QSizeF startSize = start.isNull() ? QSizeF(0, 0) : start.deviceIndependentSize();
    const QSizeF endSize = end.isNull() ? QSizeF(0, 0) : end.deviceIndependentSize();
    QRect channelRect;
    if (vertical) {
        const int w = qRound(piece.width());
        const int x = (width() - w) / 2;
        const int top = thumb.height() / 2;
        channelRect = QRect(x, top, w, std::max(0, height() - thumb.height()));
        painter.drawPixmap(
            QRect(x, top - qRound(startSize.height()), w, qRound(startSize.height())), start);
        painter.drawPixmap(channelRect, channel);
        painter.drawPixmap(QRect(x, channelRect.bottom() + 1, w, qRound(endSize.height())), end);
    } else {
        const int h = qRound(piece.height());
        const int y = (height() - h) / 2;
        const int left = thumb.width() / 2;
        channelRect = QRect(left, y, std::max(0, width() - thumb.width()), h);
        painter.drawPixmap(QRect(left - qRound(startSize.width()), y, qRound(startSize.width()), h),
                           start);
        painter.drawPixmap(channelRect, channel);
        painter.drawPixmap(QRect(channelRect.right() + 1, y, qRound(endSize.width()), h), end);
    }
    paintSelection(painter, channelRect);

    const QPixmap thumbImage = SkinImages::image(names.thumb, ratio);
    const int offset = thumbOffset();
    const QRect thumbRect =
        vertical ? QRect((width() - thumb.width()) / 2, offset, thumb.width(), thumb.height())
                 : QRect(offset, (height() - thumb.height()) / 2, thumb.width(), thumb.height());
    if (thumbImage.isNull()) {
        painter.fillRect(thumbRect, palette().color(QPalette::Button));
    } else {
        painter.drawPixmap(thumbRect, thumbImage);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = thumbRect.adjusted(-2, -2, 2, 2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void TCoolSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const bool vertical = orientation() == Qt::Vertical;
    const int thumb = vertical ? thumbSize().height() : thumbSize().width();
    const int at = along(event->position().toPoint());
    const int offset = thumbOffset();
    if (at >= offset && at < offset + thumb) {
        m_dragging = true;
        m_grabOffset = at - offset;
        return;
    }
    // Step towards the press until the thumb covers it (or an end is reached).
    const int step = at < offset ? -1 : 1;
    while (true) {
        const int current = thumbOffset();
        if (at >= current && at < current + thumb) break;
        const int next = controls::clampPosition(value() + step, minimum(), maximum());
        if (next == value()) break;
        setValue(next);
    }
    setFocus(Qt::MouseFocusReason);
    reportScroll();
}

void TCoolSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return;
    const int thumb = orientation() == Qt::Vertical ? thumbSize().height() : thumbSize().width();
    setValue(controls::positionAtOffset(along(event->position().toPoint()) - m_grabOffset, extent(),
                                        thumb, minimum(), maximum()));
    reportScroll();
}

void TCoolSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_dragging = false;
}

void TCoolSlider::keyPressEvent(QKeyEvent* event) {
    int position = value();
    switch (event->key()) {
        case Qt::Key_PageUp:
            position -= pageStep();
            break;
        case Qt::Key_PageDown:
            position += pageStep();
            break;
        case Qt::Key_End:
            position = maximum();
            break;
        case Qt::Key_Home:
            position = minimum();
            break;
        case Qt::Key_Left:
        case Qt::Key_Up:
            position -= singleStep();
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            position += singleStep();
            break;
        default:
            QAbstractSlider::keyPressEvent(event);
            return;
    }
    setPosition(position);
    update();
    reportScroll(true);
}

void TCoolSlider::wheelEvent(QWheelEvent* event) {
    // A turn away from the user moves the thumb up or left, towards Min.
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->ignore();
        return;
    }
    setPosition(value() - notches * singleStep());
    reportScroll();
}

TCoolSliderV::TCoolSliderV(QWidget* parent) : TCoolSlider(Qt::Vertical, parent) {
    setMouseTracking(true);
    resize(sizeHint());
}

QSize TCoolSliderV::sizeHint() const {
    return QSize(thumbSize().width(), 150);
}

void TCoolSliderV::mouseMoveEvent(QMouseEvent* event) {
    // The vertical slider reports every move over it, dragging or not.
    if (dragging()) {
        TCoolSlider::mouseMoveEvent(event);
    } else if (rect().contains(event->position().toPoint())) {
        reportScroll();
    }
}

void TCoolSliderV::positionChanged(int) {
    emit OnChange();
}

TCoolSlider::ImageNames TCoolSliderV::imageNames() const {
    return {"thumbvert", "channelvert", "channelverttop", "channelvertBottom", "backgroundvert"};
}

TCoolSliderH::TCoolSliderH(QWidget* parent) : TCoolSlider(Qt::Horizontal, parent) {
    resize(sizeHint());
}

QSize TCoolSliderH::sizeHint() const {
    return QSize(150, thumbSize().height());
}

void TCoolSliderH::setSelStart(int position) {
    m_selStart = position;
    update();
}

void TCoolSliderH::setSelEnd(int position) {
    m_selEnd = position;
    update();
}

TCoolSlider::ImageNames TCoolSliderH::imageNames() const {
    return {"thumbhorz", "channelhorz", "channelhorzLeft", "channelhorzRight", "backgroundhorz"};
}

void TCoolSliderH::paintSelection(QPainter& painter, const QRect& channel) {
    if (m_selEnd <= m_selStart || maximum() <= minimum()) return;
    const QPixmap band = SkinImages::image("channelsel", devicePixelRatioF());
    const auto x = [&](int position) {
        return channel.left() +
               controls::thumbOffset(channel.width() + 1, 1, position, minimum(), maximum());
    };
    const QRect selection(QPoint(x(m_selStart), channel.top()),
                          QPoint(x(m_selEnd), channel.bottom()));
    if (band.isNull()) {
        painter.fillRect(selection, palette().color(QPalette::Highlight));
    } else {
        painter.drawPixmap(selection, band);
    }
}

}  // namespace sonthra
