// The six status bar panels and the window title; their texts are window_texts.cpp's.
#include <QLabel>
#include <QStatusBar>

#include "app/ui/main_form.h"
#include "app/ui/window_texts.h"

namespace sonthra {

namespace {

constexpr int kPanelMinimumWidths[TMainForm::kStatusPanels] = {150, 80, 60, 60, 80, 90};

}  // namespace

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

void TMainForm::SetDocumentTitle(const QString& fileName, bool readOnly, bool unsaved) {
    setWindowTitle(TitleText(fileName, readOnly, unsaved));
}

}  // namespace sonthra
