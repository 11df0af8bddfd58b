// TLUM32Scale: the time ruler under the main display, labelled in minutes, seconds and
// milliseconds or in frame numbers, following the display's zoom and left position. Every
// setter stores its value and repaints only when it changed. GUI thread only.
#pragma once

#include <QWidget>

#include <cstdint>

#include "view/time_scale.h"
#include "view/ui/view_colors.h"
#include "wave/wave_format.h"

namespace sonthra {

class TLUM32Scale : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int GapInPixels READ GapInPixels WRITE setGapInPixels)
    Q_PROPERTY(quint32 Color READ Color WRITE setColor)
    Q_PROPERTY(quint32 ZoomLevel READ ZoomLevel WRITE setZoomLevel)
    Q_PROPERTY(quint32 LeftSamplePos READ LeftSamplePos WRITE setLeftSamplePos)
    Q_PROPERTY(bool ShowSmallDivisons READ ShowSmallDivisons WRITE setShowSmallDivisons)
    Q_PROPERTY(int NumSmallDivisons READ NumSmallDivisons WRITE setNumSmallDivisons)
    Q_PROPERTY(bool IsDataAvailable READ IsDataAvailable WRITE setIsDataAvailable)

public:
    explicit TLUM32Scale(QWidget* parent = nullptr);

    int GapInPixels() const { return m_gap; }
    void setGapInPixels(int gap);
    TColor Color() const { return m_color; }
    void setColor(TColor color);
    std::uint32_t ZoomLevel() const { return m_zoom; }
    void setZoomLevel(std::uint32_t zoom);
    std::uint32_t LeftSamplePos() const { return m_left; }
    void setLeftSamplePos(std::uint32_t left);
    TFormat Format() const { return m_format; }
    void setFormat(TFormat format);
    bool ShowSmallDivisons() const { return m_showSmall; }
    void setShowSmallDivisons(bool on);
    int NumSmallDivisons() const { return m_numSmall; }
    void setNumSmallDivisons(int count);
    bool IsDataAvailable() const { return m_dataAvailable; }
    void setIsDataAvailable(bool on);
    // The label font is the widget's font: Arial, 12 pixels high, unless set otherwise.

    const WaveFormat& waveFormat() const { return m_waveFormat; }
    // Replaces the format record as a whole and repaints.
    void setWaveFormat(const WaveFormat& format);

    // What the next paint draws, for the current size and font.
    ScaleDrawing layout() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    template <typename T>
    void store(T& field, T value);

    int m_gap = 100;
    TColor m_color = 0;
    std::uint32_t m_zoom = 1;
    std::uint32_t m_left = 0;
    TFormat m_format = TFormat::Time;
    bool m_showSmall = true;
    int m_numSmall = 10;
    bool m_dataAvailable = false;
    WaveFormat m_waveFormat;
};

}  // namespace sonthra
