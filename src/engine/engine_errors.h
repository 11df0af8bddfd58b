// The audio engine's error numbers. Every engine call returns 0 or one of these; the main
// window turns them into message numbers through EngineErrorToMessage (messages/).
#pragma once

namespace sonthra::engine_error {

inline constexpr int kNone = 0;

// Playback and wave files.
inline constexpr int kNoPlaybackFileName = 100;
inline constexpr int kPlaybackRunning = 101;
inline constexpr int kCannotOpenWaveFile = 102;
inline constexpr int kOutOfMemory = 103;
inline constexpr int kFormatNotSupported = 104;
inline constexpr int kCannotOpenOutputDevice = 105;
inline constexpr int kCannotPreparePlayBuffers = 106;
inline constexpr int kNotWaveFile = 107;
inline constexpr int kBadFmtChunk = 108;
inline constexpr int kNotPcm = 109;
inline constexpr int kNoDataChunk = 110;
inline constexpr int kCannotSeek = 113;
inline constexpr int kNoDataToPlay = 117;

// Devices.
inline constexpr int kPreferredOutputDevice = 150;
inline constexpr int kOutputDeviceDescription = 151;
inline constexpr int kInvalidOutputDevice = 152;
inline constexpr int kPreferredInputDevice = 153;
inline constexpr int kInputDeviceDescription = 154;
inline constexpr int kInvalidInputDevice = 155;

// Recording and the level test.
inline constexpr int kRecordFormatNotSupported = 201;
inline constexpr int kCannotOpenRecordFile = 203;
inline constexpr int kRecordDeviceUnusable = 204;
inline constexpr int kCannotStartRecording = 205;
inline constexpr int kRecordingRunning = 206;
inline constexpr int kNoRecordFileName = 207;

// Files and folders.
inline constexpr int kCannotWriteData = 301;
inline constexpr int kInvalidTempPath = 322;

}  // namespace sonthra::engine_error
