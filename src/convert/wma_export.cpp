#include "convert/wma_export.h"

#include <chrono>

#include "messages/message_table.h"

namespace sonthra {
namespace {

std::int32_t* raw(std::atomic<std::int32_t>& field) {
    return reinterpret_cast<std::int32_t*>(&field);
}

}  // namespace

int listWmaEncoders(const WmaEncoderLibrary& library, const WaveFormat& source,
                    std::vector<std::string>& encoders) {
    encoders.clear();
    std::int32_t count = 0;
    if (const int code = library.encoderCount(count); code != 0) return code;
    for (std::int32_t i = 0; i < count; ++i) {
        std::string name;
        if (const int code = library.encoderName(i, name); code != 0) return code;
        std::int32_t formats = 0;
        if (const int code = library.formatCount(name, source, formats); code != 0) return code;
        if (formats > 0) encoders.push_back(name);
    }
    return 0;
}

int listWmaFormats(const WmaEncoderLibrary& library, const std::string& encoder,
                   const WaveFormat& source, std::vector<std::string>& formats) {
    formats.clear();
    std::int32_t count = 0;
    if (const int code = library.formatCount(encoder, source, count); code != 0) return code;
    if (count <= 0) return kWmaNoFormatMessage;
    for (std::int32_t i = 0; i < count; ++i) {
        std::string text;
        if (const int code = library.formatText(encoder, source, i, text); code != 0) return code;
        formats.push_back(text);
    }
    return 0;
}

int pickWmaFormat(std::size_t count, const std::optional<WmaFormatChoice>& stored,
                  std::uint32_t sourceRate, std::int32_t& rememberedRate) {
    if (count == 0) return -1;
    const int last = static_cast<int>(count) - 1;
    if (!stored) return last;
    if (stored->samplingRate == static_cast<std::int32_t>(sourceRate)) {
        const int index = stored->formatIndex < 0 ? 0 : stored->formatIndex;
        rememberedRate = stored->samplingRate;
        return index <= last ? index : last;
    }
    rememberedRate = static_cast<std::int32_t>(sourceRate);
    return last;
}

int wmaExportMessage(int code, bool batch) {
    switch (code) {
        case 2:
            return 482;
        case 3:
            return 485;
        case 4:
            return 486;
        case 6:
            return 483;
        case 7:
            return 484;
        case 8:
            return 487;
        case 11:
            return batch ? 0 : 495;
        default:
            return 0;
    }
}

int wmaFormatForBitrate(const std::vector<std::string>& formats, std::uint32_t kbps) {
    const std::string prefix = std::to_string(kbps) + " kbps";
    int found = -1;
    for (std::size_t i = 0; i < formats.size(); ++i) {
        const std::string& text = formats[i];
        if (text.rfind(prefix, 0) == 0 &&
            (text.size() == prefix.size() || text[prefix.size()] == ',' ||
             text[prefix.size()] == ' ')) {
            found = static_cast<int>(i);
        }
    }
    return found;
}

void WmaExportJob::reset() {
    m_worker.join();
    m_progress.store(0);
    m_state.store(kWmaExportIdle);
    m_cancel.store(0);
    m_result.store(0);
}

bool WmaExportJob::start(const WmaEncoderLibrary& library, const std::string& source,
                         const std::string& destination, std::int32_t formatIndex,
                         const std::string& encoder) {
    reset();
    m_source = source;
    m_destination = destination;
    m_formatIndex = formatIndex;
    m_encoder = encoder;
    m_state.store(kWmaExportRunning);
    const bool started = m_worker.start(
        [this, &library] {
            const int code =
                library.convert(m_source, m_destination, m_formatIndex, m_encoder, raw(m_progress),
                                raw(m_state), raw(m_cancel), raw(m_result));
            if (m_state.load() == kWmaExportRunning) {
                m_result.store(code);
                m_state.store(kWmaExportFailed);
            }
            return code;
        },
        7);
    if (!started) m_state.store(kWmaExportIdle);
    return started;
}

int exportWmaFile(const WmaEncoderLibrary& library, const std::string& source,
                  const std::string& destination, std::int32_t formatIndex,
                  const std::string& encoder, const std::atomic<bool>* stop) {
    WmaExportJob job;
    if (!job.start(library, source, destination, formatIndex, encoder)) return 484;
    do {
        if (stop && stop->load()) job.cancel();
    } while (!job.waitFor(std::chrono::milliseconds(20)));
    job.wait();
    switch (job.state()) {
        case kWmaExportFinished:
            return 0;
        case kWmaExportAborted:
            return kCancelled;
        default: {
            const int message = wmaExportMessage(job.result(), true);
            return message != 0 ? message : 484;
        }
    }
}

}  // namespace sonthra
