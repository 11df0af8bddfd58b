// The engine error numbers the file edits return besides those of engine_errors.h. The main
// window turns them into message numbers through EngineErrorToMessage (messages/).
#pragma once

namespace sonthra::edit_error {

inline constexpr int kNoCutSelection = 302;
inline constexpr int kNoTempSpace = 303;
inline constexpr int kCannotMakeUndoFile = 305;
inline constexpr int kNoCopySelection = 306;
inline constexpr int kCannotOpenClip = 307;
inline constexpr int kClipFormatDiffers = 308;
inline constexpr int kCancelled = 311;
inline constexpr int kNothingToPaste = 312;
inline constexpr int kPositionBeyondEnd = 313;
inline constexpr int kUndoRedoDisabled = 314;
inline constexpr int kCannotMakeRedoFile = 315;
inline constexpr int kNothingToUndoRedo = 316;
inline constexpr int kFileInUse = 319;
inline constexpr int kNoClearSelection = 320;
inline constexpr int kNoCropSelection = 321;
// A call made with arguments no caller of the contract passes (an unknown handle, a constant
// other than the documented 1 and 0, a mute channel choice other than 1, 2 or 3). The number
// is outside the engine-error table, so it shows as the engine's unknown error.
inline constexpr int kBadArgument = 399;

}  // namespace sonthra::edit_error
