// The texts the main window shows about a document: the status bar's six panels, the title and
// the recent-files entries. Plain functions of their inputs.
#pragma once

#include <QString>
#include <QStringList>

namespace sonthra {

// What the six status bar panels show for a document.
struct StatusBarInfo {
    QString fileName;
    quint32 sampleRate = 0;
    quint16 bits = 0;
    quint16 channels = 0;
    quint32 zoomLevel = 0;
    quint32 lengthMs = 0;
};

// The six panel texts: the name without its folder (cut to 16 characters and "...."),
// "<rate> Hz", "<bits> Bit", "Mono" or "Stereo", "1:<zoom>", the length as "mmm:ss:mmm".
QStringList StatusBarTexts(const StatusBarInfo& info);

// The window title: the product caption, or the caption, ": " and the name without its folder,
// the name marked "*" while the document holds unsaved work, with " (Read Only)" for a
// read-only document.
QString TitleText(const QString& fileName, bool readOnly, bool unsaved = false);

// A recent-files entry shortened to at most maxLength characters: the root and the file name
// stay, inner folders are replaced one at a time by "/.../" until the text fits.
QString ShortenMenuPath(const QString& path, int maxLength = 100);

}  // namespace sonthra
