// The processing library's entry points, shared by every shipped plug-in.
#include <cstring>
#include <new>

#include "effect_kit.h"

using namespace sonthra;
using namespace sonthra::fx;

#define EFFECT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

EffectParamBlock* blockOf(void* params) {
    auto* block = static_cast<EffectParamBlock*>(params);
    if (block) ensureSettings(pluginDescription(), block->settings);
    return block;
}

// Nothing thrown may reach the host.
template <typename Body>
int32_t guarded(Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kEffectNoMemory;
    } catch (...) {
        return 4106;
    }
}

}  // namespace

EFFECT_EXPORT int32_t QueryEffectInterface(void* params, int32_t* interfaceValue) {
    EffectParamBlock* block = blockOf(params);
    if (!block || !interfaceValue) return kEffectInvalidParameter;
    block->abort.store(0);
    *interfaceValue = 1;  // every shipped effect reads its source
    return kEffectOk;
}

EFFECT_EXPORT int32_t SetEffectParams(void* params, const EffectWaveFormat* format,
                                      const char* sourcePath, uint32_t caret, uint32_t selStart,
                                      uint32_t selEnd, uint32_t maxChunk) {
    (void)caret;
    EffectParamBlock* block = blockOf(params);
    if (!block) return kEffectInvalidParameter;
    return guarded(
        [&] { return setParams(*block, format, sourcePath, selStart, selEnd, maxChunk); });
}

EFFECT_EXPORT int32_t ApplyEffect(const void* input, void* output, uint32_t* inputCount,
                                  uint32_t* outputCount, void* params) {
    EffectParamBlock* block = blockOf(params);
    if (!block || !inputCount) return kEffectInvalidParameter;
    return guarded([&] { return applyChunk(*block, input, output, *inputCount, outputCount); });
}

EFFECT_EXPORT int32_t AbortEffectProcessing(void* params) {
    auto* block = static_cast<EffectParamBlock*>(params);
    if (!block) return kEffectInvalidParameter;
    block->abort.store(1);
    return kEffectOk;
}

EFFECT_EXPORT int32_t FreeEffectBuffers(void* params) {
    auto* block = static_cast<EffectParamBlock*>(params);
    if (!block) return kEffectInvalidParameter;
    freeApplication(*block);
    return kEffectOk;
}

EFFECT_EXPORT int32_t SetEffectSettingsText(void* params, const char* text) {
    EffectParamBlock* block = blockOf(params);
    if (!block || !text) return kEffectInvalidParameter;
    return guarded([&] {
        return applySettingsText(pluginDescription(), block->settings, text, nullptr)
                   ? kEffectOk
                   : kEffectInvalidParameter;
    });
}

EFFECT_EXPORT int32_t GetEffectResultText(void* params, char* text) {
    auto* block = static_cast<EffectParamBlock*>(params);
    if (!block || !text) return kEffectInvalidParameter;
    // A block that has seen no run is all zeros: an empty text.
    std::memcpy(text, block->resultText, EFFECT_TEXT_BYTES);
    text[EFFECT_TEXT_BYTES - 1] = 0;
    return kEffectOk;
}
