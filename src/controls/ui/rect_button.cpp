#include "controls/ui/rect_button.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <stdexcept>

#include "controls/skin_layout.h"
#include "controls/ui/skin_images.h"

namespace sonthra {

TLUM32RectBtnEx::TLUM32RectBtnEx(QWidget* parent) : QAbstractButton(parent) {
    resize(90, 30);
    setFocusPolicy(Qt::StrongFocus);
    m_color = palette().color(QPalette::Button);
    m_downColor = palette().color(QPalette::Mid);
}

void TLUM32RectBtnEx::setColor(const QColor& color) {
    m_color = color;
    update();
}

void TLUM32RectBtnEx::setDownColor(const QColor& color) {
    m_downColor = color;
    update();
}

void TLUM32RectBtnEx::setCaption(const QString& caption) {
    setText(caption);
    setAccessibleName(caption);
    update();
}

void TLUM32RectBtnEx::setCaptionLeftPos(int x) {
    m_captionLeft = x;
    update();
}

void TLUM32RectBtnEx::setCaptionTopPos(int y) {
    m_captionTop = y;
    update();
}

void TLUM32RectBtnEx::setDown(bool down) {
    storeDown(down);
    m_shownReleased = !down;
    update();
}

void TLUM32RectBtnEx::storeDown(bool down) {
    m_down = down;
    if (isCheckable() && isChecked() != down) setChecked(down);
}

void TLUM32RectBtnEx::checkStateSet() {
    if (m_down == isChecked()) return;
    m_down = isChecked();
    if (!m_pressed) m_shownReleased = !m_down;
    update();
}

void TLUM32RectBtnEx::nextCheckState() {
    if (m_toggle) setDown(!m_down);
}

void TLUM32RectBtnEx::setSkinLook(const QString& imageName) {
    m_skinLook = imageName;
    update();
}

void TLUM32RectBtnEx::takeImage(QPixmap& slot, const QPixmap& image) {
    QPixmap copy = image.copy();
    if (!image.isNull() && copy.isNull()) throw std::runtime_error(kRectButtonImageError);
    slot = copy;
    update();
}

void TLUM32RectBtnEx::setUpImage(const QPixmap& image) {
    takeImage(m_upImage, image);
}

void TLUM32RectBtnEx::setDownImage(const QPixmap& image) {
    takeImage(m_downImage, image);
}

void TLUM32RectBtnEx::setDisabledImage(const QPixmap& image) {
    takeImage(m_disabledImage, image);
}

void TLUM32RectBtnEx::setImageLeftPos(int x) {
    m_imageLeft = x;
    update();
}

void TLUM32RectBtnEx::setBorderWidth(int width) {
    m_borderWidth = width;
    update();
}

void TLUM32RectBtnEx::setButtonUpCaptionColor(const QColor& color) {
    m_upCaptionColor = color;
    update();
}

void TLUM32RectBtnEx::setButtonDownCaptionColor(const QColor& color) {
    m_downCaptionColor = color;
    update();
}

void TLUM32RectBtnEx::setDrawBorder(bool draw) {
    m_drawBorder = draw;
    update();
}

void TLUM32RectBtnEx::setOptimalCaption(bool optimal) {
    m_optimalCaption = optimal;
    update();
}

QString TLUM32RectBtnEx::shownCaption() const {
    if (!m_optimalCaption) return text();
    const QFontMetrics metrics(font());
    return controls::cutCaption(
        text(), width() - m_imageLeft - m_captionLeft,
        [&](const QString& candidate) { return metrics.horizontalAdvance(candidate); });
}

QSize TLUM32RectBtnEx::sizeHint() const {
    return QSize(90, 30);
}

void TLUM32RectBtnEx::paintEvent(QPaintEvent*) {
    // The skin's look stands in for the button's own colours and pictures while it is set.
    const bool skinned = !m_skinLook.isEmpty();
    RectButtonColors colors{m_color, m_downColor, palette().color(QPalette::Dark), m_upCaptionColor,
                            m_downCaptionColor};
    if (skinned) colors = SkinImages::rectButtonColors(SkinImages::skin());
    QPainter painter(this);
    painter.fillRect(rect(), m_shownReleased ? colors.face : colors.downFace);
    if (m_drawBorder && m_borderWidth > 0) {
        QPen pen(colors.border, m_borderWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        const qreal half = m_borderWidth / 2.0;
        painter.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
    }
    QPixmap image = !isEnabled() ? m_disabledImage : (m_shownReleased ? m_upImage : m_downImage);
    if (skinned) {
        const QString suffix = !isEnabled() ? "Disabled" : (m_shownReleased ? "" : "Down");
        image = SkinImages::image(m_skinLook + suffix, devicePixelRatioF());
    }
    if (!image.isNull()) {
        const qreal y = (height() - image.deviceIndependentSize().height()) / 2;
        painter.drawPixmap(QPointF(m_imageLeft, y), image);
    }
    const int shift = m_shownReleased ? 0 : 1;
    painter.setFont(font());
    painter.setPen(m_shownReleased ? colors.caption : colors.downCaption);
    const QFontMetrics metrics(font());
    painter.drawText(QPoint(m_captionLeft + shift, m_captionTop + shift + metrics.ascent()),
                     shownCaption());
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void TLUM32RectBtnEx::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_canChangeState || !isEnabled()) {
        event->ignore();
        return;
    }
    press();
}

void TLUM32RectBtnEx::press() {
    m_pressed = true;
    if (m_toggle) storeDown(!m_down);
    m_shownReleased = false;
    update();
}

void TLUM32RectBtnEx::mouseMoveEvent(QMouseEvent*) {}

void TLUM32RectBtnEx::release(bool inside) {
    if (!m_pressed) return;
    m_pressed = false;
    // Released, the button shows its Down state: a toggle button now down stays pressed, and
    // a button the owner holds down (the current document's) does not pop up.
    if (inside) {
        m_shownReleased = !m_down;
        update();
        emit clicked(m_down);
        return;
    }
    if (m_toggle) storeDown(!m_down);
    m_shownReleased = !m_down;
    update();
}

void TLUM32RectBtnEx::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    release(rect().contains(event->position().toPoint()));
}

void TLUM32RectBtnEx::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
         event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat() && m_canChangeState && isEnabled()) {
        press();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void TLUM32RectBtnEx::keyReleaseEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
         event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        release(true);
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}

void TLUM32RectBtnEx::contextMenuEvent(QContextMenuEvent* event) {
    if (m_popupMenu == nullptr) {
        event->ignore();
        return;
    }
    m_popupMenu->popup(event->globalPos());
}

}  // namespace sonthra
