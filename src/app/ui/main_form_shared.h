// Small names the main window's own files share. Include only from src/app/ui/main_form*.cpp.
#pragma once

#include <QString>

#include <string>

namespace sonthra::main_form {

// "Cannot create wave file": a temporary file could not be made in the workspace.
inline constexpr int kTempFileNotMade = 160;
inline constexpr const char* kBuildingPeaks = "Building Peaks...";

inline QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace sonthra::main_form
