#include "convert/lame_encode_job.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "convert/convert_codes.h"
#include "convert/lame_library.h"
#include "convert/mp3_target.h"
#include "convert/pcm_source.h"
#include "wave/safe_file.h"

namespace sonthra {
namespace {

constexpr std::uint32_t kLowRateLimit = 22050;
constexpr std::uint32_t kLowRateMaxKbps = 160;
constexpr std::uint32_t kInfoFrameBytes = 2880;

int writeFailure(int err) {
    return err == ENOSPC ? kLameNoSpace : kLameWriteFailed;
}

// One encoder stream, closed on every way out.
struct Stream {
    const LameLibrary& library;
    void* handle = nullptr;
    ~Stream() {
        if (handle) library.closeStream(handle);
    }
};

}  // namespace

int LameEncodeJob::run(const std::string& source, const std::string& destination,
                       std::uint32_t kbps) {
    PcmSource input;
    const int opened = input.open(source);
    if (opened != kConvertOk) return opened;
    const WaveFormat& format = input.format();
    if (format.sampleRate >= 8000 && format.sampleRate <= kLowRateLimit && kbps > kLowRateMaxKbps)
        return kCvBitrateRefused;
    const auto library = LameLibrary::load(m_libraryPath);
    if (!library) return kLameNotLoaded;
    Stream stream{*library};
    std::uint32_t samplesPerChunk = 0, outputSize = 0;
    if (library->initStream(makeLameConfig(format.sampleRate, format.channels, kbps),
                            samplesPerChunk, outputSize, stream.handle) != 0 ||
        samplesPerChunk == 0)
        return kLameInitFailed;

    // The chunk is the encoder's sample count of source frames' worth of bytes.
    const std::size_t chunkBytes = std::size_t{samplesPerChunk} * format.blockAlign;
    std::vector<unsigned char> output, bytes;
    std::vector<std::int16_t> samples;
    try {
        output.assign(std::max(outputSize, kInfoFrameBytes), 0);
        bytes.assign(chunkBytes, 0);
        samples.assign(chunkBytes, 0);
    } catch (const std::bad_alloc&) {
        return kLameNoMemory;
    }

    SafeFileWriter target(destination, mp3TargetMode(destination));
    if (!target.open()) return kLameCannotCreate;
    auto append = [&](std::uint32_t count) {
        return target.write(std::string_view(reinterpret_cast<const char*>(output.data()), count));
    };

    const std::uint64_t total = input.dataBytes();
    std::uint64_t done = 0;
    while (done < total) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunkBytes, total - done));
        if (input.read(bytes.data(), want) != static_cast<std::int64_t>(want))
            return kLameReadFailed;
        std::uint32_t sampleCount = 0;
        if (format.bitsPerSample == 8) {
            widen8To16(bytes.data(), want, samples.data());
            sampleCount = static_cast<std::uint32_t>(want);
        } else {
            std::memcpy(samples.data(), bytes.data(), want);
            sampleCount = static_cast<std::uint32_t>(want / 2);
        }
        std::uint32_t produced = 0;
        if (library->encodeChunk(stream.handle, sampleCount, samples.data(), output.data(),
                                 produced) != 0)
            return kLameEncodeFailed;
        if (produced && !append(produced)) return writeFailure(target.error());
        done += want;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent > m_percent.load()) m_percent.store(percent);
        if (m_abort.load()) return kLameAborted;
    }
    std::uint32_t produced = 0;
    if (library->deinitStream(stream.handle, output.data(), produced) != 0)
        return kLameEncodeFailed;
    if (produced && !append(produced)) return writeFailure(target.error());
    // The info frame was reserved as the stream's first frame; now its counts are known.
    if (library->infoFrame(stream.handle, output.data(), static_cast<std::uint32_t>(output.size()),
                           produced) == 0 &&
        produced > 0 &&
        ::pwrite(target.fd(), output.data(), produced, 0) != static_cast<ssize_t>(produced))
        return writeFailure(errno);
    if (!target.commit()) return writeFailure(target.error());
    m_percent.store(100);
    return kConvertOk;
}

}  // namespace sonthra
