// Importing a WMA file: the checks before a conversion (the library's file information, copy
// protection, the free space the WAV needs) and the conversion itself on a worker, with the
// cancel, progress and state fields the reading library writes through.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "convert/conversion_worker.h"
#include "convert/wma_library.h"

namespace sonthra {

inline constexpr const char* kWmaImportCaption = "Importing WMA File";
inline constexpr const char* kCodecNotFoundCaption = "Codec Not Found";
inline constexpr const char* kCodecNotFoundText =
    "Windows Media Audio9 or later Codec is required to use this functionality.\r\nDo you want to "
    "download this component now?\r\nPlease make sure you are connected to the Internet before "
    "pressing the Yes button";
// Where the "Codec Not Found" question sends the user: the FFmpeg codec library the two WMA
// libraries are built on.
inline constexpr const char* kWmaSupportPage = "https://packages.debian.org/stable/libavcodec59";
inline constexpr const char* kCopyProtectionText =
    "Warning: Cannot open file. The file has Copy protection";
inline constexpr const char* kWmaNoTempSpaceText =
    "Warning : There is not enough free space on your temporary drive. It is recommended to make "
    "more free space available, and try again.?";

// Message numbers of the import.
inline constexpr int kWmaFormatNotProper = 489;
inline constexpr int kWmaImportAbortedMessage = 490;
inline constexpr int kWmaTooLargeMessage = 495;

enum class WmaImportCheck { Ready, Protected, NotReadable, NoSpace };

// The WAV size a WMA file may grow to: size × 44100 × 16 × 2 ÷ bitrate. A bitrate the file
// does not state (0) or below 16 kbit/s counts as 16 kbit/s, the lowest WMA offers, so that the
// estimate errs on the large side.
std::uint64_t estimateWmaWaveBytes(std::uint64_t fileBytes, std::uint32_t bitsPerSecond);

// Free bytes on the drive of folder; 0 when it cannot be asked.
std::uint64_t freeBytesIn(const std::string& folder);

// Asks the library about path and checks the space in workspaceFolder. Protected only for a
// file the library reports as copy protected; any other refusal is NotReadable (message 489).
WmaImportCheck checkWmaImport(const WmaPlaybackLibrary& library, const std::string& path,
                              const std::string& workspaceFolder);

// One WMA to WAV conversion on a worker thread. Poll state() and percent(); cancel() asks the
// library to stop (it then reports kWmaImportAborted). Dropping the job waits for the worker.
class WmaImportJob {
public:
    // False when no thread could be started.
    bool start(const WmaPlaybackLibrary& library, const std::string& source,
               const std::string& destination);
    std::int32_t state() const { return m_state.load(); }
    int percent() const { return m_progress.load(); }
    bool finished() const { return m_worker.finished(); }
    // finished(), after waiting for it at most time.
    bool waitFor(std::chrono::milliseconds time) { return m_worker.waitFor(time); }
    // The library's code (kWmaWaveTooLarge: the start of the audio was kept); valid once
    // finished.
    int result() const { return m_worker.result(); }
    void cancel() { m_cancel.store(1); }
    void wait() { m_worker.join(); }

private:
    std::string m_source;
    std::string m_destination;
    std::atomic<std::int32_t> m_cancel{0};
    std::atomic<std::int32_t> m_progress{0};
    std::atomic<std::int32_t> m_state{kWmaImportRunning};
    ConversionWorker m_worker;
};

// Runs the whole conversion on the calling thread's behalf: 0 success, kWmaWaveTooLarge when
// the start was kept, kWmaImportAbortedMessage when cancelled through stop, else 489.
// For callers without a window (sonthra-cli, batch tools).
int importWmaFile(const WmaPlaybackLibrary& library, const std::string& source,
                  const std::string& destination, const std::atomic<bool>* stop = nullptr);

}  // namespace sonthra
