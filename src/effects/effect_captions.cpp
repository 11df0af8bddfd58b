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

std::string PlainEffectWords(const std::string& name) {
    std::string words;
    bool wordStart = true;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c == '_' || c == '-') c = ' ';
        const auto u = static_cast<unsigned char>(c);
        // A capital after a small letter starts a word ("FadeIn" -> "Fade In").
        if (i > 0 && std::isupper(u) && std::islower(static_cast<unsigned char>(name[i - 1]))) {
            words += ' ';
            wordStart = true;
        }
        if (c == ' ') {
            if (!words.empty() && words.back() != ' ') words += ' ';
            wordStart = true;
            continue;
        }
        words += wordStart ? static_cast<char>(std::toupper(u)) : c;
        wordStart = false;
    }
    while (!words.empty() && words.back() == ' ') words.pop_back();
    return words;
}

std::string EffectSortKey(const std::string& caption) {
    std::string key;
    for (const char c : caption) {
        if (c != '&') key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

const std::vector<PredefinedEffectCaption>& predefinedEffectCaptions() {
    static const std::vector<PredefinedEffectCaption> captions = {
        {"EQualize", "E&qualizer..."},
        {"Normalize", "&Normalize..."},
        {"Amplify", "&Amplify..."},
        {"Reverse", "&Reverse..."},
        {"FadeIn", "Fade &In..."},
        {"FadeOut", "Fade &Out..."},
        {"Echo", "&Echo..."},
        {"Chorus", "&Chorus..."},
        {"Flange", "&Flange..."},
        {"Mix", "Mi&x..."},
        {"Scrubline", "Noise Re&duction..."},
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
    return PlainEffectWords(effectName) + "...";
}

const std::vector<EffectButton>& effectButtons() {
    static const std::vector<EffectButton> buttons = {
        {"EffectsButton1", "EQ", "Apply Equalize Effect", {"qualizer", "Qualize"}},
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
