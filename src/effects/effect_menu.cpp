#include "effects/effect_menu.h"

#include <algorithm>

#include "effects/effect_captions.h"
#include "effects/effect_codes.h"
#include "wave/wave_probe.h"

namespace sonthra {

void EffectMenuModel::AddEffectMenuItems(EffectPluginList& plugins, const AddItem& addItem) {
    m_items.clear();
    for (const auto& plugin : plugins.plugins()) {
        EffectMenuItem item;
        item.caption = GetPredefinedEffectMenuItemName(plugin->effectName, nullptr);
        item.plugin = plugin.get();
        m_items.push_back(item);
    }
    // Sorted by what the user reads, whatever order the plug-ins were found in.
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const EffectMenuItem& a, const EffectMenuItem& b) {
                         return EffectSortKey(a.caption) < EffectSortKey(b.caption);
                     });
    for (EffectMenuItem& item : m_items) {
        item.key = addItem(item.caption);
        item.plugin->menuKey = item.key;
    }
}

std::optional<std::uintptr_t> EffectMenuModel::firstContaining(
    const std::vector<const char*>& texts) const {
    std::vector<std::string> captions;
    for (const EffectMenuItem& item : m_items) captions.push_back(item.caption);
    const int at = findEffectCaption(captions, texts);
    if (at < 0) return std::nullopt;
    return m_items[static_cast<std::size_t>(at)].key;
}

std::optional<std::uintptr_t> EffectMenuModel::buttonTarget(int button) const {
    const auto& buttons = effectButtons();
    if (button < 1 || button > static_cast<int>(buttons.size())) return std::nullopt;
    return firstContaining(buttons[static_cast<std::size_t>(button - 1)].searched);
}

std::optional<std::uintptr_t> EffectMenuModel::scrublineTarget() const {
    return firstContaining({kScrublineSearched});
}

std::vector<EffectMenuItem> EffectMenuModel::fadeChoices() const {
    std::vector<EffectMenuItem> choices;
    for (const char* key : {"FadeIn", "FadeOut"}) {
        bool predefined = false;
        const std::string caption = GetPredefinedEffectMenuItemName(key, &predefined);
        const auto found =
            std::find_if(m_items.begin(), m_items.end(),
                         [&](const EffectMenuItem& i) { return i.caption == caption; });
        if (found == m_items.end()) return {};
        choices.push_back(*found);
    }
    return choices;
}

int ShowEffectSettings(EffectPlugin& plugin, void* owner, const std::string& workFile) {
    if (isInertEffect(plugin.effectName)) return 129;
    WaveFormat format;
    std::uint32_t frames = 0;
    const int probed = probeWave(workFile, &frames, &format);
    if (probed != 0) return probed;
    if (frames == 0) return 164;
    const EffectWaveFormat wf{format.formatTag,      format.channels,   format.sampleRate,
                              format.avgBytesPerSec, format.blockAlign, format.bitsPerSample,
                              format.extraSize};
    const int code =
        plugin.ShowEffectDialog(owner, owner, plugin.processingLibrary.c_str(), wf, plugin.params);
    if (code == 0) return 0;
    const int message = EffectCodeToMessage(code);
    return message == 0 ? 129 : message;
}

}  // namespace sonthra
