// The interface library's entry points, shared by every shipped plug-in: the description, and
// the settings window when the plug-in is built with the windows.
#include <cstring>

#include "effect_kit.h"

#ifdef SONTHRA_EFFECT_WINDOWS
#include "ui/effect_settings_window.h"
#endif

using namespace sonthra;
using namespace sonthra::fx;

#define EFFECT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void copyText(char* buffer, const char* text) {
    std::memset(buffer, 0, EFFECT_TEXT_BYTES);
    std::strncpy(buffer, text, EFFECT_TEXT_BYTES - 1);
}

}  // namespace

EFFECT_EXPORT int32_t GetEffectInfo(char* effectName, char* text1, char* text2,
                                    char* processingLibrary, uint32_t* paramBlockSize) {
    if (!effectName || !text1 || !text2 || !processingLibrary || !paramBlockSize) {
        return kEffectInvalidParameter;
    }
    const EffectDescription& d = pluginDescription();
    copyText(effectName, d.name);
    copyText(text1, d.text1);
    copyText(text2, d.text2);
    copyText(processingLibrary, d.processingLibrary);
    *paramBlockSize = sizeof(EffectParamBlock);
    return kEffectOk;
}

EFFECT_EXPORT int32_t ShowEffectDialog(void* owner, void* owner2, const char* processingLibrary,
                                       EffectWaveFormat format, void* params) {
    (void)owner2;
    (void)processingLibrary;
    auto* block = static_cast<EffectParamBlock*>(params);
    if (!block) return kEffectInvalidParameter;
    ensureSettings(pluginDescription(), block->settings);
#ifdef SONTHRA_EFFECT_WINDOWS
    try {
        return showEffectSettingsWindow(owner, pluginDescription(), block->settings, format);
    } catch (...) {
        return 4097;
    }
#else
    (void)owner;
    (void)format;
    return kEffectCannotShowDialog;
#endif
}
