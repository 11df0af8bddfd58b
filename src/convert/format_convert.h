// CVFmtHlp: converts a PCM WAV file into a new PCM WAV file of another sample format (rate,
// 8 or 16 bits, mono or stereo) on a worker thread, watched through a handle: progress, cancel
// and an exit code. The rate changes through a high-quality resampler; stereo becomes mono as
// the mean of the channels, mono becomes stereo by copying; 16 bits become 8 with triangular
// dither; values beyond full scale are clipped, never wrapped around.
//
// The new file is written beside the destination and moved onto it only when it is complete,
// so a cancelled or failed conversion leaves the destination as it was. The source's other
// chunks (a tag chunk, say) follow the samples in the new file.
//
// Call the functions of one handle from one thread (the GUI thread). Plain C++, no Qt; the
// format chooser (AudioShowConvertDialog) lives with the windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "wave/wave_format.h"

namespace sonthra {

// The converter's own result and exit codes. 0 is success.
enum FormatCode : int {
    kFmtOk = 0,
    kFmtCancelled = 101,           // the user cancelled (the chooser or the conversion)
    kFmtBufferTooSmall = 102,      // the format buffer cannot hold the chosen format
    kFmtDialogFailed = 103,        // the chooser cannot be shown
    kFmtCannotOpenInput = 115,     // the source cannot be opened or is no WAV file
    kFmtCannotCreateOutput = 116,  // the new file cannot be created
    kFmtBadInput = 117,            // the source is not PCM that can be converted
    kFmtCannotReadInput = 118,     // reading the source's samples failed
    kFmtNoMemory = 119,
    kFmtBadTarget = 122,  // the target format cannot be made, or its file would pass
                          // the 4 GB limit of a WAV file
    kFmtCannotStartResampler = 123,
    kFmtCannotStartWorker = 133,
    kFmtWriteFailed = 127,   // writing the samples failed (a full disk among others)
    kFmtFinishFailed = 128,  // the new file's sizes cannot be written or it cannot be closed
    kFmtCannotMove = 129,    // the finished file cannot be moved onto the destination
    kFmtResampleFailed = 138,
};

// The message number shown for a converter code: 0 for 0, 129 for 101, the numbers of the
// product's table for the rest, 449 for a code it does not know.
int FormatCodeToMessage(int code);

// The formats the converter makes: PCM, 1 or 2 channels, 8 or 16 bits, 1,000 to 384,000 Hz.
bool isConvertibleFormat(const WaveFormat& format);

struct ConvertJob;
using ConvertHandle = ConvertJob*;

// Checks both files and starts converting source into destination in the format whose record
// starts the buffer (at least 18 bytes). 0 with *handle set, or a code with *handle null.
// `zero` must be 0.
int AudioConvert(const std::string& source, const std::string& destination,
                 std::span<const unsigned char> format, ConvertHandle* handle, int zero);
// 1 once the conversion has ended (or for a null handle), else 0.
int AudioConvertProcessIsOver(ConvertHandle handle);
// 0 or the code the conversion ended with (101 after a cancel); 0 while it runs.
std::uint16_t AudioConvertGetReasonForProcessExit(ConvertHandle handle);
// 0..100.
int AudioConvertGetProcessProgress(ConvertHandle handle);
// Asks the conversion to stop; it ends soon after with 101 and the destination as it was.
int AudioConvertCancelPressed(ConvertHandle handle);
// Releases the handle (cancelling and waiting for a conversion still running) and sets the
// holder to null.
int AudioConvertCloseHandle(ConvertHandle* holder);

}  // namespace sonthra
