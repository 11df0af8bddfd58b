#include "edit/ui/silence_rules.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sonthra {

std::optional<double> parseSettingNumber(std::string_view text) {
    std::string s(text);
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.back())) s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && blank(s[start])) ++start;
    s.erase(0, start);
    if (s.empty()) return std::nullopt;
    for (char& c : s) {
        if (c == ',') c = '.';
        // Only plain decimals: no hexadecimal, "inf" or "nan".
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
              c == 'e' || c == 'E')) {
            return std::nullopt;
        }
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || errno == ERANGE || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value == 0 ? 0.0 : value;  // no "-0"
}

std::string settingNumberText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value == 0 ? 0.0 : value);
    return text;
}

double shownValue(double value) {
    return parseSettingNumber(settingNumberText(value)).value_or(value);
}

std::optional<double> trimSpinUp(double percent) {
    if (!(percent < kTrimSpinCeiling)) return std::nullopt;
    return shownValue(percent + 1);
}

std::optional<double> trimSpinDown(double percent) {
    if (percent - 1 < 0) return std::nullopt;
    return shownValue(percent - 1);
}

std::optional<double> silenceSpinUp(double seconds) {
    if (!(seconds + 1 < kMaxSilenceSeconds)) return std::nullopt;
    return shownValue(seconds + 1);
}

std::optional<double> silenceSpinDown(double seconds) {
    if (!(seconds - 1 > kMinSilenceSeconds)) return std::nullopt;
    return shownValue(seconds - 1);
}

bool acceptableSilenceSeconds(double seconds) {
    return seconds >= kMinSilenceSeconds && seconds <= kMaxSilenceSeconds;
}

namespace {

// value × scale rounded half away from zero, as the decimal the user typed reads: 12.345 × 100
// is 1234.4999... in binary, but the user meant 1234.5, which rounds to 1235.
long long scaledRound(double value, double scale) {
    return std::llround(shownValue(value * scale));
}

}  // namespace

std::uint16_t trimThresholdHundredths(double percent) {
    if (!(percent > 0)) return 0;
    return static_cast<std::uint16_t>(scaledRound(std::min(percent, 100.0), 100));
}

std::uint32_t silenceMilliseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    return static_cast<std::uint32_t>(scaledRound(std::min(seconds, kMaxSilenceSeconds), 1000));
}

}  // namespace sonthra
