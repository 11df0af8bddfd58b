// The effects controller, started with the plug-ins' folder, and the Effects menu's items.
#include <QAction>
#include <QMenu>

#include "app/ui/effects_controller.h"
#include "app/ui/main_form.h"

namespace sonthra {

void TMainForm::StartEffects(const std::string& folder) {
    if (!m_effects) m_effects = std::make_shared<EffectsController>(*this, m_dialogs);
    m_effects->Start(folder);
}

void TMainForm::CommonMenuClick(QAction* menuKey) {
    if (m_effects) m_effects->Apply(reinterpret_cast<std::uintptr_t>(menuKey));
}

}  // namespace sonthra
