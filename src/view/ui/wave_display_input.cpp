// The display's caret, selection, zoom and scroll rules, and its mouse and keyboard handling.
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>

#include "view/ui/wave_display.h"

namespace sonthra {
namespace {

bool isNavigationKey(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End;
}

}  // namespace

void RIZI32DaziVereruz::raiseSelection(std::uint32_t start, std::uint32_t end) {
    if (m_onSelection) m_onSelection(this, start, end);
}

void RIZI32DaziVereruz::MoveCaret(std::uint32_t pos, bool notify, bool scroll) {
    if (!hasSamples()) {
        m_caretPixel = 0;
        placeCaretWidget();
        if (m_onCaret) m_onCaret(this);
        return;
    }
    pos = std::min(pos, TotalSamples());
    m_model.setCaret(pos);
    showCaretWidget(m_showCaret);
    if (pos < LeftSamplePos() || pos > RightSamplePos()) {
        if (!scroll) {
            showCaretWidget(false);
            if (notify && m_onCaret) m_onCaret(this);
            return;
        }
        setLeftSamplePos(m_model.LeftForPosition(pos, 0));
    }
    m_caretPixel = static_cast<int>(
        std::clamp<std::int64_t>(SampleToPixel(pos), 0, std::max(clientWidth(), 0)));
    placeCaretWidget();
    if (notify && m_onCaret) m_onCaret(this);
}

void RIZI32DaziVereruz::setCaretPositionBySamples(std::uint32_t pos) {
    if (!hasSamples()) return;
    MoveCaret(pos, false, true);
}

void RIZI32DaziVereruz::setLeftSamplePos(std::uint32_t left) {
    if (!hasSamples() || left == LeftSamplePos()) return;
    RenderView(ZoomLevel(), left);
    MoveCaret(m_model.caret(), false, false);
}

void RIZI32DaziVereruz::setZoomLevel(std::uint32_t zoom) {
    if (!hasSamples()) return;
    zoom = std::max(zoom, 1u);
    // The left edge is found for the new zoom, so that the caret stays in view.
    const std::uint32_t before = ZoomLevel();
    m_model.setZoomLevel(std::min(zoom, MaxZoomLevel()));
    const std::uint32_t left = m_model.LeftForPosition(m_model.caret(), 0);
    if (RenderView(zoom, left) != 0) m_model.setZoomLevel(before);
    MoveCaret(m_model.caret(), false, false);
    update();
}

void RIZI32DaziVereruz::ZoomToSelection() {
    if (!hasSamples()) return;
    const std::uint32_t lo = std::min(SelectionStartPos(), SelectionEndPos());
    const std::uint32_t hi = std::max(SelectionStartPos(), SelectionEndPos());
    if (lo == hi) return;
    const std::uint32_t zoom =
        (hi - lo) / static_cast<std::uint32_t>(std::max(clientWidth(), 1)) + 1;
    RenderView(zoom, lo);
    MoveCaret(m_model.caret(), false, false);
    CompositeSelection();
}

void RIZI32DaziVereruz::SetSelection(std::uint32_t start, std::uint32_t end) {
    if (!hasSamples()) return;
    if (start == SelectionStartPos() && end == SelectionEndPos()) return;
    m_model.setSelection(start, end);
    CompositeSelection();
    m_present = SelectionStartPos() != SelectionEndPos();
    MoveCaret(SelectionEndPos(), true, false);
}

void RIZI32DaziVereruz::SelectAll() {
    if (!hasFile()) return;
    if (TotalSamples() == 0) {
        m_model.setSelection(0, 0);
        raiseSelection(0, 0);
        return;
    }
    const std::uint32_t total = TotalSamples();
    if (SelectionStartPos() == 0 && SelectionEndPos() == total && m_present) return;
    m_model.setSelection(0, total);
    CompositeSelection();
    m_present = true;
    MoveCaret(total, true, false);
    raiseSelection(0, total);
}

void RIZI32DaziVereruz::SelectNone() {
    if (!hasFile()) return;
    m_extend = false;
    m_present = false;
    m_model.setSelection(0, 0);
    if (!hasSamples()) return;
    CompositeSelection();
    MoveCaret(m_model.caret(), true, false);
    raiseSelection(0, 0);
}

void RIZI32DaziVereruz::keyPressEvent(QKeyEvent* event) {
    if (!m_keyboard || !hasFile() || !isNavigationKey(event->key())) {
        QFrame::keyPressEvent(event);
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const std::uint32_t caret = m_model.caret();
    if (!m_extend && !m_present) m_model.setSelection(caret, caret);
    if (shift) {
        m_extend = true;
    } else if (!m_mouseSelecting) {
        m_extend = false;
    }
    const std::uint64_t step = std::uint64_t{ZoomLevel()} * (ctrl ? 10 : 1);
    const std::uint64_t base = m_extend ? SelectionEndPos() : caret;
    const std::uint32_t total = TotalSamples();
    std::uint32_t target = 0;
    switch (event->key()) {
        case Qt::Key_Left:
            target = static_cast<std::uint32_t>(base > step ? base - step : 0);
            break;
        case Qt::Key_Right:
            target = static_cast<std::uint32_t>(std::min<std::uint64_t>(base + step, total));
            break;
        case Qt::Key_Home:
            target = 0;
            break;
        default:
            target = total;
            break;
    }
    MoveCaret(target, true, true);
    if (!m_extend) {
        if (SelectionStartPos() != 0 || SelectionEndPos() != 0) {
            m_model.setSelection(0, 0);
            showPlain();
            raiseSelection(0, 0);
            m_present = false;
        }
    } else {
        m_model.setSelection(SelectionStartPos(), target);
        CompositeSelection();
        raiseSelection(SelectionStartPos(), SelectionEndPos());
    }
    event->accept();
}

void RIZI32DaziVereruz::keyReleaseEvent(QKeyEvent* event) {
    if (!m_keyboard || !hasFile() || !isNavigationKey(event->key()) || event->isAutoRepeat()) {
        QFrame::keyReleaseEvent(event);
        return;
    }
    if (m_extend && !m_mouseSelecting) {
        m_present = true;
        MoveCaret(SelectionEndPos(), true, true);
    }
    event->accept();
}

void RIZI32DaziVereruz::mousePressEvent(QMouseEvent* event) {
    if (!m_mouse || !hasSamples()) {
        QFrame::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    showCaretWidget(false);
    if (m_compositeShown) showPlain();
    const int x = static_cast<int>(event->position().x()) - contentsRect().x();
    const std::uint32_t pos = std::min(PixelToSample(std::max(x, 0)), TotalSamples());
    if (event->modifiers() & Qt::ShiftModifier) {
        // Shift+click extends: the selection's fixed end (the caret when there is none) stays,
        // the other end comes here, and a drag goes on from there.
        const std::uint32_t anchor = m_present ? SelectionStartPos() : m_model.caret();
        m_model.setSelection(anchor, pos);
        if (anchor != pos) {
            CompositeSelection();
            raiseSelection(std::min(anchor, pos), std::max(anchor, pos));
        }
        m_extend = true;
        m_mouseSelecting = true;
        m_lastDragX = x;
        return;
    }
    if (PixelToSample(std::max(x, 0)) > TotalSamples()) {
        // Past the last frame of a file shorter than the view: no drag begins.
        m_model.setSelection(TotalSamples(), SelectionEndPos());
        return;
    }
    m_model.setSelection(pos, SelectionEndPos());
    m_extend = true;
    m_mouseSelecting = true;
    m_lastDragX = x;
}

void RIZI32DaziVereruz::mouseMoveEvent(QMouseEvent* event) {
    if (!m_mouseSelecting || !m_selectionEnabled) {
        QFrame::mouseMoveEvent(event);
        return;
    }
    m_lastDragX = static_cast<int>(event->position().x()) - contentsRect().x();
    dragTo(m_lastDragX);
}

void RIZI32DaziVereruz::dragTo(int x) {
    const std::uint32_t total = TotalSamples();
    const int width = std::max(clientWidth(), 1);
    const std::uint64_t step = std::uint64_t{1} * width * ZoomLevel() / 10;
    std::uint32_t end = 0;
    if (x < 0) {
        if (LeftSamplePos() > 0) {
            setLeftSamplePos(
                static_cast<std::uint32_t>(LeftSamplePos() > step ? LeftSamplePos() - step : 0));
            end = LeftSamplePos();
        }
    } else if (x > width) {
        if (RightSamplePos() < total) {
            std::uint64_t left = LeftSamplePos() + step;
            if (left > total) {
                const std::uint64_t span = std::uint64_t{1} * width * ZoomLevel();
                left = total > span ? total - span : 0;
            }
            setLeftSamplePos(static_cast<std::uint32_t>(left));
        }
        end = RightSamplePos();
    } else {
        end = PixelToSample(x);
    }
    end = std::min(end, total);
    m_model.setSelection(SelectionStartPos(), end);
    const std::uint32_t start = SelectionStartPos();
    if (start == end) {
        raiseSelection(0, 0);
    } else {
        CompositeSelection();
        raiseSelection(std::min(start, end), std::max(start, end));
    }
    // Outside the control the view keeps scrolling while the button is held.
    const bool outside = x < 0 || x > width;
    if (outside && !m_autoScroll.isActive()) {
        m_autoScroll.start();
    } else if (!outside) {
        m_autoScroll.stop();
    }
}

void RIZI32DaziVereruz::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = contentsRect().contains(event->position().toPoint());
    if (!m_mouseSelecting) {
        QFrame::mouseReleaseEvent(event);
        if (inside && m_onClick) m_onClick(this);
        return;
    }
    m_autoScroll.stop();
    m_extend = false;
    m_mouseSelecting = false;
    const int x = static_cast<int>(event->position().x()) - contentsRect().x();
    const std::uint32_t end = std::min(PixelToSample(std::max(x, 0)), TotalSamples());
    m_model.setSelection(SelectionStartPos(), end);
    MoveCaret(end, true, false);
    m_present = true;
    const std::uint32_t start = SelectionStartPos();
    if (start == end) {
        // A click places the caret and removes the selection.
        m_model.setSelection(0, 0);
        showPlain();
        raiseSelection(0, 0);
        m_present = false;
    } else {
        CompositeSelection();
        raiseSelection(std::min(start, end), std::max(start, end));
    }
    if (inside && m_onClick) m_onClick(this);
}

void RIZI32DaziVereruz::raiseViewChange() {
    if (m_onViewChange) m_onViewChange(this);
}

void RIZI32DaziVereruz::wheelEvent(QWheelEvent* event) {
    if (!m_mouse || !hasSamples()) {
        QFrame::wheelEvent(event);
        return;
    }
    const QPoint delta = event->angleDelta();
    // Up and left are back towards the start; a tilt wheel scrolls the same way.
    m_wheelRest += delta.y() != 0 ? delta.y() : delta.x();
    const int notches = m_wheelRest / 120;
    m_wheelRest %= 120;
    if (notches != 0) {
        if (event->modifiers() & Qt::ControlModifier) {
            zoomAboutPixel(static_cast<int>(event->position().x()) - contentsRect().x(), notches);
        } else {
            scrollByNotches(-notches);
        }
    }
    event->accept();
}

void RIZI32DaziVereruz::scrollByNotches(int notches) {
    const std::uint64_t span = std::uint64_t{1} * std::max(clientWidth(), 1) * ZoomLevel();
    const std::uint64_t total = TotalSamples();
    const std::int64_t lastLeft = total > span ? static_cast<std::int64_t>(total - span) : 0;
    const std::int64_t step = static_cast<std::int64_t>(std::max<std::uint64_t>(span / 10, 1));
    const std::int64_t left =
        std::clamp<std::int64_t>(std::int64_t{LeftSamplePos()} + notches * step, 0, lastLeft);
    if (left == LeftSamplePos()) return;
    setLeftSamplePos(static_cast<std::uint32_t>(left));
    raiseViewChange();
}

void RIZI32DaziVereruz::zoomAboutPixel(int x, int notches) {
    x = std::clamp(x, 0, std::max(clientWidth(), 0));
    const std::uint32_t anchor = std::min(PixelToSample(x), TotalSamples());
    // Each notch halves (towards the samples) or doubles the frames a pixel shows.
    std::uint64_t zoom = ZoomLevel();
    for (int i = 0; i < std::abs(notches); ++i) zoom = notches > 0 ? zoom / 2 : zoom * 2;
    zoom = std::clamp<std::uint64_t>(zoom, 1, std::max(MaxZoomLevel(), 1u));
    if (zoom == ZoomLevel()) return;
    const std::uint64_t back = std::uint64_t{1} * static_cast<std::uint64_t>(x) * zoom;
    const std::uint64_t span = std::uint64_t{1} * std::max(clientWidth(), 1) * zoom;
    const std::uint64_t total = TotalSamples();
    std::uint64_t left = anchor > back ? anchor - back : 0;
    if (left + span > total) left = total > span ? total - span : 0;
    const std::uint32_t before = ZoomLevel();
    m_model.setZoomLevel(static_cast<std::uint32_t>(zoom));
    if (RenderView(static_cast<std::uint32_t>(zoom), static_cast<std::uint32_t>(left)) != 0) {
        m_model.setZoomLevel(before);
        return;
    }
    MoveCaret(m_model.caret(), false, false);
    update();
    raiseViewChange();
}

}  // namespace sonthra
