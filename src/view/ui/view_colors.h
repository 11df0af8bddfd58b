// Colours as the display components keep them (red in bits 0-7, green 8-15, blue 16-23) and
// the events they raise.
#pragma once

#include <QColor>
#include <QObject>

#include <cstdint>
#include <functional>

namespace sonthra {

using TColor = std::uint32_t;

inline QColor toQColor(TColor c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

inline TColor fromQColor(const QColor& c) {
    return static_cast<TColor>(c.red()) | (static_cast<TColor>(c.green()) << 8) |
           (static_cast<TColor>(c.blue()) << 16);
}

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TSelectionEvent = std::function<void(QObject* Sender, std::uint32_t startSelectionPos,
                                           std::uint32_t endSelectionPos)>;

}  // namespace sonthra
