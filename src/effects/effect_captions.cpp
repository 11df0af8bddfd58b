#include "effects/effect_captions.h"

#include <algorithm>
#include <cctype>

namespace sonthra {

namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

const std::vector<PredefinedEffectCaption>& predefinedEffectCaptions() {
    static const std::vector<PredefinedEffectCaption> captions = {
        {"EQualize", "E&Qualize..."}, {"Normalize", "&Normalize..."}, {"Amplify", "&Amplify..."},
        {"Reverse", "&Reverse..."},   {"FadeIn", "Fade &In..."},      {"FadeOut", "Fade &Out..."},
        {"Echo", "&Echo..."},         {"Chorus", "&Chorus..."},       {"Flange", "&Flange..."},
        {"Mix", "Mi&x..."},
    };
    return captions;
}

std::string GetPredefinedEffectMenuItemName(const std::string& effectName, bool* predefined) {
    const std::string name = upper(effectName);
    for (const auto& entry : predefinedEffectCaptions()) {
        if (name.find(upper(entry.key)) != std::string::npos) {
            if (predefined) *predefined = true;
            return entry.caption;
        }
    }
    if (predefined) *predefined = false;
    if (effectName.find("...") != std::string::npos) return effectName;
    return effectName + "...";
}

const std::vector<EffectButton>& effectButtons() {
    static const std::vector<EffectButton> buttons = {
        {"EffectsButton1", "EQ", "Apply Equalize Effect", {"Qualize"}},
        {"EffectsButton2", "Fade", "Apply Fade Effect", {"Fade"}},
        {"EffectsButton3", "Normalize", "Apply Normalize Effect", {"Normalize"}},
        {"EffectsButton4", "Echo", "Apply Echo Effect", {"Echo"}},
        {"EffectsButton5", "Mix", "Mix", {"Mix", "Mi&x"}},
    };
    return buttons;
}

int findEffectCaption(const std::vector<std::string>& captions,
                      const std::vector<const char*>& searched) {
    for (std::size_t i = 0; i < captions.size(); ++i) {
        for (const char* text : searched) {
            if (captions[i].find(text) != std::string::npos) return static_cast<int>(i);
        }
    }
    return -1;
}

bool isInertEffect(const std::string& effectName) {
    for (const char* name : {"Center Channel Removal", "Note Scrubber", "Mono to Stereo"}) {
        if (effectName.find(name) != std::string::npos) return true;
    }
    return false;
}

PopupPoint moreEffectsPopupPoint(int buttonLeft, int buttonTop, int buttonHeight, int windowLeft,
                                 int windowTop, int windowHeight, int clientHeight) {
    return {buttonLeft + windowLeft,
            windowTop + windowHeight - clientHeight + buttonTop + buttonHeight};
}

}  // namespace sonthra
