// Settings text as the command line and a plug-in's text entry take it: any bytes must give
// either a block within the table's ranges or a refusal that leaves the block as it was.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "effect_settings.h"

namespace {

const sonthra::EffectDescription& description() {
    using sonthra::SettingKind;
    static const sonthra::EffectDescription d{
        "Fuzz",
        "a",
        "b",
        "CVFuzz.so",
        {{"mode", "Mode", SettingKind::Choice, 0, 1, 0, 0, "peak|loudness"},
         {"level", "Level", SettingKind::Number, -60, 0, -1, 1, nullptr, "mode=peak"},
         {"file", "File", SettingKind::File, 0, 0, 0, 0}}};
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sonthra::EffectSettingsBlock block{};
    sonthra::ensureSettings(description(), block);
    const sonthra::EffectSettingsBlock before = block;
    std::string error;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (sonthra::applySettingsText(description(), block, text, &error)) {
        if (!(block.values[1] >= -60 && block.values[1] <= 0)) std::abort();
        if (block.values[0] != 0 && block.values[0] != 1) std::abort();
        if (block.file[sonthra::kEffectFileBytes - 1] != '\0') std::abort();
        (void)sonthra::settingsText(description(), block);
    } else if (std::memcmp(&block, &before, sizeof block) != 0 || error.empty()) {
        std::abort();
    }
    return 0;
}
