// The audio engine's result codes. The engine's calls return them as plain ints (0 or one of
// these), because callers and scripts rely on the numbers; inside the program they are read as
// an EngineCode, so that an engine code is never compared with a message number or with another
// component's code of the same value (engine 104 is an unsupported format, mixer 104 a device
// gone, message 104 no memory; engine 311 is a cancel, which the program reports as 129).
// EngineErrorToMessage (messages/) is the one place they become message numbers.
#pragma once

#include "messages/message_table.h"

namespace sonthra {

enum class EngineCode : int {
    None = 0,

    // Playback and wave files.
    NoPlaybackFileName = 100,
    PlaybackRunning = 101,
    CannotOpenWaveFile = 102,
    OutOfMemory = 103,
    FormatNotSupported = 104,
    CannotOpenOutputDevice = 105,
    CannotPreparePlayBuffers = 106,
    NotWaveFile = 107,
    BadFmtChunk = 108,
    NotPcm = 109,
    NoDataChunk = 110,
    CannotSeek = 113,
    NoDataToPlay = 117,

    // Devices.
    PreferredOutputDevice = 150,
    OutputDeviceDescription = 151,
    InvalidOutputDevice = 152,
    PreferredInputDevice = 153,
    InputDeviceDescription = 154,
    InvalidInputDevice = 155,

    // Recording and the level test.
    RecordFormatNotSupported = 201,
    CannotOpenRecordFile = 203,
    RecordDeviceUnusable = 204,
    CannotStartRecording = 205,
    RecordingRunning = 206,
    NoRecordFileName = 207,

    // Files, folders and the file edits.
    CannotWriteData = 301,
    NoCutSelection = 302,
    NoTempSpace = 303,
    CannotMakeUndoFile = 305,
    NoCopySelection = 306,
    CannotOpenClip = 307,
    ClipFormatDiffers = 308,
    Cancelled = 311,
    NothingToPaste = 312,
    PositionBeyondEnd = 313,
    UndoRedoDisabled = 314,
    CannotMakeRedoFile = 315,
    NothingToUndoRedo = 316,
    FileInUse = 319,
    NoClearSelection = 320,
    NoCropSelection = 321,
    InvalidTempPath = 322,
    // A call made with arguments no caller of the contract passes (an unknown handle, a
    // constant other than the documented 1 and 0, a mute channel choice other than 1, 2 or 3).
    // The number is outside the engine-error table, so it shows as the engine's unknown error.
    BadArgument = 399,
};

// The plain number an engine call returns for `code`.
constexpr int engineCodeNumber(EngineCode code) { return static_cast<int>(code); }

// Reads the plain number an engine call returned. A number the engine does not name keeps its
// value, so it still reaches EngineErrorToMessage as the unknown error it is.
constexpr EngineCode engineCodeOf(int number) { return static_cast<EngineCode>(number); }

inline int EngineErrorToMessage(EngineCode code) {
    return EngineErrorToMessage(engineCodeNumber(code));
}

// The numbers under the names the engine's own sources return them by.
namespace engine_error {

inline constexpr int kNoPlaybackFileName = engineCodeNumber(EngineCode::NoPlaybackFileName);
inline constexpr int kPlaybackRunning = engineCodeNumber(EngineCode::PlaybackRunning);
inline constexpr int kCannotOpenWaveFile = engineCodeNumber(EngineCode::CannotOpenWaveFile);
inline constexpr int kOutOfMemory = engineCodeNumber(EngineCode::OutOfMemory);
inline constexpr int kFormatNotSupported = engineCodeNumber(EngineCode::FormatNotSupported);
inline constexpr int kCannotOpenOutputDevice =
    engineCodeNumber(EngineCode::CannotOpenOutputDevice);
inline constexpr int kCannotPreparePlayBuffers =
    engineCodeNumber(EngineCode::CannotPreparePlayBuffers);
inline constexpr int kNotWaveFile = engineCodeNumber(EngineCode::NotWaveFile);
inline constexpr int kBadFmtChunk = engineCodeNumber(EngineCode::BadFmtChunk);
inline constexpr int kNotPcm = engineCodeNumber(EngineCode::NotPcm);
inline constexpr int kNoDataChunk = engineCodeNumber(EngineCode::NoDataChunk);
inline constexpr int kNoDataToPlay = engineCodeNumber(EngineCode::NoDataToPlay);

inline constexpr int kPreferredOutputDevice = engineCodeNumber(EngineCode::PreferredOutputDevice);
inline constexpr int kOutputDeviceDescription =
    engineCodeNumber(EngineCode::OutputDeviceDescription);
inline constexpr int kInvalidOutputDevice = engineCodeNumber(EngineCode::InvalidOutputDevice);
inline constexpr int kPreferredInputDevice = engineCodeNumber(EngineCode::PreferredInputDevice);
inline constexpr int kInputDeviceDescription =
    engineCodeNumber(EngineCode::InputDeviceDescription);
inline constexpr int kInvalidInputDevice = engineCodeNumber(EngineCode::InvalidInputDevice);

inline constexpr int kRecordFormatNotSupported =
    engineCodeNumber(EngineCode::RecordFormatNotSupported);
inline constexpr int kCannotOpenRecordFile = engineCodeNumber(EngineCode::CannotOpenRecordFile);
inline constexpr int kRecordDeviceUnusable = engineCodeNumber(EngineCode::RecordDeviceUnusable);
inline constexpr int kCannotStartRecording = engineCodeNumber(EngineCode::CannotStartRecording);
inline constexpr int kRecordingRunning = engineCodeNumber(EngineCode::RecordingRunning);
inline constexpr int kNoRecordFileName = engineCodeNumber(EngineCode::NoRecordFileName);

inline constexpr int kCannotWriteData = engineCodeNumber(EngineCode::CannotWriteData);
inline constexpr int kInvalidTempPath = engineCodeNumber(EngineCode::InvalidTempPath);

}  // namespace engine_error

}  // namespace sonthra
