// The engine codes the file edits return besides the playback, device and recording ones, under
// the names the edit sources use; the codes themselves are EngineCode (engine_errors.h).
#pragma once

#include "engine/engine_errors.h"

namespace sonthra::edit_error {

inline constexpr int kNoCutSelection = engineCodeNumber(EngineCode::NoCutSelection);
inline constexpr int kNoTempSpace = engineCodeNumber(EngineCode::NoTempSpace);
inline constexpr int kCannotMakeUndoFile = engineCodeNumber(EngineCode::CannotMakeUndoFile);
inline constexpr int kNoCopySelection = engineCodeNumber(EngineCode::NoCopySelection);
inline constexpr int kCannotOpenClip = engineCodeNumber(EngineCode::CannotOpenClip);
inline constexpr int kClipFormatDiffers = engineCodeNumber(EngineCode::ClipFormatDiffers);
// The engine's own cancel code; the program reports a cancel as sonthra::kCancelled (129).
inline constexpr int kEditCancelled = engineCodeNumber(EngineCode::Cancelled);
inline constexpr int kNothingToPaste = engineCodeNumber(EngineCode::NothingToPaste);
inline constexpr int kPositionBeyondEnd = engineCodeNumber(EngineCode::PositionBeyondEnd);
inline constexpr int kUndoRedoDisabled = engineCodeNumber(EngineCode::UndoRedoDisabled);
inline constexpr int kCannotMakeRedoFile = engineCodeNumber(EngineCode::CannotMakeRedoFile);
inline constexpr int kNothingToUndoRedo = engineCodeNumber(EngineCode::NothingToUndoRedo);
inline constexpr int kFileInUse = engineCodeNumber(EngineCode::FileInUse);
inline constexpr int kNoClearSelection = engineCodeNumber(EngineCode::NoClearSelection);
inline constexpr int kNoCropSelection = engineCodeNumber(EngineCode::NoCropSelection);
inline constexpr int kBadArgument = engineCodeNumber(EngineCode::BadArgument);

}  // namespace sonthra::edit_error
