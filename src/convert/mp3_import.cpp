#include "convert/mp3_import.h"

namespace sonthra {
namespace {
constexpr int kConverterCallFailed = 241;
}

bool Mp3ImportJob::start(const std::string& source, const std::string& destination) {
    m_worker.join();
    m_converter.armConversion();
    return m_worker.start(
        [this, source, destination] {
            return m_converter.ConvertMP3FileIntoWave(source, destination);
        },
        kConverterCallFailed);
}

}  // namespace sonthra
