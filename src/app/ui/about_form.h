// The about window of Help, About: the product caption, its version and its maker. Created
// hidden with the main window and shown on request. Call only from the GUI thread.
#pragma once

#include <QDialog>

namespace sonthra {

// The version shown to the user; it follows the project version of the build.
inline constexpr const char* kProductVersion = "0.1.0";

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    // "Version 0.1.0"
    static QString VersionText();
};

}  // namespace sonthra
