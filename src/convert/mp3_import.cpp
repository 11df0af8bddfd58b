#include "convert/mp3_import.h"

#include <cstdint>

namespace sonthra {
namespace {
constexpr int kConverterCallFailed = 241;
}

std::uint64_t mp3WorkingCopyBytes(std::uint64_t mp3FileBytes, std::uint32_t kbps) {
    if (kbps == 0) return 0;
    // In 128-bit steps where the product would overflow 64 bits (files of many terabytes).
    const unsigned __int128 bytes = static_cast<unsigned __int128>(mp3FileBytes) * 44100 * 16 * 2 /
                                    (std::uint64_t{kbps} * 1000);
    return bytes > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(bytes);
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
