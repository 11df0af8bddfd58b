// The waveform display's own result codes and the table that turns them into message numbers.
// The display's calls return them as plain ints (0 or one of these), as its callers and tests
// rely on the numbers; inside the program they are read as a ViewCode, so that a display code
// is never taken for a message number or another component's code of the same value (view 106
// is no memory, engine 106 unusable play buffers, message 106 something else again).
// ViewErrorToMessage is the one place they become message numbers. Plain data; callable from
// any thread.
#pragma once

namespace sonthra {

enum class ViewCode : int {
    Ok = 0,
    CannotOpen = 101,      // WAV file (or its times) cannot be opened
    NotWave = 102,         // no RIFF "WAVE" form
    NoFmt = 103,           // no "fmt " chunk
    FmtShort = 104,        // "fmt " chunk cut short or unusable
    NoData = 105,          // no "data" chunk
    NoMemory = 106,        // a buffer or an array could not be had
    CannotRead = 107,      // sample data cannot be read
    NoDataChunk = 108,     // the table's "no data chunk" (not returned by this display)
    Drawing = 109,         // the platform refused an image or a pen
    Cancelled = 110,       // peak building cancelled
    NotInitialized = 111,  // the table's "not initialized" (not returned by this display)
    NothingToDraw = 112,   // no peaks or no samples
    Unsupported = 113,     // not 8/16-bit, not mono/stereo
    NoFile = 114,          // peak file operation without a file
    NoPeakName = 115,      // empty peak file name
    PeakCreate = 116,      // peak file cannot be created
    PeakWrite = 117,       // peak file write failed
    FileTimes = 118,       // file times cannot be read
    PeakOpen = 119,        // peak file cannot be opened
    PeakRead = 120,        // peak file read failed
    PeakStale = 121,       // peak file stale or of the wrong size
};

// The plain number a display call returns for code, and the code a returned number names (a
// number the display does not name keeps its value and shows as the unknown error it is).
constexpr int viewCodeNumber(ViewCode code) {
    return static_cast<int>(code);
}
constexpr ViewCode viewCodeOf(int number) {
    return static_cast<ViewCode>(number);
}

// The numbers under the names the display's sources return them by.
inline constexpr int kViewOk = viewCodeNumber(ViewCode::Ok);
inline constexpr int kViewErrCannotOpen = viewCodeNumber(ViewCode::CannotOpen);
inline constexpr int kViewErrNotWave = viewCodeNumber(ViewCode::NotWave);
inline constexpr int kViewErrNoFmt = viewCodeNumber(ViewCode::NoFmt);
inline constexpr int kViewErrFmtShort = viewCodeNumber(ViewCode::FmtShort);
inline constexpr int kViewErrNoData = viewCodeNumber(ViewCode::NoData);
inline constexpr int kViewErrNoMemory = viewCodeNumber(ViewCode::NoMemory);
inline constexpr int kViewErrCannotRead = viewCodeNumber(ViewCode::CannotRead);
inline constexpr int kViewErrDrawing = viewCodeNumber(ViewCode::Drawing);
inline constexpr int kViewErrCancelled = viewCodeNumber(ViewCode::Cancelled);
inline constexpr int kViewErrNothingToDraw = viewCodeNumber(ViewCode::NothingToDraw);
inline constexpr int kViewErrUnsupported = viewCodeNumber(ViewCode::Unsupported);
inline constexpr int kViewErrNoFile = viewCodeNumber(ViewCode::NoFile);
inline constexpr int kViewErrNoPeakName = viewCodeNumber(ViewCode::NoPeakName);
inline constexpr int kViewErrPeakCreate = viewCodeNumber(ViewCode::PeakCreate);
inline constexpr int kViewErrPeakWrite = viewCodeNumber(ViewCode::PeakWrite);
inline constexpr int kViewErrFileTimes = viewCodeNumber(ViewCode::FileTimes);
inline constexpr int kViewErrPeakOpen = viewCodeNumber(ViewCode::PeakOpen);
inline constexpr int kViewErrPeakRead = viewCodeNumber(ViewCode::PeakRead);
inline constexpr int kViewErrPeakStale = viewCodeNumber(ViewCode::PeakStale);

// The message number the main window shows for a display code; 0 for success and for "nothing
// to draw". Several numbers (411 to 417) have no text, so those failures stay silent.
int ViewErrorToMessage(ViewCode code);
inline int ViewErrorToMessage(int code) {
    return ViewErrorToMessage(viewCodeOf(code));
}

}  // namespace sonthra
