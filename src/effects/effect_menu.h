// The effects' menus without the widgets: the Effects menu items and their pop-up twins built
// from the plug-in list, what the five buttons, More... items and Tools, Scrubline run, and the
// settings-window step before an effect is applied. The main window creates the real menu items
// and hands their identities in; everything else is decided here. Call from the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "effects/effect_host.h"

namespace sonthra {

struct EffectMenuItem {
    std::string caption;
    std::uintptr_t key = 0;  // the identity of the Effects menu item
    EffectPlugin* plugin = nullptr;
};

class EffectMenuModel {
public:
    // Creates a menu item (and its pop-up twin) with the caption and returns the Effects menu
    // item's identity.
    using AddItem = std::function<std::uintptr_t(const std::string& caption)>;

    // One item per plug-in, captioned by GetPredefinedEffectMenuItemName and sorted by caption;
    // sets each record's menu key.
    void AddEffectMenuItems(EffectPluginList& plugins, const AddItem& addItem);
    void FreeEffectMenuItems() { m_items.clear(); }
    const std::vector<EffectMenuItem>& items() const { return m_items; }

    // The item EffectsButton1..5 runs (button 1 to 5), or none. Targets are the identities of
    // the items, chosen by the captions made here from the effect names when the menu was built:
    // what a menu item shows later does not redirect a button. (A pop-up item is made for one
    // Effects menu item and runs that one; two effects of one caption keep their own items.)
    std::optional<std::uintptr_t> buttonTarget(int button) const;
    // The item Tools, Scrubline runs, or none.
    std::optional<std::uintptr_t> scrublineTarget() const;
    // What the Fade button offers when both fades are there: the first Fade In and the first
    // Fade Out item, in that order; otherwise nothing (the button runs its target directly).
    std::vector<EffectMenuItem> fadeChoices() const;

private:
    std::optional<std::uintptr_t> firstContaining(const std::vector<const char*>& texts) const;
    std::vector<EffectMenuItem> m_items;
};

// Steps 1 to 3 of choosing an effect once the document is ready for editing: the plug-in, unless
// its name is one of those that do nothing (then 129: nothing to show), shows its settings window
// for the working file's format. 0 = apply; 129 = cancelled or nothing to do (show nothing);
// otherwise the message number to show (the file's header error, 164 for a file without audio,
// or the plug-in's code translated).
int ShowEffectSettings(EffectPlugin& plugin, void* owner, const std::string& workFile);

}  // namespace sonthra
