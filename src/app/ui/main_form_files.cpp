// The File menu's document commands, forwarded to the document controller, and the window's
// side of what the controller asks of it (the recording format window, the WMA export window).
#include <QAction>
#include <QFileInfo>

#include "app/ui/document_views.h"
#include "app/ui/main_form.h"
#include "app/ui/main_form_shared.h"
#include "controls/ui/rect_button.h"
#include "convert/ui/wma_export_form.h"
#include "messages/message_table.h"
#include "settings/ui/rec_settings_form.h"

namespace sonthra {

using namespace main_form;

// Save and Save As share this handler; the menu item that sent it tells them apart.
void TMainForm::FileSaveMenuClick() {
    m_docs->FileSaveMenuClick(sender() == Action("FileSaveAsMenu") ? 2 : 1);
}

// The recording format window decides; a window made without one takes the current format.
bool TMainForm::AskRecordingFormat(RecordFormat& format) {
    if (m_recSettings != nullptr && m_recSettings->exec() != QDialog::Accepted) return false;
    format = RecordingFormat();
    return true;
}

}  // namespace sonthra
