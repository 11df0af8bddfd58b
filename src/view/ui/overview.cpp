#include "view/ui/overview.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "view/overview_sync.h"
#include "view/view_errors.h"

namespace sonthra {

TLUM32OViewFrame::TLUM32OViewFrame(QWidget* parent) : QWidget(parent) {
    // Nothing but the borders is painted, so the waveform under the frame stays visible.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    setMouseTracking(true);
    hide();
}

QRect TLUM32OViewFrame::parentClient() const {
    if (const auto* frame = qobject_cast<const QFrame*>(parentWidget())) {
        return frame->contentsRect();
    }
    return parentWidget() ? parentWidget()->rect() : QRect(0, 0, width(), height());
}

int TLUM32OViewFrame::frameLeft() const {
    return geometry().left() - parentClient().left();
}

void TLUM32OViewFrame::setFrameBounds(int left, int width) {
    const QRect client = parentClient();
    width = std::clamp(width, 1, std::max(client.width(), 1));
    setGeometry(client.left() + ClampFrameLeft(left, width, client.width()), geometry().top(),
                width, height());
    changed();
}

void TLUM32OViewFrame::changed() {
    update();
    if (m_onChange) m_onChange(this);
}

TLUM32OViewFrame::Drag TLUM32OViewFrame::dragAt(int x) const {
    if (x < kBorder) return Drag::Left;
    if (x >= width() - kBorder) return Drag::Right;
    return Drag::Move;
}

void TLUM32OViewFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    // A sizing border on each side: light outer edge, face, dark inner edge.
    for (const int x0 : {0, w - kBorder}) {
        painter.fillRect(QRect(x0, 0, kBorder, h), QColor(192, 192, 192));
        painter.fillRect(QRect(x0, 0, 1, h), QColor(255, 255, 255));
        painter.fillRect(QRect(x0 + kBorder - 1, 0, 1, h), QColor(64, 64, 64));
    }
}

void TLUM32OViewFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_drag = dragAt(static_cast<int>(event->position().x()));
    m_pressX = static_cast<int>(mapToParent(event->position()).x());
    m_pressGeometry = geometry();
}

void TLUM32OViewFrame::mouseMoveEvent(QMouseEvent* event) {
    if (m_drag == Drag::None) {
        const Drag at = dragAt(static_cast<int>(event->position().x()));
        setCursor(at == Drag::Move ? Qt::SizeAllCursor : Qt::SizeHorCursor);
        return;
    }
    const int dx = static_cast<int>(mapToParent(event->position()).x()) - m_pressX;
    // Worked out in the overview's client area, where 0..width is the whole file.
    const QRect client = parentClient();
    const int limit = client.width();
    const int minWidth = 2 * kBorder + 1;
    const int pressLeft = m_pressGeometry.left() - client.left();
    int left = pressLeft;
    int width = m_pressGeometry.width();
    switch (m_drag) {
        case Drag::Move:
            left = ClampFrameLeft(pressLeft + dx, width, limit);
            break;
        case Drag::Left: {
            const int right = pressLeft + width;
            left = std::clamp(pressLeft + dx, 0, std::max(right - minWidth, 0));
            width = right - left;
            break;
        }
        case Drag::Right:
            width = std::clamp(width + dx, minWidth, std::max(limit - pressLeft, minWidth));
            break;
        case Drag::None:
            break;
    }
    QRect g(client.left() + left, m_pressGeometry.top(), width, m_pressGeometry.height());
    // The top never changes: a vertical drag moves nothing.
    if (g != geometry()) {
        setGeometry(g);
        changed();
    }
}

void TLUM32OViewFrame::mouseReleaseEvent(QMouseEvent*) {
    m_drag = Drag::None;
}

TLUM32Overview::TLUM32Overview(QWidget* parent) : RIZI32DaziVereruz(parent) {
    setShowCaret(false);
    setEnableKeyboardSupport(false);
    setEnableMouseSupport(false);
    setTabStop(false);
    // A click on the overview must not take the keyboard from the main display.
    setFocusPolicy(Qt::NoFocus);
    m_frame = new TLUM32OViewFrame(this);
    m_frame->setOnPosSizeChange([this](QObject*) {
        if (m_onFrame) m_onFrame(this);
    });
}

void TLUM32Overview::showWholeFrame() {
    const QRect client = contentsRect();
    m_frame->setGeometry(client.x(), client.y() - 40, client.width(), client.height() + 80);
    m_frame->show();
}

int TLUM32Overview::OpenWaveFile(const std::string& name) {
    showWholeFrame();
    const int code = RIZI32DaziVereruz::OpenWaveFile(name);
    if (code != kViewOk) m_frame->hide();
    return code;
}

int TLUM32Overview::SharePeaksOf(const RIZI32DaziVereruz& other) {
    const int code = RIZI32DaziVereruz::SharePeaksOf(other);
    if (code == kViewOk) showWholeFrame();
    return code;
}

void TLUM32Overview::ResetDisplay() {
    RIZI32DaziVereruz::ResetDisplay();
    m_frame->hide();
}

void TLUM32Overview::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_frame->isVisible() || !hasSamples()) {
        RIZI32DaziVereruz::mousePressEvent(event);
        return;
    }
    const int x = static_cast<int>(event->position().x()) - contentsRect().x();
    m_frame->setFrameBounds(x - m_frame->frameWidth() / 2, m_frame->frameWidth());
    event->accept();
}

void TLUM32Overview::resizeEvent(QResizeEvent* event) {
    RIZI32DaziVereruz::resizeEvent(event);
    const QRect client = contentsRect();
    QRect g = m_frame->geometry();
    g.setTop(client.y() - 40);
    g.setHeight(client.height() + 80);
    // The whole file spans the client width, so the frame keeps its share of it: the same
    // part of the file stays framed (no frame event; the main display has not changed).
    const int border = width() - client.width();
    const int oldClient = event->oldSize().width() - border;
    if (oldClient > 0 && oldClient != client.width()) {
        const double scale = double(client.width()) / oldClient;
        const int left = static_cast<int>(std::lround((g.left() - client.left()) * scale));
        const int frameWidth = std::clamp(static_cast<int>(std::lround(g.width() * scale)), 1,
                                          std::max(client.width(), 1));
        g.setLeft(client.left() + ClampFrameLeft(left, frameWidth, client.width()));
        g.setWidth(frameWidth);
    }
    m_frame->setGeometry(g);
    // The owner may place the frame exactly over what its display shows.
    if (oldClient != client.width()) raiseViewChange();
}

}  // namespace sonthra
