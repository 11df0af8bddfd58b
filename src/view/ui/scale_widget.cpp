#include "view/ui/scale_widget.h"

#include <QFontMetrics>
#include <QPainter>

namespace sonthra {

TLUM32Scale::TLUM32Scale(QWidget* parent) : QWidget(parent) {
    resize(500, 20);
    // The labels are Arial, 12 pixels high, whatever the surrounding widgets use.
    QFont labels("Arial");
    labels.setPixelSize(12);
    setFont(labels);
    m_waveFormat = makePcmFormat(44100, 16, 2);
}

template <typename T>
void TLUM32Scale::store(T& field, T value) {
    if (field == value) return;
    field = value;
    update();
}

void TLUM32Scale::setGapInPixels(int gap) {
    store(m_gap, gap);
}
void TLUM32Scale::setColor(TColor color) {
    store(m_color, color);
}
void TLUM32Scale::setZoomLevel(std::uint32_t zoom) {
    store(m_zoom, zoom);
}
void TLUM32Scale::setLeftSamplePos(std::uint32_t left) {
    store(m_left, left);
}
void TLUM32Scale::setFormat(TFormat format) {
    store(m_format, format);
}
void TLUM32Scale::setShowSmallDivisons(bool on) {
    store(m_showSmall, on);
}
void TLUM32Scale::setNumSmallDivisons(int count) {
    store(m_numSmall, count);
}
void TLUM32Scale::setIsDataAvailable(bool on) {
    store(m_dataAvailable, on);
}

void TLUM32Scale::setWaveFormat(const WaveFormat& format) {
    m_waveFormat = format;
    update();
}

ScaleDrawing TLUM32Scale::layout() const {
    ScaleInput in;
    in.width = width();
    in.gapInPixels = m_gap;
    in.zoomLevel = m_zoom;
    in.leftSamplePos = m_left;
    in.format = m_format;
    in.showSmallDivisions = m_showSmall;
    in.numSmallDivisions = m_numSmall;
    in.isDataAvailable = m_dataAvailable;
    in.sampleRate = m_waveFormat.sampleRate;
    const QFontMetrics metrics(font());
    return LayoutScale(in, [&](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromStdString(text));
    });
}

void TLUM32Scale::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(QPen(toQColor(m_color), 0));
    const ScaleDrawing drawing = layout();
    for (const ScaleLine& line : drawing.lines) {
        painter.drawLine(line.x1, line.y1, line.x2, line.y2);
    }
    // Labels are placed by their top-left corner.
    const int ascent = QFontMetrics(font()).ascent();
    for (const ScaleLabel& label : drawing.labels) {
        painter.drawText(label.x, label.y + ascent, QString::fromStdString(label.text));
    }
}

}  // namespace sonthra
