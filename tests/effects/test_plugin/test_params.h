// The parameter block of the test plug-in, shared with the tests that steer it.
#pragma once

#include <atomic>
#include <cstdint>

inline constexpr unsigned char kTailByte = 0x11;

struct TestParams {
    // Results each entry point gives.
    int32_t dialogCode;
    int32_t queryCode;
    int32_t setCode;
    int32_t applyCode;
    int32_t applyCodeAtCall;  // the applyCode is returned from this call on (1 = the first)
    int32_t interfaceValue;
    uint32_t tailBytes;  // bytes of kTailByte delivered once the input has ended
    // What the plug-in saw.
    char sourceSeen[512];
    uint32_t caret;
    uint32_t selStart;
    uint32_t selEnd;
    uint32_t maxChunk;
    uint32_t blockAlign;
    uint32_t tailLeft;
    int32_t applyCalls;
    int32_t zeroInputCalls;
    int32_t freeCalls;
    std::atomic<int32_t> abortCalls;
    int32_t dialogChannels;
};
