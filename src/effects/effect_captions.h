// Menu captions of the effects and the texts the quick effect buttons look for: data and pure
// functions that the main window's menus use.
#pragma once

#include <string>
#include <vector>

namespace sonthra {

struct PredefinedEffectCaption {
    const char* key;
    const char* caption;
};

// The ten keys, in the order they are tried.
const std::vector<PredefinedEffectCaption>& predefinedEffectCaptions();

// The menu caption of an effect: the caption of the first key that the name contains (both
// upper-cased), with predefined = true; otherwise the name in plain words followed by "..."
// (the name as it is when it already contains "...").
std::string GetPredefinedEffectMenuItemName(const std::string& effectName, bool* predefined);

// A plug-in's name as words a user reads: underscores and dashes are spaces, a capital after a
// small letter starts a word, every word begins with a capital ("noise_gate" -> "Noise Gate").
std::string PlainEffectWords(const std::string& name);

// The key the Effects menu is sorted by: the caption without its accelerator mark, in small
// letters.
std::string EffectSortKey(const std::string& caption);

struct EffectButton {
    const char* name;                   // EffectsButton1 ...
    const char* caption;                // "EQ"
    const char* hint;                   // "Apply Equalize Effect"
    std::vector<const char*> searched;  // a menu caption containing any of these matches
};

// The five quick effect buttons in order.
const std::vector<EffectButton>& effectButtons();

inline constexpr const char* kMoreEffectsCaption = "More...";
inline constexpr const char* kMoreEffectsHint = "Click here for more effects...";
inline constexpr const char* kScrublineSearched = "Noise Re&duction";
inline constexpr const char* kApplyingEffectCaption = "Applying effect...";

// The index of the first caption that contains any of the searched texts (case-sensitive), or
// -1. Used by the buttons and by Tools, Scrubline.
int findEffectCaption(const std::vector<std::string>& captions,
                      const std::vector<const char*>& searched);

// Effects that are listed but do nothing when chosen.
bool isInertEffect(const std::string& effectName);

// Where More... pops its menu up, in screen coordinates, from the button's and the window's
// geometry.
struct PopupPoint {
    int x = 0;
    int y = 0;
};
PopupPoint moreEffectsPopupPoint(int buttonLeft, int buttonTop, int buttonHeight, int windowLeft,
                                 int windowTop, int windowHeight, int clientHeight);

}  // namespace sonthra
