#include "view/ui/no_document_view.h"

#include <QPainter>

#include <algorithm>

namespace sonthra {

void PaintEmptyState(QPainter& painter, const QRect& area, TColor background, TColor textColor,
                     QFont font, const QString& text) {
    painter.fillRect(area, toQColor(background));
    font.setPointSize(8);
    painter.setFont(font);
    painter.setPen(toQColor(textColor));
    painter.drawText(QRect(area.left() + 5, area.top() + 5, std::max(area.width() - 5, 1),
                           std::max(area.height() - 5, 1)),
                     Qt::AlignLeft | Qt::AlignTop, text);
}

TNoDocumentView::TNoDocumentView(const QString& text, QWidget* parent)
    : QWidget(parent), m_text(text) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TNoDocumentView::setBackGroundColor(TColor color) {
    if (color == m_background) return;
    m_background = color;
    update();
}

void TNoDocumentView::setWaveFormColor(TColor color) {
    if (color == m_textColor) return;
    m_textColor = color;
    update();
}

void TNoDocumentView::setNoSamplePresentText(const QString& text) {
    if (text == m_text) return;
    m_text = text;
    update();
}

void TNoDocumentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintEmptyState(painter, rect(), m_background, m_textColor, font(), m_text);
}

}  // namespace sonthra
