// Small names the main window's own files share (and DocumentViews, which builds the peaks).
// Include only from src/app/ui.
#pragma once

#include <QString>

#include <string>

#include "dialogs/ui/user_dialogs.h"
#include "view/view_errors.h"

namespace sonthra::main_form {

// "Cannot create wave file": a temporary file could not be made in the workspace.
inline constexpr int kTempFileNotMade = 160;
inline constexpr const char* kBuildingPeaks = "Building Peaks...";

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Shows a display code's message (several codes have none) and returns what was shown, or the
// code when nothing was.
inline int showViewError(UserDialogs& dialogs, QWidget* parent, int code) {
    const int message = ViewErrorToMessage(code);
    if (message != 0) ShowMessage(dialogs, parent, message);
    return message != 0 ? message : code;
}

}  // namespace sonthra::main_form
