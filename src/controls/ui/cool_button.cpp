#include "controls/ui/cool_button.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "controls/skin_layout.h"
#include "controls/ui/skin_images.h"

namespace sonthra {

namespace {

// Draws one skin piece into target (device pixels): top and bottom bands at their own height,
// the middle band stretched between them.
void drawPiece(QPainter& painter, const QPixmap& piece, const QRect& target) {
    if (piece.isNull() || target.isEmpty()) return;
    const int h = piece.height();
    const controls::Bands bands = controls::splitBands(h);
    const int w = piece.width();
    const int top = std::min(bands.top, target.height() / 2);
    const int bottom = std::min(bands.bottom, target.height() - top);
    const int middle = target.height() - top - bottom;
    painter.drawPixmap(QRect(target.left(), target.top(), target.width(), top), piece,
                       QRect(0, 0, w, top));
    painter.drawPixmap(QRect(target.left(), target.top() + top, target.width(), middle), piece,
                       QRect(0, bands.top, w, bands.middle));
    painter.drawPixmap(QRect(target.left(), target.bottom() + 1 - bottom, target.width(), bottom),
                       piece, QRect(0, h - bottom, w, bottom));
}

QPixmap devicePixels(QPixmap pixmap) {
    pixmap.setDevicePixelRatio(1.0);
    return pixmap;
}

}  // namespace

TCoolButton::TCoolButton(QWidget* parent) : QAbstractButton(parent) {
    resize(50, 25);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

void TCoolButton::setCaption(const QString& caption) {
    setText(caption);
    if (accessibleName().isEmpty()) setAccessibleName(caption);
    update();
}

bool TCoolButton::Down() const {
    return isCheckable() ? isChecked() : isDown();
}

void TCoolButton::setDown(bool down) {
    if (isCheckable()) {
        setChecked(down);
    } else {
        QAbstractButton::setDown(down);
    }
    update();
}

void TCoolButton::setGlyph(const QPixmap& glyph) {
    m_glyph = glyph;
    update();
}

void TCoolButton::setIsToggleButton(bool toggle) {
    const bool down = Down();
    QAbstractButton::setDown(false);
    setCheckable(toggle);
    setDown(down);
}

TCoolButton::State TCoolButton::state() const {
    if (!isEnabled()) return csDisabled;
    return Down() ? csDown : csUp;
}

void TCoolButton::setTransparent(bool transparent) {
    m_transparent = transparent;
    setAttribute(Qt::WA_TranslucentBackground, transparent);
    update();
}

void TCoolButton::setNewStyleButton(bool newStyle) {
    m_newStyle = newStyle;
    update();
}

void TCoolButton::setUpImage(const QPixmap& image) {
    m_upImage = image;
    update();
}

void TCoolButton::setDownImage(const QPixmap& image) {
    m_downImage = image;
    update();
}

void TCoolButton::setDisImage(const QPixmap& image) {
    m_disImage = image;
    update();
}

QSize TCoolButton::sizeHint() const {
    const int textWidth = fontMetrics().horizontalAdvance(text());
    const int glyphWidth = m_glyph.isNull() ? 0 : qRound(m_glyph.deviceIndependentSize().width());
    return QSize(std::max(50, std::max(textWidth, glyphWidth) + 20), 25);
}

QPixmap TCoolButton::composeFace(State state, qreal ratio) const {
    const QSize size(qRound(width() * ratio), qRound(height() * ratio));
    QPixmap face(size.isEmpty() ? QSize(1, 1) : size);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    const QString suffix = state == csDown ? "Down" : state == csDisabled ? "Disabled" : "";
    const QPixmap left = devicePixels(SkinImages::image("Btnleft" + suffix, ratio));
    const QPixmap centre = devicePixels(SkinImages::image("Btncenter" + suffix, ratio));
    const QPixmap right = devicePixels(SkinImages::image("Btnright" + suffix, ratio));
    const controls::PieceSpans spans =
        controls::splitPieces(size.width(), left.width(), right.width());
    drawPiece(painter, left, QRect(0, 0, spans.left, size.height()));
    drawPiece(painter, centre, QRect(spans.left, 0, spans.centre, size.height()));
    drawPiece(painter, right, QRect(spans.left + spans.centre, 0, spans.right, size.height()));

    // Caption and glyph in device-independent pixels.
    face.setDevicePixelRatio(ratio);
    painter.end();
    painter.begin(&face);
    const int shift = state == csDown ? 1 : 0;
    const QRect area = QRect(0, 0, width(), height()).translated(shift, shift);
    if (!text().isEmpty()) {
        painter.setFont(font());
        QColor colour = palette().color(QPalette::ButtonText);
        if (state == csDisabled) {
            // A grey that stands apart from the piece it sits on.
            const QImage sample = centre.toImage();
            const QColor background = sample.isNull() ? palette().color(QPalette::Button)
                                                      : sample.pixelColor(0, sample.height() / 2);
            colour = background.lightness() > 128 ? QColor(140, 140, 140) : QColor(110, 110, 110);
        } else if (SkinImages::skin() == Skin::Dark) {
            colour = QColor(230, 232, 235);
        } else {
            colour = QColor(20, 22, 25);
        }
        painter.setPen(colour);
        painter.drawText(area, Qt::AlignCenter, text());
    } else if (!m_glyph.isNull()) {
        const QSizeF glyphSize = m_glyph.deviceIndependentSize();
        const QPointF at((width() - glyphSize.width()) / 2 + shift,
                         (height() - glyphSize.height()) / 2 + 1 + shift);
        if (state == csDisabled) painter.setOpacity(0.5);
        painter.drawPixmap(at, m_glyph);
    }
    return face;
}

void TCoolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_newStyle) {
        painter.drawPixmap(0, 0, composeFace(state(), devicePixelRatioF()));
    } else {
        const QPixmap& picture = !isEnabled() ? m_disImage : (Down() ? m_downImage : m_upImage);
        if (!picture.isNull()) painter.drawPixmap(0, 0, picture);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void TCoolButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    if (isCheckable()) {
        setChecked(!isChecked());
    } else {
        QAbstractButton::setDown(true);
    }
    m_captured = true;
    setFocus(Qt::MouseFocusReason);
    update();
    emit OnChange();
}

void TCoolButton::mouseMoveEvent(QMouseEvent*) {
    // The press holds until release wherever the mouse goes; an ordinary button would pop up.
}

void TCoolButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    if (!isCheckable()) QAbstractButton::setDown(false);
    const bool wasCaptured = m_captured;
    m_captured = false;
    update();
    if (wasCaptured) emit clicked(isChecked());
}

void TCoolButton::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && !event->isAutoRepeat() && isEnabled()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

bool TCoolButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void TCoolButton::enterEvent(QEnterEvent* event) {
    if (isEnabled() && QWidget::mouseGrabber() == nullptr) {
        m_hover = true;
        update();
    }
    QAbstractButton::enterEvent(event);
}

void TCoolButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace sonthra
