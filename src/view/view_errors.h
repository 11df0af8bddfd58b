// The waveform display's own result codes and the table that turns them into message numbers.
// Plain data; callable from any thread.
#pragma once

namespace sonthra {

inline constexpr int kViewOk = 0;
inline constexpr int kViewErrCannotOpen = 101;     // WAV file (or its times) cannot be opened
inline constexpr int kViewErrNotWave = 102;        // no RIFF "WAVE" form
inline constexpr int kViewErrNoFmt = 103;          // no "fmt " chunk
inline constexpr int kViewErrFmtShort = 104;       // "fmt " chunk cut short or unusable
inline constexpr int kViewErrNoData = 105;         // no "data" chunk
inline constexpr int kViewErrNoMemory = 106;       // a buffer or an array could not be had
inline constexpr int kViewErrCannotRead = 107;     // sample data cannot be read
inline constexpr int kViewErrDrawing = 109;        // the platform refused an image or a pen
inline constexpr int kViewErrCancelled = 110;      // peak building cancelled
inline constexpr int kViewErrNothingToDraw = 112;  // no peaks or no samples
inline constexpr int kViewErrUnsupported = 113;    // not 8/16-bit, not mono/stereo
inline constexpr int kViewErrNoFile = 114;         // peak file operation without a file
inline constexpr int kViewErrNoPeakName = 115;     // empty peak file name
inline constexpr int kViewErrPeakCreate = 116;     // peak file cannot be created
inline constexpr int kViewErrPeakWrite = 117;      // peak file write failed
inline constexpr int kViewErrFileTimes = 118;      // file times cannot be read
inline constexpr int kViewErrPeakOpen = 119;       // peak file cannot be opened
inline constexpr int kViewErrPeakRead = 120;       // peak file read failed
inline constexpr int kViewErrPeakStale = 121;      // peak file stale or of the wrong size

// The message number the main window shows for a display code; 0 for success and for "nothing
// to draw". Several numbers (411 to 417) have no text, so those failures stay silent.
int ViewErrorToMessage(int code);

}  // namespace sonthra
