// The main window's effect and tool commands: one-line forwards to the effects controller and
// to the tools of the Edit menu.
#include <QAction>
#include <QMenu>

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

namespace {

// The buttons and Scrubline run the item the effects controller chose for them when the menu
// was built: the item of that identity, whatever it shows now.
void runEffectItem(const QMenu* effectsMenu, std::optional<std::uintptr_t> key) {
    if (effectsMenu == nullptr || !key) return;
    for (QAction* item : effectsMenu->actions()) {
        if (reinterpret_cast<std::uintptr_t>(item) == *key) {
            item->trigger();
            return;
        }
    }
}

}  // namespace

void TMainForm::EffectsButton1Click() {
    if (m_effects) runEffectItem(m_menus.value("EffectsMenu"), m_effects->ButtonTarget(1));
}
void TMainForm::EffectsButton2Click() {
    if (m_effects) runEffectItem(m_menus.value("EffectsMenu"), m_effects->ButtonTarget(2));
}
void TMainForm::EffectsButton3Click() {
    if (m_effects) runEffectItem(m_menus.value("EffectsMenu"), m_effects->ButtonTarget(3));
}
void TMainForm::EffectsButton4Click() {
    if (m_effects) runEffectItem(m_menus.value("EffectsMenu"), m_effects->ButtonTarget(4));
}
void TMainForm::EffectsButton5Click() {
    if (m_effects) runEffectItem(m_menus.value("EffectsMenu"), m_effects->ButtonTarget(5));
}
void TMainForm::ScrublineMenuClick() {
    if (m_effects) runEffectItem(m_menus.value("EffectsMenu"), m_effects->ScrublineTarget());
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
