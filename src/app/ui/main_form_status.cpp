// The six status bar panels and the window title.
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>

#include "app/ui/main_form.h"
#include "messages/message_table.h"

namespace sonthra {

namespace {

constexpr int kShownNameLength = 16;
constexpr int kPanelMinimumWidths[TMainForm::kStatusPanels] = {150, 80, 60, 60, 80, 90};

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

QString TitleText(const QString& fileName, bool readOnly) {
    QString title = QString::fromUtf8(kProductCaption);
    if (fileName.isEmpty()) return title;
    title += ": " + QFileInfo(fileName).fileName();
    if (readOnly) title += " (Read Only)";
    return title;
}

void TMainForm::buildStatusBar() {
    for (int i = 0; i < kStatusPanels; ++i) {
        auto* label = new QLabel(statusBar());
        label->setObjectName(QString("StatusPanel%1").arg(i + 1));
        label->setMinimumWidth(kPanelMinimumWidths[i]);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(label, i == 0 ? 2 : 1);
        m_statusPanels.append(label);
    }
}

void TMainForm::SetStatusBar(const QStringList& texts) {
    for (int i = 0; i < kStatusPanels; ++i) {
        m_statusPanels[i]->setText(i < texts.size() ? texts[i] : QString());
    }
}

QString TMainForm::StatusPanelText(int panel) const {
    if (panel < 0 || panel >= m_statusPanels.size()) return {};
    return m_statusPanels[panel]->text();
}

void TMainForm::SetDocumentTitle(const QString& fileName, bool readOnly) {
    setWindowTitle(TitleText(fileName, readOnly));
}

}  // namespace sonthra
