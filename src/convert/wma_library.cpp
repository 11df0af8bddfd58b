#include "convert/wma_library.h"

#include <dlfcn.h>

#include <array>
#include <cstring>

#include "convert/lame_library.h"
#include "platform/program_folder.h"

namespace sonthra {
namespace {

constexpr std::size_t kTextBytes = 1024;

template <typename F>
bool lookUp(void* handle, const char* name, F& out) {
    out = reinterpret_cast<F>(::dlsym(handle, name));
    return out != nullptr;
}

std::string textOf(const std::array<char, kTextBytes>& buffer) {
    return std::string(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
}

}  // namespace

std::string defaultWmaPlaybackPath() {
    return programFolder() + "/" + kWmaPlaybackLibraryName;
}
std::string defaultWmaEncoderPath() {
    return programFolder() + "/" + kWmaEncoderLibraryName;
}

std::unique_ptr<WmaPlaybackLibrary> WmaPlaybackLibrary::load(const std::string& path) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    std::unique_ptr<WmaPlaybackLibrary> lib(new WmaPlaybackLibrary);
    lib->m_handle = handle;
    void* start = ::dlsym(handle, "StartPlayBack");
    void* stop = ::dlsym(handle, "StopPlayBack");
    if (!lookUp(handle, "GetFileInfo", lib->m_info) ||
        !lookUp(handle, "ConvertWmaFileIntoWave", lib->m_convert) || !start || !stop) {
        return nullptr;
    }
    return lib;
}

WmaPlaybackLibrary::~WmaPlaybackLibrary() {
    if (m_handle) ::dlclose(m_handle);
}

int WmaPlaybackLibrary::fileInfo(const std::string& path, std::uint32_t& bitsPerSecond) const {
    bitsPerSecond = 0;
    if (path.size() >= kWmaInfoRecordBytes - kWmaInfoPathOffset) return -1;
    std::array<unsigned char, kWmaInfoRecordBytes> record{};
    std::memcpy(record.data() + kWmaInfoPathOffset, path.c_str(), path.size());
    const int code = m_info(record.data());
    if (code == 0) {
        bitsPerSecond = static_cast<std::uint32_t>(record[0]) | (record[1] << 8) |
                        (record[2] << 16) | (static_cast<std::uint32_t>(record[3]) << 24);
    }
    return code;
}

int WmaPlaybackLibrary::convert(const std::string& source, const std::string& destination,
                                std::int32_t* cancel, std::int32_t* progress,
                                std::int32_t* state) const {
    return m_convert(source.c_str(), destination.c_str(), cancel, progress, state);
}

std::unique_ptr<WmaEncoderLibrary> WmaEncoderLibrary::load(const std::string& path, int& code) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        code = kWmaLibraryNotLoaded;
        return nullptr;
    }
    std::unique_ptr<WmaEncoderLibrary> lib(new WmaEncoderLibrary);
    lib->m_handle = handle;
    if (!lookUp(handle, "GetNumEncodersSupported", lib->m_count) ||
        !lookUp(handle, "GetEncoderDetail", lib->m_detail) ||
        !lookUp(handle, "GetNumDestFormatsSupported", lib->m_formatCount) ||
        !lookUp(handle, "GetDestFormatDetail", lib->m_formatDetail) ||
        !lookUp(handle, "ConvertFileToWMA", lib->m_convert)) {
        code = kWmaCodecMissing;
        return nullptr;
    }
    code = 0;
    return lib;
}

WmaEncoderLibrary::~WmaEncoderLibrary() {
    if (m_handle) ::dlclose(m_handle);
}

int WmaEncoderLibrary::encoderCount(std::int32_t& count) const {
    count = 0;
    return m_count(&count);
}

int WmaEncoderLibrary::encoderName(std::int32_t index, std::string& name) const {
    std::array<char, kTextBytes> buffer{};
    const int code = m_detail(index, buffer.data());
    buffer.back() = '\0';
    name = textOf(buffer);
    return code;
}

int WmaEncoderLibrary::formatCount(const std::string& encoder, const WaveFormat& source,
                                   std::int32_t& count) const {
    unsigned char wfx[kWaveFormatBytes];
    encodeWaveFormat(source, wfx);
    count = 0;
    return m_formatCount(encoder.c_str(), wfx, &count);
}

int WmaEncoderLibrary::formatText(const std::string& encoder, const WaveFormat& source,
                                  std::int32_t index, std::string& text) const {
    unsigned char wfx[kWaveFormatBytes];
    encodeWaveFormat(source, wfx);
    std::array<char, kTextBytes> buffer{};
    const int code = m_formatDetail(encoder.c_str(), wfx, index, buffer.data());
    buffer.back() = '\0';
    text = textOf(buffer);
    return code;
}

int WmaEncoderLibrary::convert(const std::string& source, const std::string& destination,
                               std::int32_t formatIndex, const std::string& encoder,
                               std::int32_t* progress, std::int32_t* state, std::int32_t* cancel,
                               std::int32_t* result) const {
    return m_convert(source.c_str(), destination.c_str(), formatIndex, encoder.c_str(), progress,
                     state, cancel, result);
}

}  // namespace sonthra
