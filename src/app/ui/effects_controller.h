// The effects of the main window: the plug-ins loaded at start-up, the Effects menu, its pop-up
// twin, the five buttons and Tools, Scrubline, and the application of a chosen effect as a file
// transform of the edit controller (settings window, "Applying effect..." with Cancel, undo
// file, refresh with the selection put back). Call from the GUI thread.
#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/ui/window_controllers.h"
#include "edit/file_transform.h"
#include "effects/effect_host.h"
#include "effects/effect_menu.h"
#include "effects/effect_processing.h"

class QAction;
class QMenu;

namespace sonthra {

class UserDialogs;

// One effect application as a transform of the working copy: the plug-in's three phases on a
// worker. The effect's output goes in only with the previous audio kept as the undo file.
class EffectTransform final : public FileTransform {
public:
    // first and last: the selection as the display holds it (either order; equal = the whole
    // file).
    EffectTransform(EffectPlugin& plugin, std::uint32_t first, std::uint32_t last,
                    std::uint32_t caret)
        : m_plugin(plugin), m_first(first), m_last(last), m_caret(caret) {}

    std::string caption() const override;
    bool undoRequired() const override { return true; }
    std::unique_ptr<LongOperation> start(const std::string& source, const std::string& result,
                                         int& refused) override;

private:
    EffectPlugin& m_plugin;
    std::uint32_t m_first;
    std::uint32_t m_last;
    std::uint32_t m_caret;
};

class EffectsController {
public:
    // The effects' items go into effectsMenu and into a pop-up twin of it made here (the More...
    // button shows it); both belong to the window.
    EffectsController(const WindowControllers& host, UserDialogs& dialogs, QMenu& effectsMenu);
    ~EffectsController() { Stop(); }
    EffectsController(const EffectsController&) = delete;
    EffectsController& operator=(const EffectsController&) = delete;

    // Loads the plug-in pairs of folder and adds their menu items (the window's start-up uses
    // the program's folder). A second call first removes what the previous one loaded.
    void Start(const std::string& folder);
    // The menu items and the plug-ins go (shutdown, or with the window).
    void Stop();

    // Appends an effect to the Effects menu and the pop-up with this caption and returns the
    // Effects menu item, whose identity is the effect's menu key. FreeEffectMenuItems removes
    // every item made so.
    QAction* AddEffectMenuItem(const QString& caption);
    void FreeEffectMenuItems();
    QMenu* EffectsPopupMenu() const { return m_popup; }
    // An Effects menu item: CommonMenuClick under the busy flag (a flag already set, as playback
    // holds it, stays set). A pop-up item runs its twin in the Effects menu.
    void SampleEffectMenuItemClick(QAction* item);
    void SampleEffectsPopupMenuItemClick(QAction* popupItem);
    void CommonMenuClick(QAction* menuKey) { Apply(reinterpret_cast<std::uintptr_t>(menuKey)); }
    // Shows the pop-up below the More... button.
    void MoreEffectsButtonClick();
    QMenu* FadePopupMenu() const { return m_fadePopup; }

    const EffectPluginList& Plugins() const { return m_plugins; }
    const EffectMenuModel& Menu() const { return m_menu; }

    // CommonMenuClick: the effect of this Effects menu item, through its settings window, then
    // applied to the current document. 0, 129 or the message number already shown.
    int Apply(std::uintptr_t menuKey);
    // The Effects menu item (its identity) a button (1 to 5) or Tools, Scrubline runs.
    std::optional<std::uintptr_t> ButtonTarget(int button) const {
        return m_menu.buttonTarget(button);
    }
    std::optional<std::uintptr_t> ScrublineTarget() const { return m_menu.scrublineTarget(); }
    // The buttons and Tools, Scrubline run the Effects menu item chosen for them when the menu
    // was built: the item of that identity, whatever it shows now (nothing without one).
    void EffectsButton1Click() { runItem(ButtonTarget(1)); }
    // Fade offers Fade In and Fade Out below the button when both are there.
    void EffectsButton2Click();
    void EffectsButton3Click() { runItem(ButtonTarget(3)); }
    void EffectsButton4Click() { runItem(ButtonTarget(4)); }
    void EffectsButton5Click() { runItem(ButtonTarget(5)); }
    void ScrublineMenuClick() { runItem(ScrublineTarget()); }

private:
    void runItem(std::optional<std::uintptr_t> menuKey);

    WindowControllers m_host;
    UserDialogs& m_dialogs;
    QMenu& m_effectsMenu;
    QMenu* m_popup;
    QMenu* m_fadePopup;
    QList<QAction*> m_items;
    EffectPluginList m_plugins;
    EffectMenuModel m_menu;
};

}  // namespace sonthra
