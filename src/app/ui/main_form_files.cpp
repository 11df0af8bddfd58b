// The File menu's document commands, forwarded to the document controller, and the window's
// side of what the controller asks of it (the recording format window, the WMA export window).
#include <QAction>
#include <QFileInfo>

#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "controls/ui/rect_button.h"
#include "convert/ui/wma_export_form.h"
#include "messages/message_table.h"
#include "settings/ui/rec_settings_form.h"

namespace sonthra {

using namespace main_form;

void TMainForm::FileNewMenuClick() {
    m_docs->FileNewMenuClick();
}
void TMainForm::FileOpenMenuClick() {
    m_docs->FileOpenMenuClick();
}
// Save and Save As share this handler; the menu item that sent it tells them apart.
void TMainForm::FileSaveMenuClick() {
    m_docs->FileSaveMenuClick(sender() == Action("FileSaveAsMenu") ? 2 : 1);
}
void TMainForm::FileRevertMenuClick() {
    m_docs->FileRevertMenuClick();
}
void TMainForm::FileCloseMenuClick() {
    m_docs->FileCloseMenuClick();
}
void TMainForm::FileImportFromWMAMenuClick() {
    m_docs->FileImportFromWMAMenuClick();
}
void TMainForm::openRequested(const QString& path, bool unsaved) {
    m_docs->OpenRequested(path, unsaved);
}
void TMainForm::recentFileChosen(int number) {
    m_docs->RecentFileChosen(number);
}

// The recording format window decides; a window made without one takes the current format.
bool TMainForm::AskRecordingFormat(RecordFormat& format) {
    if (m_recSettings != nullptr && m_recSettings->exec() != QDialog::Accepted) return false;
    format = RecordingFormat();
    return true;
}

int TMainForm::ExportToWma(const std::string& name, const std::string& source) {
    if (m_wmaExport == nullptr) return kCancelled;
    return m_wmaExport->FileExportToWma(name, source);
}

void TMainForm::ShowRenamed(const AudioDocument& document) {
    const QString caption = QFileInfo(qs(document.fileName)).fileName();
    if (DocumentParts* parts = partsOf(&document)) {
        if (parts->button) {
            parts->button->setCaption(caption);
            parts->button->setToolTip(caption);
        }
        if (parts->windowItem) parts->windowItem->setText(caption);
    }
    updateTitle();
}

}  // namespace sonthra
