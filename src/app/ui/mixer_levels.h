// The volume and balance sliders' arithmetic: slider positions to mixer channel values and
// back. The sliders run from 0 (top, full volume) to 100 and start at 50; balance 0 is full
// left. Plain functions; callable from any thread.
#pragma once

#include <array>
#include <cstdint>

namespace sonthra {

inline constexpr int kSliderMin = 0;
inline constexpr int kSliderMax = 100;
inline constexpr int kSliderCentre = 50;
inline constexpr int kSliderHalfRange = 50;
// The volume bound used when the mixer gives none (or 0).
inline constexpr std::uint32_t kFallbackVolumeBound = 65535;

// Left and right channel values.
using ChannelPair = std::array<std::uint32_t, 2>;

// The mixer's upper volume bound from its answer: 65,535 on failure or for 0.
std::uint32_t VolumeBound(int result, std::uint32_t upper);

// The level a volume slider at `position` stands for: (max − position) × bound ÷ (max − min).
std::uint32_t SliderLevel(int position, std::uint32_t bound);

// Both channels for volume `level` at balance position `balance`: the side the slider leans to
// keeps the level, the other is lowered by the lean (a full lean silences it).
ChannelPair VolumeChannels(std::uint32_t level, int balance);

// Both channels after the balance slider moved to `balance`, from the current values: the
// louder value stays on the near side and the far side is lowered by the lean in percent.
ChannelPair BalanceChannels(const ChannelPair& current, int balance);

// The volume slider position that shows `larger` (the louder channel) against `bound`.
int VolumeSliderPosition(std::uint32_t larger, std::uint32_t bound);

// The balance slider position for two channel values: the centre when equal, otherwise toward
// the louder side by the difference in percent of the louder value.
int BalanceSliderPosition(const ChannelPair& values);

}  // namespace sonthra
