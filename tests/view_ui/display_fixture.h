// Helpers of the widget tests: a display attached to a generated WAV file with its peaks built,
// pixel probes, and mouse events that carry the held button.
#pragma once

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "view/ui/wave_display.h"
#include "view/view_test_support.h"

namespace sonthra::testing {

// Builds the display's peaks on a worker thread, as the main window does.
inline int buildOnWorker(RIZI32DaziVereruz& display) {
    std::atomic<std::int32_t> progress{0};
    int code = -1;
    std::thread worker([&] { code = display.BuildPeaks(progress); });
    worker.join();
    return code;
}

// Mono 16-bit samples: silence, except frames [loudFrom, loudTo) which swing full scale.
inline std::vector<int> loudStretch(std::size_t frames, std::size_t loudFrom, std::size_t loudTo) {
    std::vector<int> v(frames, 0);
    for (std::size_t f = loudFrom; f < loudTo && f < frames; ++f) v[f] = f % 2 ? 32767 : -32767;
    return v;
}

// A shown display of the given client size attached to a file of values.
struct ShownDisplay {
    ShownDisplay(const std::vector<int>& values, int width, int height, int channels = 1,
                 int bits = 16) {
        path = dir.file("a.wav");
        writeWav(path, channels, bits, values);
        display = std::make_unique<RIZI32DaziVereruz>();
        // The border takes one pixel on every side.
        display->resize(width + 2, height + 2);
        display->show();
        opened = display->OpenWaveFile(path);
        built = buildOnWorker(*display);
    }
    QImage grab() const {
        QApplication::processEvents();
        return display->grab(display->contentsRect()).toImage();
    }
    TempDir dir;
    std::string path;
    std::unique_ptr<RIZI32DaziVereruz> display;
    int opened = -1;
    int built = -1;
};

inline QRgb rgbOf(TColor c) {
    return toQColor(c).rgb();
}

// Sends a mouse event with the left button held (also for moves) at a client position.
inline void sendMouse(QWidget* w, QEvent::Type type, QPoint clientPos) {
    const QPoint pos = clientPos + QPoint(1, 1);  // past the border
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

}  // namespace sonthra::testing
