// The arithmetic behind the Mute, Trim Silence and Insert Silence windows, apart from the
// widgets: reading and showing their numbers, the spin steps and their limits, and the values
// handed on to the engine. Plain C++.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sonthra {

// Mute channel choices.
inline constexpr int kMuteBoth = 3;
inline constexpr int kMuteLeft = 1;
inline constexpr int kMuteRight = 2;

// The Trim Silence spin goes up only from below this number, and never below 0.
inline constexpr double kTrimSpinCeiling = 99;
// Insert Silence accepts from a millisecond up to the most milliseconds the engine's call
// carries in 32 bits.
inline constexpr double kMinSilenceSeconds = 0.001;
inline constexpr double kMaxSilenceSeconds = 4294967.295;

// A finite decimal number as typed: surrounding blanks allowed, "." or "," before the
// fraction. Empty when the text is not one.
std::optional<double> parseSettingNumber(std::string_view text);
// The shortest decimal text of a value at 15 significant digits ("0.03", "2", "1.03"), so that
// repeated steps of 1 do not show the binary rounding of the sum.
std::string settingNumberText(double value);
// The value as it reads back from its text: what the edit shows is what is stored.
double shownValue(double value);

// One spin step, or empty when the rule forbids it.
std::optional<double> trimSpinUp(double percent);
std::optional<double> trimSpinDown(double percent);
std::optional<double> silenceSpinUp(double seconds);
std::optional<double> silenceSpinDown(double seconds);

bool acceptableSilenceSeconds(double seconds);

// What the engine receives: the threshold in hundredths of a percent, rounded to the nearest
// and held within 0..100 %, and the silence in milliseconds, rounded to the nearest and held
// within what 32 bits carry, so neither can wrap around.
std::uint16_t trimThresholdHundredths(double percent);
std::uint32_t silenceMilliseconds(double seconds);

}  // namespace sonthra
