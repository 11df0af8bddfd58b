// The level meters of the main window's console: a meter and a clipping light per channel, and
// the timer after which a lit clipping light goes out (the transport controller starts and stops
// it and is told ClippingTimeout). The lights take their lit and unlit colours from the colour
// scheme (AddColorTargets). GUI thread only.
#pragma once

#include <QFrame>

#include <cstdint>

class QTimer;

namespace sonthra {

struct ColorSchemeTargets;
class TLUM32VerticalLEDs;

class LevelMeters : public QFrame {
    Q_OBJECT
public:
    explicit LevelMeters(QWidget* parent = nullptr);

    // Levels from 0 to 1 (a tenth of the meter per 0.1).
    void SetLevels(double left, double right);
    void ShowClipping(int channel, bool on);
    void StartClippingTimer();
    void StopClippingTimer();
    // The meters and lights as the colour scheme colours them; the lights keep the colours.
    void AddColorTargets(ColorSchemeTargets& targets);

signals:
    void ClippingTimeout();

private:
    void paintLight(int channel, std::uint32_t color);

    TLUM32VerticalLEDs* m_meters[2] = {nullptr, nullptr};
    QFrame* m_lights[2] = {nullptr, nullptr};
    std::uint32_t m_lit;
    std::uint32_t m_unlit;
    QTimer* m_clippingTimer;
};

}  // namespace sonthra
