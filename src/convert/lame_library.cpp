#include "convert/lame_library.h"
#include "platform/program_folder.h"
#include "wave/riff.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace sonthra {
namespace {

constexpr std::uint32_t kConfigKind = 256;
constexpr std::uint32_t kConfigVersion = 1;
constexpr std::uint32_t kModeMono = 3;
constexpr std::uint32_t kModeStereo = 0;
constexpr std::uint32_t kPresetHighQuality = 2;
constexpr std::uint32_t kMpeg1 = 1;
constexpr std::uint32_t kAllBits = 0xFFFFFFFFu;
constexpr std::uint32_t kVbrQuality = 4;
constexpr std::size_t kHeaderBytes = 44;

void put32(LameConfig& config, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) config[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t le(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

}  // namespace

std::string defaultLameLibraryPath() {
    return programFolder() + "/" + kLameLibraryName;
}

LameConfig makeLameConfig(std::uint32_t sampleRate, std::uint16_t channels, std::uint32_t kbps) {
    LameConfig config{};
    put32(config, 0, kConfigKind);
    put32(config, 4, kConfigVersion);
    put32(config, 8, kLameConfigBytes);
    put32(config, 12, sampleRate);
    put32(config, 16, 0);
    put32(config, 20, channels == 1 ? kModeMono : kModeStereo);
    put32(config, 24, kbps);
    put32(config, 28, kbps);
    put32(config, 32, kPresetHighQuality);
    put32(config, 36, kMpeg1);
    put32(config, 48, kAllBits);
    put32(config, 52, kAllBits);
    put32(config, 64, 1);  // info frame with delay and padding, so the length survives a round trip
    put32(config, 72, kVbrQuality);
    return config;
}

std::unique_ptr<LameLibrary> LameLibrary::load(const std::string& path) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    std::unique_ptr<LameLibrary> library(new LameLibrary);
    library->m_handle = handle;
    library->m_init = reinterpret_cast<Init>(::dlsym(handle, "beInitStream"));
    library->m_encode = reinterpret_cast<Encode>(::dlsym(handle, "beEncodeChunk"));
    library->m_deinit = reinterpret_cast<Deinit>(::dlsym(handle, "beDeinitStream"));
    library->m_close = reinterpret_cast<Close>(::dlsym(handle, "beCloseStream"));
    library->m_info = reinterpret_cast<Info>(::dlsym(handle, "beGetInfoFrame"));
    if (!library->m_init || !library->m_encode || !library->m_deinit || !library->m_close)
        return nullptr;
    return library;
}

LameLibrary::~LameLibrary() {
    if (m_handle) ::dlclose(m_handle);
}

int LameLibrary::initStream(const LameConfig& config, std::uint32_t& samplesPerChunk,
                            std::uint32_t& outputBufferSize, void*& stream) const {
    return m_init(config.data(), &samplesPerChunk, &outputBufferSize, &stream);
}

int LameLibrary::encodeChunk(void* stream, std::uint32_t sampleCount, const std::int16_t* samples,
                             unsigned char* output, std::uint32_t& produced) const {
    return m_encode(stream, sampleCount, samples, output, &produced);
}

int LameLibrary::deinitStream(void* stream, unsigned char* output, std::uint32_t& produced) const {
    return m_deinit(stream, output, &produced);
}

void LameLibrary::closeStream(void* stream) const {
    m_close(stream);
}

int LameLibrary::infoFrame(void* stream, unsigned char* buffer, std::uint32_t size,
                           std::uint32_t& produced) const {
    produced = 0;
    return m_info ? m_info(stream, buffer, size, &produced) : 0;
}

bool isLameAvailable(const std::string& path) {
    return LameLibrary::load(path) != nullptr;
}

bool lameBitrateSupported(const LameLibrary& library, const std::string& source, std::uint32_t kbps,
                          std::string* notice) {
    // A pipe or a device would keep the window waiting here: refused as a file not opened.
    const int fd = openRegularFile(source);
    if (fd < 0) {
        if (notice) *notice = "Not Opened";
        return false;
    }
    unsigned char header[kHeaderBytes] = {};
    const ssize_t got = ::read(fd, header, sizeof header);
    ::close(fd);
    if (got < static_cast<ssize_t>(sizeof header) && notice) *notice = "File Read Error";
    if (std::memcmp(header + 8, "WAVE", 4) != 0) return false;
    const std::uint32_t rate = le(header + 24, 4);
    const auto channels = static_cast<std::uint16_t>(le(header + 22, 2));
    if (kbps <= 20) return false;
    if (rate >= 44100 && kbps <= 24) return false;
    if (rate >= 8000 && rate <= 22050 && kbps > 160) return false;
    std::uint32_t samples = 0, bufferSize = 0;
    void* stream = nullptr;
    if (library.initStream(makeLameConfig(rate, channels, kbps), samples, bufferSize, stream) != 0)
        return false;
    library.closeStream(stream);
    return true;
}

}  // namespace sonthra
