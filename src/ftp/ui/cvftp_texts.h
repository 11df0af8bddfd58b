// Texts and conversions the FTP window's files share.
#pragma once

#include <QString>

#include <string>

namespace sonthra::cvftp {

// The caption of the window's own error boxes, whatever the company.
inline constexpr const char* kErrorCaption = "Corvanta FTP Interface";

inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace sonthra::cvftp
