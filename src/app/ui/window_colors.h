// The display colour scheme of the main window: loaded from the settings store at the first
// show, changed in the Set Colors window or by a skin's colours chosen in the Preferences,
// pushed to every display, overview, meter and clipping light, and stored again at shutdown.
// The window tells which widgets take the colours (the targets). GUI thread only.
#pragma once

#include <functional>

#include "view/color_scheme.h"

class QWidget;

namespace sonthra {

struct ColorSchemeTargets;
class Settings;
class UserDialogs;

class WindowColors {
public:
    using Targets = std::function<void(ColorSchemeTargets&)>;
    // Messages and the colours window show over window.
    WindowColors(UserDialogs& dialogs, QWidget& window, Targets targets)
        : m_dialogs(dialogs), m_window(window), m_targets(std::move(targets)) {}

    // Without a settings store the scheme is the default one and Set Colors cannot open.
    void SetSettings(Settings* settings) { m_settings = settings; }
    const ColorSchemeTable& Scheme() const { return m_scheme; }

    // Pushes the scheme to the targets.
    void ApplyColorScheme();
    // Loads the stored scheme (a fault is shown) and applies it.
    void LoadColorScheme();
    // Writes the stored values back, so that a scheme another copy of the program changed is not
    // overwritten with this one's.
    void StoreColorScheme();
    // The display colours that go with the light or dark skin, stored and applied.
    void TakeSkinColors(bool dark);

    void ViewSetColorsMenuClick();

private:
    UserDialogs& m_dialogs;
    QWidget& m_window;
    Targets m_targets;
    Settings* m_settings = nullptr;
    ColorSchemeTable m_scheme;
};

}  // namespace sonthra
