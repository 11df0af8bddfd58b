// How the shipped effect plug-ins describe their settings: a table of named values with ranges
// and defaults, the settings block they keep inside their parameter block, and the text form
// "key=value" (one per line) that the command line and the settings windows use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonthra {

enum class SettingKind { Number, Choice, File };

struct EffectSetting {
    const char* key;    // "gain-db"
    const char* label;  // "Gain (dB)"
    SettingKind kind;
    double minimum;
    double maximum;
    double defaultValue;  // for Choice: the index of the default choice
    int decimals;
    const char* choices = nullptr;  // Choice: "linear|log"
    // Setting this key by text also sets another: "mode=loudness".
    const char* selects = nullptr;
};

struct EffectDescription {
    const char* name;
    const char* text1;
    const char* text2;
    const char* processingLibrary;
    std::vector<EffectSetting> settings;
};

inline constexpr int kMaxEffectValues = 16;
inline constexpr int kEffectFileBytes = 1024;
inline constexpr std::uint32_t kSettingsMagic = 0x58465643;  // "CVFX"

// The settings part of a plug-in's parameter block. A block the host has just zero-filled has
// no magic yet and takes the defaults on first use.
struct EffectSettingsBlock {
    std::uint32_t magic;
    std::uint32_t count;
    double values[kMaxEffectValues];
    char file[kEffectFileBytes];  // the one File setting, NUL-terminated
};

void resetSettings(const EffectDescription& description, EffectSettingsBlock& block);
// Resets the block when it holds no settings yet.
void ensureSettings(const EffectDescription& description, EffectSettingsBlock& block);

// The index of key in the description, or -1.
int findSetting(const EffectDescription& description, const std::string& key);
// The names of a Choice setting's choices.
std::vector<std::string> settingChoices(const EffectSetting& setting);

// Applies "key=value" lines (blank lines ignored) to the block: true, or false with the block
// unchanged and *error saying which line is wrong.
bool applySettingsText(const EffectDescription& description, EffectSettingsBlock& block,
                       const std::string& text, std::string* error);

// The block as "key=value" lines, in table order.
std::string settingsText(const EffectDescription& description, const EffectSettingsBlock& block);

}  // namespace sonthra
