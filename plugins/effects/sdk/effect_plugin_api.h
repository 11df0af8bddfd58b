/* The interface between the program and an effect plug-in. A plug-in is a pair of shared
 * libraries in the program's folder: an interface library named "CV<anything>UI<anything>.so",
 * which describes the effect and shows its settings window, and a processing library, which it
 * names, that processes audio in chunks. Every entry point is a plain C function returning 0
 * for success or one of the plug-in result codes below. Text buffers are single-byte and 256
 * bytes long. Plain C so that a plug-in can be written in any language. */
#ifndef SONTHRA_EFFECT_PLUGIN_API_H
#define SONTHRA_EFFECT_PLUGIN_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define EFFECT_TEXT_BYTES 256

/* The 18-byte PCM format record of a WAV file's "fmt " chunk. */
typedef struct EffectWaveFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t sampleRate;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
} EffectWaveFormat;

/* Plug-in result codes. */
enum {
    kEffectOk = 0,
    kEffectNothing = 1,
    kEffectCancelled = 2,
    kEffectInvalidParameter = 3,
    kEffectIncompatibleVersion = 4,
    kEffectFormatsDiffer = 6,
    kEffectNoMemory = 257,
    kEffectNoSourceFile = 258,
    kEffectNoDestinationFile = 259,
    kEffectCannotShowDialog = 260,
    kEffectCannotApply = 261,
    kEffectCannotReadFile = 268,
    kEffectStereoOnly = 269
};

/* Interface library. */
typedef int32_t (*GetEffectInfoFn)(char* effectName, char* text1, char* text2,
                                   char* processingLibrary, uint32_t* paramBlockSize);
/* 0 = apply with the settings now in the parameter block, 2 = cancelled, else an error. */
typedef int32_t (*ShowEffectDialogFn)(void* owner, void* owner2, const char* processingLibrary,
                                      EffectWaveFormat format, void* params);

/* Processing library. A value above 0 asks the host to pass the source file's path to
 * SetEffectParams. */
typedef int32_t (*QueryEffectInterfaceFn)(void* params, int32_t* interfaceValue);
/* Positions are byte offsets into the "data" chunk; start and end both 0 means the whole
 * file. maxChunk is the largest input count ApplyEffect will get. */
typedef int32_t (*SetEffectParamsFn)(void* params, const EffectWaveFormat* format,
                                     const char* sourcePath, uint32_t caret, uint32_t selStart,
                                     uint32_t selEnd, uint32_t maxChunk);
/* Input count 0 asks for what the effect still holds; an output count of 0 means the effect is
 * finished. The output buffer holds maxChunk bytes. */
typedef int32_t (*ApplyEffectFn)(const void* input, void* output, uint32_t* inputCount,
                                 uint32_t* outputCount, void* params);
/* Called from another thread while ApplyEffect may be running. */
typedef int32_t (*AbortEffectProcessingFn)(void* params);
typedef int32_t (*FreeEffectBuffersFn)(void* params);

/* Optional, processing library: changes the settings in the parameter block from text lines
 * "key=value". 0, or 3 when a key is unknown or a value out of range (nothing changes then). */
typedef int32_t (*SetEffectSettingsTextFn)(void* params, const char* text);

/* Optional, processing library: after a run that the host finished (FreeEffectBuffers may have
 * come since), what the effect did when the user should know it ("reached -18.2 LUFS: ..."),
 * written into text (EFFECT_TEXT_BYTES) NUL-terminated; an empty text when all went as set. A
 * plug-in without it says nothing. */
typedef int32_t (*GetEffectResultTextFn)(void* params, char* text);

#ifdef __cplusplus
}
#endif

#endif
