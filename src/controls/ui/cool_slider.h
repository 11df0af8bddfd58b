// TCoolSliderV and TCoolSliderH: track bars drawn from skin images. The thumb's place follows
// Position linearly between Min and Max; a press on the thumb drags it, a press beside it steps
// Position towards the press; keys move by LineSize and PageSize. Every user move reports
// OnScroll with code 4 (the position code of a track bar). Call only from the GUI thread.
#pragma once

#include <QAbstractSlider>
#include <functional>

namespace sonthra {

class TCoolSlider : public QAbstractSlider {
    Q_OBJECT
public:
    // Track-bar scroll codes; the sliders report only kScrollPosition.
    static constexpr int kScrollPosition = 4;
    // sender, scroll code, position (a handler may change it; the slider then takes the change).
    using ScrollHandler = std::function<void(QObject* sender, int code, int& position)>;

    int Min() const { return minimum(); }
    void setMin(int min);
    int Max() const { return maximum(); }
    void setMax(int max);
    int Position() const { return value(); }
    // Clamped to [Min, Max]; stored, repainted (and for the vertical slider OnChange) only when
    // it changed.
    void setPosition(int position);
    int LineSize() const { return singleStep(); }
    void setLineSize(int size) { setSingleStep(size); }
    int PageSize() const { return pageStep(); }
    void setPageSize(int size) { setPageStep(size); }

    ScrollHandler OnScroll;

    // Whether the last OnScroll report came from a key (else the mouse or the wheel): an owner
    // that moves the focus elsewhere after a mouse move leaves it here for keyboard users.
    bool lastScrollByKey() const { return m_byKey; }

    // Where the thumb starts along the track, in pixels.
    int thumbOffset() const;
    QSize thumbSize() const;

signals:
    // Every report of OnScroll, for Qt connections.
    void scrolled(int code, int position);

protected:
    TCoolSlider(Qt::Orientation orientation, QWidget* parent);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    void reportScroll(bool byKey = false);
    bool dragging() const { return m_dragging; }
    virtual void positionChanged(int) {}

    // Names of the skin images: thumb, channel, the channel's two ends, background.
    struct ImageNames {
        const char* thumb;
        const char* channel;
        const char* channelStart;
        const char* channelEnd;
        const char* background;
    };
    virtual ImageNames imageNames() const = 0;
    virtual void paintSelection(QPainter&, const QRect&) {}
    // Track length and position along it of a point.
    int extent() const;
    int along(const QPoint& point) const;

private:
    bool m_dragging = false;
    bool m_byKey = false;
    int m_grabOffset = 0;
};

class TCoolSliderV : public TCoolSlider {
    Q_OBJECT
public:
    explicit TCoolSliderV(QWidget* parent = nullptr);

    QSize sizeHint() const override;

signals:
    void OnChange();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void positionChanged(int position) override;
    ImageNames imageNames() const override;
};

class TCoolSliderH : public TCoolSlider {
    Q_OBJECT
public:
    explicit TCoolSliderH(QWidget* parent = nullptr);

    int SelStart() const { return m_selStart; }
    void setSelStart(int position);
    int SelEnd() const { return m_selEnd; }
    void setSelEnd(int position);

    QSize sizeHint() const override;

protected:
    ImageNames imageNames() const override;
    void paintSelection(QPainter& painter, const QRect& channel) override;

private:
    int m_selStart = 0;
    int m_selEnd = 0;
};

}  // namespace sonthra
