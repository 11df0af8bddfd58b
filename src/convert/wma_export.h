// Exporting a WAV file to WMA: what the export window offers for a source (the encoders with
// at least one format for it, each encoder's formats, the remembered format), the result-code
// table and the export job on a worker with the fields the encoder library writes through.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/conversion_worker.h"
#include "convert/wma_library.h"
#include "settings/settings.h"
#include "wave/wave_format.h"

namespace sonthra {

inline constexpr const char* kWmaExportCaption = "Export Sound to WMA";
inline constexpr int kWmaNoFormatMessage = 486;

// The encoders offering at least one format for source, in the library's order. 0, or the
// library's non-zero code (shown as the message of that number, when there is one).
int listWmaEncoders(const WmaEncoderLibrary& library, const WaveFormat& source,
                    std::vector<std::string>& encoders);

// The format texts of one encoder for source: 0, 486 when it offers none, or the library's
// non-zero code.
int listWmaFormats(const WmaEncoderLibrary& library, const std::string& encoder,
                   const WaveFormat& source, std::vector<std::string>& formats);

// Which format to select among count: the stored index when the stored rate is the source's
// (and the index is in range), else the last one. rememberedRate becomes the source's rate
// whenever the stored choice is not used, so that it is written back on close.
int pickWmaFormat(std::size_t count, const std::optional<WmaFormatChoice>& stored,
                  std::uint32_t sourceRate, std::int32_t& rememberedRate);

// The message number for an export result code (0 and codes without one: 0). The batch
// variant has no 495.
int wmaExportMessage(int code, bool batch);

// The last format whose text starts with "<kbps> kbps" (formats go from low rates to high,
// so that is the one at the highest rate), -1 when none.
int wmaFormatForBitrate(const std::vector<std::string>& formats, std::uint32_t kbps);

// One export on a worker thread. Poll state() (kWmaExportRunning until it ends), percent()
// and result(); cancel() asks the library to stop. Dropping the job waits for the worker.
class WmaExportJob {
public:
    bool start(const WmaEncoderLibrary& library, const std::string& source,
               const std::string& destination, std::int32_t formatIndex,
               const std::string& encoder);
    std::int32_t state() const { return m_state.load(); }
    int percent() const { return m_progress.load(); }
    int result() const { return m_result.load(); }
    bool finished() const { return m_worker.finished(); }
    // finished(), after waiting for it at most time.
    bool waitFor(std::chrono::milliseconds time) { return m_worker.waitFor(time); }
    void cancel() { m_cancel.store(1); }
    bool cancelRequested() const { return m_cancel.load() != 0; }
    void wait() { m_worker.join(); }
    void reset();

private:
    std::string m_source;
    std::string m_destination;
    std::int32_t m_formatIndex = 0;
    std::string m_encoder;
    std::atomic<std::int32_t> m_progress{0};
    std::atomic<std::int32_t> m_state{kWmaExportIdle};
    std::atomic<std::int32_t> m_cancel{0};
    std::atomic<std::int32_t> m_result{0};
    ConversionWorker m_worker;
};

// Exports source to destination at the format index without a window: the message number
// of the failure, 129 when stop asked to end, 0 on success.
int exportWmaFile(const WmaEncoderLibrary& library, const std::string& source,
                  const std::string& destination, std::int32_t formatIndex,
                  const std::string& encoder, const std::atomic<bool>* stop = nullptr);

}  // namespace sonthra
