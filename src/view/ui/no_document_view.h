// What the waveform and overview areas show while no document is open: the empty state of a
// display (its background with the no-sample text at the top left in the waveform colour), in
// the colours of the scheme. GUI thread only.
#pragma once

#include <QString>
#include <QWidget>

#include "view/ui/view_colors.h"

class QPainter;

namespace sonthra {

// Paints a display's empty state into area: background, then text at (5, 5) in textColor with
// font (at 8 points).
void PaintEmptyState(QPainter& painter, const QRect& area, TColor background, TColor textColor,
                     QFont font, const QString& text);

class TNoDocumentView : public QWidget {
    Q_OBJECT
public:
    explicit TNoDocumentView(const QString& text, QWidget* parent = nullptr);

    TColor BackGroundColor() const { return m_background; }
    TColor WaveFormColor() const { return m_textColor; }
    QString NoSamplePresentText() const { return m_text; }
    // Each repaints only when the value changed.
    void setBackGroundColor(TColor color);
    void setWaveFormColor(TColor color);
    void setNoSamplePresentText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The display's own defaults until the scheme is applied.
    TColor m_background = 0;
    TColor m_textColor = 16777215;
    QString m_text;
};

}  // namespace sonthra
