// The main window's effect and tool commands: one-line forwards to the effects controller and
// to the tools of the Edit menu.
#include <QAction>

#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"
#include "app/ui/tools_controller.h"

namespace sonthra {

void TMainForm::StartEffects(const std::string& folder) {
    if (!m_effects) m_effects = std::make_shared<EffectsController>(*this, m_dialogs);
    m_effects->Start(folder);
}

void TMainForm::CommonMenuClick(QAction* menuKey) {
    if (m_effects) m_effects->Apply(reinterpret_cast<std::uintptr_t>(menuKey));
}

void TMainForm::EditMuteMenuClick() {
    ToolsController(*this, m_dialogs, m_settings).Mute();
}
void TMainForm::EditTrimSilenceMenuClick() {
    ToolsController(*this, m_dialogs, m_settings).TrimSilence();
}
void TMainForm::EditInsertSilenceMenuClick() {
    ToolsController(*this, m_dialogs, m_settings).InsertSilence();
}
void TMainForm::EditChangeFormatMenuClick() {
    ToolsController(*this, m_dialogs, m_settings).ChangeFormat();
}

}  // namespace sonthra
