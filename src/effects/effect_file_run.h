// One effect applied to a WAV file outside any document: the named plug-in, optional settings
// as "key=value" texts, a selection, the same three phases as in the program; the result goes
// to a new file in the output's folder that replaces the output only when complete. For the
// command line and for tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "effects/effect_host.h"

namespace sonthra {

struct EffectFileJob {
    std::string effectName;  // matched without regard to case
    std::string input;
    std::string output;
    std::uint32_t selectionStart = 0;  // frames; equal ends = the whole file
    std::uint32_t selectionEnd = 0;
    std::vector<std::string> settings;  // "key=value"
};

// Result codes beyond message numbers, for what the command line words itself.
inline constexpr int kEffectUnknownName = -1;
inline constexpr int kEffectSettingRefused = -2;

// 0, 129 when interrupted is set while it runs, kEffectUnknownName, kEffectSettingRefused (with
// the setting in *detail), or a message number. progress, when given, gets the percent done
// from the calling thread about every 10 ms.
int applyEffectToFile(const EffectPluginList& plugins, const EffectFileJob& job,
                      std::string* detail, const std::atomic<bool>* interrupted = nullptr,
                      const std::function<void(int)>& progress = {});

}  // namespace sonthra
