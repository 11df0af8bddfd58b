// A plug-in pair for the host's tests, built in several variants (see CMakeLists.txt). Its
// behaviour is steered through its parameter block (TestParams), which the tests write: what
// each entry point returns, how many bytes of tail it adds, and what it saw.
#include <cstring>

#include "effect_plugin_api.h"
#include "test_params.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

#ifdef TP_INTERFACE

EXPORT int32_t GetEffectInfo(char* name, char* text1, char* text2, char* processing,
                             uint32_t* size) {
    if (TP_INFO_CODE != 0) return TP_INFO_CODE;
#ifdef TP_NO_NUL
    std::memset(name, 'N', EFFECT_TEXT_BYTES);
#else
    std::strcpy(name, TP_NAME);
#endif
    std::strcpy(text1, "first text");
    std::strcpy(text2, TP_TEXT2);
    std::strcpy(processing, TP_PROCESSING);
    *size = TP_SIZE;
    return 0;
}

EXPORT int32_t ShowEffectDialog(void*, void*, const char*, EffectWaveFormat format, void* params) {
    auto* p = static_cast<TestParams*>(params);
    p->dialogChannels = format.channels;
    return p->dialogCode;
}

#else

EXPORT int32_t QueryEffectInterface(void* params, int32_t* value) {
    auto* p = static_cast<TestParams*>(params);
    *value = p->interfaceValue;
    return p->queryCode;
}

EXPORT int32_t SetEffectParams(void* params, const EffectWaveFormat* format, const char* source,
                               uint32_t caret, uint32_t selStart, uint32_t selEnd,
                               uint32_t maxChunk) {
    auto* p = static_cast<TestParams*>(params);
    std::strncpy(p->sourceSeen, source, sizeof p->sourceSeen - 1);
    p->caret = caret;
    p->selStart = selStart;
    p->selEnd = selEnd;
    p->maxChunk = maxChunk;
    p->blockAlign = format->blockAlign;
    p->tailLeft = p->tailBytes;
    p->applyCalls = 0;
    p->zeroInputCalls = 0;
    return p->setCode;
}

#ifndef TP_NO_APPLY
EXPORT int32_t ApplyEffect(const void* in, void* out, uint32_t* inCount, uint32_t* outCount,
                           void* params) {
    auto* p = static_cast<TestParams*>(params);
    ++p->applyCalls;
    if (p->applyCode != 0 && p->applyCalls >= p->applyCodeAtCall) return p->applyCode;
    if (*inCount > 0) {
        std::memcpy(out, in, *inCount);
        *outCount = *inCount;
        return 0;
    }
    ++p->zeroInputCalls;
    const uint32_t n = p->tailLeft < p->maxChunk ? p->tailLeft : p->maxChunk;
    std::memset(out, kTailByte, n);
    p->tailLeft -= n;
    *outCount = n;
    return 0;
}
#endif

EXPORT int32_t AbortEffectProcessing(void* params) {
    static_cast<TestParams*>(params)->abortCalls++;
    return 0;
}

EXPORT int32_t FreeEffectBuffers(void* params) {
    static_cast<TestParams*>(params)->freeCalls++;
    return 0;
}

#endif
