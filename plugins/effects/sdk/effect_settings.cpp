#include "effect_settings.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace sonthra {

namespace {

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool parseNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

// One "key=value" applied to block; false with *error on a wrong key or value.
bool applyOne(const EffectDescription& description, EffectSettingsBlock& block,
              const std::string& key, const std::string& value, std::string* error) {
    const int index = findSetting(description, key);
    if (index < 0) {
        if (error) *error = "unknown setting \"" + key + "\"";
        return false;
    }
    const EffectSetting& setting = description.settings[index];
    switch (setting.kind) {
        case SettingKind::File:
            if (value.size() >= kEffectFileBytes) {
                if (error) *error = "the file name for \"" + key + "\" is too long";
                return false;
            }
            std::memset(block.file, 0, sizeof block.file);
            std::memcpy(block.file, value.data(), value.size());
            break;
        case SettingKind::Choice: {
            const auto choices = settingChoices(setting);
            int found = -1;
            for (std::size_t i = 0; i < choices.size(); ++i) {
                if (choices[i] == value) found = static_cast<int>(i);
            }
            if (found < 0) {
                if (error) *error = "\"" + key + "\" takes one of " + std::string(setting.choices);
                return false;
            }
            block.values[index] = found;
            break;
        }
        case SettingKind::Number: {
            double number = 0;
            if (!parseNumber(value, number) || number < setting.minimum ||
                number > setting.maximum) {
                std::ostringstream range;
                range << "\"" << key << "\" takes a number from " << setting.minimum << " to "
                      << setting.maximum;
                if (error) *error = range.str();
                return false;
            }
            block.values[index] = number;
            break;
        }
    }
    if (setting.selects) {
        const std::string selects = setting.selects;
        const auto eq = selects.find('=');
        return applyOne(description, block, selects.substr(0, eq), selects.substr(eq + 1), error);
    }
    return true;
}

}  // namespace

void resetSettings(const EffectDescription& description, EffectSettingsBlock& block) {
    std::memset(&block, 0, sizeof block);
    block.magic = kSettingsMagic;
    block.count = static_cast<std::uint32_t>(description.settings.size());
    for (std::size_t i = 0; i < description.settings.size() && i < kMaxEffectValues; ++i) {
        block.values[i] = description.settings[i].defaultValue;
    }
}

void ensureSettings(const EffectDescription& description, EffectSettingsBlock& block) {
    if (block.magic != kSettingsMagic || block.count != description.settings.size()) {
        resetSettings(description, block);
    }
    block.file[kEffectFileBytes - 1] = '\0';
}

int findSetting(const EffectDescription& description, const std::string& key) {
    for (std::size_t i = 0; i < description.settings.size(); ++i) {
        if (key == description.settings[i].key) return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::string> settingChoices(const EffectSetting& setting) {
    std::vector<std::string> choices;
    if (!setting.choices) return choices;
    std::stringstream text(setting.choices);
    for (std::string choice; std::getline(text, choice, '|');) choices.push_back(choice);
    return choices;
}

bool applySettingsText(const EffectDescription& description, EffectSettingsBlock& block,
                       const std::string& text, std::string* error) {
    EffectSettingsBlock changed = block;
    ensureSettings(description, changed);
    std::stringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line = trim(line);
        if (line.empty()) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            if (error) *error = "\"" + line + "\" is not key=value";
            return false;
        }
        if (!applyOne(description, changed, trim(line.substr(0, eq)), trim(line.substr(eq + 1)),
                      error)) {
            return false;
        }
    }
    block = changed;
    return true;
}

std::string settingsText(const EffectDescription& description, const EffectSettingsBlock& block) {
    std::ostringstream out;
    for (std::size_t i = 0; i < description.settings.size(); ++i) {
        const EffectSetting& setting = description.settings[i];
        out << setting.key << '=';
        if (setting.kind == SettingKind::File) {
            out << std::string(block.file, strnlen(block.file, kEffectFileBytes));
        } else if (setting.kind == SettingKind::Choice) {
            const auto choices = settingChoices(setting);
            const auto at = static_cast<std::size_t>(block.values[i]);
            out << (at < choices.size() ? choices[at] : std::string());
        } else {
            out << block.values[i];
        }
        out << '\n';
    }
    return out.str();
}

}  // namespace sonthra
