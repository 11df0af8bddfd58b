// TLUM32Overview: a small waveform display that always shows the whole file, with a frame
// (TLUM32OViewFrame) over the part the main display shows. The user drags the frame to move
// it and drags its sides to resize it, horizontally only and never past the overview's edges;
// every change is reported through OnFramePosSizeChange. GUI thread only, apart from
// BuildPeaks as for every display.
#pragma once

#include <QWidget>

#include "view/ui/wave_display.h"

namespace sonthra {

class TLUM32OViewFrame : public QWidget {
    Q_OBJECT

public:
    explicit TLUM32OViewFrame(QWidget* parent = nullptr);

    // Places the frame by its owner: left and width in the overview's client area, kept inside
    // it; the top and height stay. Raises OnPosSizeChange like a move by the user.
    void setFrameBounds(int left, int width);
    // The frame's left edge and width in the overview's client area.
    int frameLeft() const;
    int frameWidth() const { return width(); }

    void setOnPosSizeChange(TNotifyEvent e) { m_onChange = std::move(e); }

    // Width of the side borders that resize the frame when dragged.
    static constexpr int kBorder = 4;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Drag { None, Move, Left, Right };
    Drag dragAt(int x) const;
    QRect parentClient() const;
    void changed();

    TNotifyEvent m_onChange;
    Drag m_drag = Drag::None;
    int m_pressX = 0;  // pointer position in the parent at the press
    QRect m_pressGeometry;
};

class TLUM32Overview : public RIZI32DaziVereruz {
    Q_OBJECT

public:
    explicit TLUM32Overview(QWidget* parent = nullptr);

    // Shows the frame over the whole overview (reaching 40 pixels above and below, so that only
    // its sides are seen), then attaches the file.
    int OpenWaveFile(const std::string& name) override;
    // The same frame over the display's peaks, when they are shared.
    int SharePeaksOf(const RIZI32DaziVereruz& other) override;
    // Back to the empty state; no frame is shown over nothing.
    void ResetDisplay() override;

    TLUM32OViewFrame* frame() const { return m_frame; }
    void setOnFramePosSizeChange(TNotifyEvent e) { m_onFrame = std::move(e); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A click beside the frame moves the frame there, centred on the click.
    void mousePressEvent(QMouseEvent* event) override;

private:
    void showWholeFrame();

    TLUM32OViewFrame* m_frame = nullptr;
    TNotifyEvent m_onFrame;
};

}  // namespace sonthra
