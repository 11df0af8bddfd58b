// The texts of the three position read-outs: a position shown as minutes, seconds and
// milliseconds ("035:25:120") or as a frame number ("00000000"), the conversions between frames
// and milliseconds at a format's rate, and the reading of a typed position back to frames.
// Plain functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "wave/wave_format.h"

namespace sonthra {

// How a read-out shows a position, and the unit of a position value.
enum class PositionMode { Time, Samples };

// trunc(frames / rate x 1000); 0 when the format's rate, bits or channels are 0.
std::uint32_t FramesToMilliseconds(std::uint32_t frames, const WaveFormat& format);

// ms x (rate / 1000), rounded to the nearest frame with ties to even; 0 when the rate, bits or
// channels are 0. A result beyond the 32-bit range gives the largest 32-bit value.
std::uint32_t MillisecondsToFrames(std::uint64_t milliseconds, const WaveFormat& format);

// A value given in mode `from` as a value in mode `to` (Samples are frames, Time
// milliseconds); the same mode returns it unchanged.
std::uint32_t ConvertPosition(std::uint32_t value, PositionMode from, PositionMode to,
                              const WaveFormat& format);

// The read-out text of a value given in valueMode (frames for Samples, milliseconds for Time),
// shown in displayMode. A value shown in its own mode is not converted, so no rounding
// creeps in.
std::string FormatReadout(std::uint32_t value, PositionMode valueMode, PositionMode displayMode,
                          const WaveFormat& format);

// The read-out text of a position in frames: "mmm:ss:mmm" (each part zero-padded to at least
// 3, 2 and 3 digits; longer minutes are not cut) or the frame number zero-padded to 8 digits.
std::string FormatPosition(std::uint32_t frames, PositionMode mode, const WaveFormat& format);

// Reads a read-out's text written in `mode` and returns the position in the wanted mode.
// Time text is minutes up to the first ":", seconds up to the next, milliseconds after it;
// sample text is one number. Blanks of an entry field (spaces) are ignored; a part without a
// digit or with anything but digits gives no position (nullopt). Values too large for 32 bits
// give the largest 32-bit value.
std::optional<std::uint32_t> ParsePosition(const std::string& text, PositionMode mode,
                                           PositionMode wanted, const WaveFormat& format);

// A time typed into a time read-out, in milliseconds: whole seconds ("5"), seconds with a
// fraction ("1200.0", "12,5", ".25", "12.5s"), minutes and seconds ("20:00.5"), hours, minutes
// and seconds ("1:02:03.250") or the read-out's own form ("035:25:120", known by its three-digit
// last part without a point). Spaces are ignored; the leading unit may be any size but a
// later minute or second must be below 60. Anything else gives nothing; a time beyond the 32-bit
// range gives the largest 32-bit value; places of a fraction past the millisecond are dropped.
std::optional<std::uint32_t> ParseTypedTime(const std::string& text);

// A typed position as frames, clamped to total (a file of total frames ends at total).
std::optional<std::uint32_t> ParseTypedPosition(const std::string& text, PositionMode mode,
                                                const WaveFormat& format, std::uint32_t total);

}  // namespace sonthra
