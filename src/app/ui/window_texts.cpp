#include "app/ui/window_texts.h"

#include <QFileInfo>

#include "messages/message_table.h"

namespace sonthra {

namespace {

constexpr int kShownNameLength = 16;

QString padded(quint32 value, int width) {
    return QString::number(value).rightJustified(width, '0');
}

}  // namespace

QStringList StatusBarTexts(const StatusBarInfo& info) {
    QString name = QFileInfo(info.fileName).fileName();
    if (name.size() > kShownNameLength) name = name.left(kShownNameLength) + "....";
    const quint32 ms = info.lengthMs;
    const QString length =
        QString("%1:%2:%3")
            .arg(padded(ms / 60000, 3), padded(ms % 60000 / 1000, 2), padded(ms % 1000, 3));
    return {name,
            QString("%1 Hz").arg(info.sampleRate),
            QString("%1 Bit").arg(info.bits),
            info.channels == 1 ? QString("Mono") : QString("Stereo"),
            QString("1:%1").arg(info.zoomLevel),
            length};
}

QString TitleText(const QString& fileName, bool readOnly, bool unsaved) {
    QString title = QString::fromUtf8(kProductCaption);
    if (fileName.isEmpty()) return title;
    title += ": " + QString(unsaved ? "*" : "") + QFileInfo(fileName).fileName();
    if (readOnly) title += " (Read Only)";
    return title;
}

QString ShortenMenuPath(const QString& path, int maxLength) {
    if (path.size() <= maxLength) return path;
    const bool rooted = path.startsWith('/');
    QStringList parts = path.split('/', Qt::SkipEmptyParts);
    if (parts.size() < 2) return path;
    const QString name = parts.takeLast();
    // parts now holds the folders; the first stays, like a drive, the inner ones give way.
    const QString head = (rooted ? "/" : "") + parts.takeFirst();
    auto joined = [&](bool elided) {
        QString text = head;
        if (elided) text += "/...";
        for (const QString& folder : parts) text += '/' + folder;
        return text + '/' + name;
    };
    bool elided = false;
    QString text = joined(elided);
    while (text.size() > maxLength && !parts.isEmpty()) {
        parts.removeFirst();
        elided = true;
        text = joined(elided);
    }
    return text;
}

}  // namespace sonthra
