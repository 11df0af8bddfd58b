// TLUM32VerticalLEDs: a vertical bar of LED segments, LED 1 at the bottom, lit up to the level
// in Progress (0 to 1). Drawn into an off-screen image and copied to the screen. GUI thread
// only.
#pragma once

#include <QFrame>
#include <QImage>

#include "view/ui/view_colors.h"

namespace sonthra {

class TLUM32VerticalLEDs : public QFrame {
    Q_OBJECT
    Q_PROPERTY(quint32 Color READ Color WRITE setColor)
    Q_PROPERTY(quint32 LEDOnColor READ LEDOnColor WRITE setLEDOnColor)
    Q_PROPERTY(quint32 LEDOffColor READ LEDOffColor WRITE setLEDOffColor)
    Q_PROPERTY(float Progress READ Progress WRITE setProgress)
    Q_PROPERTY(int NumLEDs READ NumLEDs WRITE setNumLEDs)

public:
    explicit TLUM32VerticalLEDs(QWidget* parent = nullptr);

    TColor Color() const { return m_color; }
    void setColor(TColor color);
    TColor LEDOnColor() const { return m_on; }
    void setLEDOnColor(TColor color);
    TColor LEDOffColor() const { return m_off; }
    void setLEDOffColor(TColor color);
    float Progress() const { return m_progress; }
    // Clamped to [0, 1]; repaints only when the stored value changed.
    void setProgress(float progress);
    int NumLEDs() const { return m_count; }
    void setNumLEDs(int count);

    void setOnClick(TNotifyEvent e) { m_onClick = std::move(e); }
    void setOnMouseMove(TNotifyEvent e) {
        m_onMouseMove = std::move(e);
        setMouseTracking(static_cast<bool>(m_onMouseMove));
    }

    // The picture the next paint copies to the screen.
    QImage render() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    TColor m_color = 0xF0F0F0;
    TColor m_on = 65280;
    TColor m_off = 32768;
    float m_progress = 0.5f;
    int m_count = 5;
    TNotifyEvent m_onClick;
    TNotifyEvent m_onMouseMove;
};

}  // namespace sonthra
