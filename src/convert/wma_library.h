// The two WMA libraries, loaded by name at run time from the program's folder (the folder of
// the running executable; build/bin in the build): "PlayBackEngine.so" reads WMA into WAV,
// "PCMtoWMA.so" writes WAV as WMA. Each wrapper looks every entry point up by name and holds
// the library until it is dropped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "wave/wave_format.h"

namespace sonthra {

inline constexpr const char* kWmaPlaybackLibraryName = "PlayBackEngine.so";
inline constexpr const char* kWmaEncoderLibraryName = "PCMtoWMA.so";

// Loading results: the library lacks an entry point (encoder only), or does not load.
inline constexpr int kWmaCodecMissing = 485;
inline constexpr int kWmaLibraryNotLoaded = 487;

// The information record handed to GetFileInfo.
inline constexpr std::size_t kWmaInfoRecordBytes = 2328;
inline constexpr std::size_t kWmaInfoPathOffset = 1040;

// GetFileInfo's answers beyond 0.
inline constexpr int kWmaInfoProtected = 1;

// ConvertWmaFileIntoWave's states and its "too large" code.
inline constexpr std::int32_t kWmaImportFinished = 0;
inline constexpr std::int32_t kWmaImportRunning = 1;
inline constexpr std::int32_t kWmaImportFailed = 2;
inline constexpr std::int32_t kWmaImportAborted = 3;
inline constexpr int kWmaWaveTooLarge = 11;

// ConvertFileToWMA's states.
inline constexpr std::int32_t kWmaExportIdle = 0;
inline constexpr std::int32_t kWmaExportRunning = 1;
inline constexpr std::int32_t kWmaExportAborted = 2;
inline constexpr std::int32_t kWmaExportFinished = 3;
inline constexpr std::int32_t kWmaExportFailed = 4;

std::string defaultWmaPlaybackPath();
std::string defaultWmaEncoderPath();

class WmaPlaybackLibrary {
public:
    // nullptr when the file does not load or lacks one of its four entry points (both count
    // as a missing library).
    static std::unique_ptr<WmaPlaybackLibrary> load(const std::string& path);
    ~WmaPlaybackLibrary();
    WmaPlaybackLibrary(const WmaPlaybackLibrary&) = delete;
    WmaPlaybackLibrary& operator=(const WmaPlaybackLibrary&) = delete;

    // 0 readable (bitsPerSecond filled), kWmaInfoProtected, or another refusal. A path too
    // long for the record is refused without a call.
    int fileInfo(const std::string& path, std::uint32_t& bitsPerSecond) const;
    int convert(const std::string& source, const std::string& destination, std::int32_t* cancel,
                std::int32_t* progress, std::int32_t* state) const;

private:
    WmaPlaybackLibrary() = default;
    using Info = int (*)(unsigned char*);
    using Convert = int (*)(const char*, const char*, std::int32_t*, std::int32_t*, std::int32_t*);
    void* m_handle = nullptr;
    Info m_info = nullptr;
    Convert m_convert = nullptr;
};

class WmaEncoderLibrary {
public:
    // nullptr and code 487 when the file does not load, 485 when it lacks an entry point.
    static std::unique_ptr<WmaEncoderLibrary> load(const std::string& path, int& code);
    ~WmaEncoderLibrary();
    WmaEncoderLibrary(const WmaEncoderLibrary&) = delete;
    WmaEncoderLibrary& operator=(const WmaEncoderLibrary&) = delete;

    int encoderCount(std::int32_t& count) const;
    int encoderName(std::int32_t index, std::string& name) const;
    int formatCount(const std::string& encoder, const WaveFormat& source,
                    std::int32_t& count) const;
    int formatText(const std::string& encoder, const WaveFormat& source, std::int32_t index,
                   std::string& text) const;
    int convert(const std::string& source, const std::string& destination, std::int32_t formatIndex,
                const std::string& encoder, std::int32_t* progress, std::int32_t* state,
                std::int32_t* cancel, std::int32_t* result) const;

private:
    WmaEncoderLibrary() = default;
    using Count = int (*)(std::int32_t*);
    using Detail = int (*)(std::int32_t, char*);
    using FormatCount = int (*)(const char*, const unsigned char*, std::int32_t*);
    using FormatDetail = int (*)(const char*, const unsigned char*, std::int32_t, char*);
    using Convert = int (*)(const char*, const char*, std::int32_t, const char*, std::int32_t*,
                            std::int32_t*, std::int32_t*, std::int32_t*);
    void* m_handle = nullptr;
    Count m_count = nullptr;
    Detail m_detail = nullptr;
    FormatCount m_formatCount = nullptr;
    FormatDetail m_formatDetail = nullptr;
    Convert m_convert = nullptr;
};

}  // namespace sonthra
