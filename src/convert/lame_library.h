// The MP3 encoder library, loaded by name at run time: "lame_enc.so" in the program's folder
// (the folder of the running executable; build/bin in the build). Without it the "Lame
// Encoder" entry is not offered. Each use loads it, looks its calls up by name and lets it go.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace sonthra {

inline constexpr const char* kLameLibraryName = "lame_enc.so";
inline constexpr const char* kLameEncoderName = "Lame Encoder";
inline constexpr std::size_t kLameConfigBytes = 331;
using LameConfig = std::array<unsigned char, kLameConfigBytes>;

// programFolder() + "/" + kLameLibraryName.
std::string defaultLameLibraryPath();

// The configuration record for a source: stereo unless it has one channel, high quality,
// MPEG-1, private and CRC flags on, constant bitrate, and the info frame on so that decoders
// can take the encoder delay and padding off again.
LameConfig makeLameConfig(std::uint32_t sampleRate, std::uint16_t channels, std::uint32_t kbps);

class LameLibrary {
public:
    // nullptr when the file does not load or lacks one of the four stream calls.
    static std::unique_ptr<LameLibrary> load(const std::string& path);
    ~LameLibrary();
    LameLibrary(const LameLibrary&) = delete;
    LameLibrary& operator=(const LameLibrary&) = delete;

    int initStream(const LameConfig& config, std::uint32_t& samplesPerChunk,
                   std::uint32_t& outputBufferSize, void*& stream) const;
    int encodeChunk(void* stream, std::uint32_t sampleCount, const std::int16_t* samples,
                    unsigned char* output, std::uint32_t& produced) const;
    int deinitStream(void* stream, unsigned char* output, std::uint32_t& produced) const;
    void closeStream(void* stream) const;
    // The finished info frame for the start of the file; produced is 0 when the library has
    // none to give.
    int infoFrame(void* stream, unsigned char* buffer, std::uint32_t size,
                  std::uint32_t& produced) const;

private:
    LameLibrary() = default;
    using Init = int (*)(const unsigned char*, std::uint32_t*, std::uint32_t*, void**);
    using Encode = int (*)(void*, std::uint32_t, const std::int16_t*, unsigned char*,
                           std::uint32_t*);
    using Deinit = int (*)(void*, unsigned char*, std::uint32_t*);
    using Close = int (*)(void*);
    using Info = int (*)(void*, unsigned char*, std::uint32_t, std::uint32_t*);

    void* m_handle = nullptr;
    Init m_init = nullptr;
    Encode m_encode = nullptr;
    Deinit m_deinit = nullptr;
    Close m_close = nullptr;
    Info m_info = nullptr;
};

// Loading the library succeeds.
bool isLameAvailable(const std::string& path);

// Whether the library can encode the WAV file source at kbps: the header's rate, channels and
// sample size, the rules on low and high bitrates, then a trial beInitStream. notice, when
// given, receives "Not Opened" or "File Read Error" when the header could not be read whole.
bool lameBitrateSupported(const LameLibrary& library, const std::string& source, std::uint32_t kbps,
                          std::string* notice = nullptr);

}  // namespace sonthra
