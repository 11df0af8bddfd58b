#include "convert/cv_mp3_wav.h"

#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "convert/convert_codes.h"
#include "wave/riff.h"
#include "wave/wave_writer.h"

namespace sonthra {
namespace {

// Big enough that a call decodes a dozen frames; small enough to come from the allocator's
// pools rather than fresh pages each time.
constexpr std::size_t kDecodeBufferBytes = 64 * 1024;
constexpr int kBytesPerSample = 2;
// mpg123_read answering "nothing yet" this many times in a row means a stream that goes
// nowhere; ending there keeps a hostile file from spinning the worker for ever.
constexpr int kMaxIdleReads = 1000;
constexpr std::uint64_t kId3v1Bytes = 128;
constexpr std::size_t kTailScanBytes = 64 * 1024;
constexpr long kResyncLimitBytes = 16L * 1024 * 1024;

bool decoderLibraryReady() {
    // mpg123_init is needed once per process by older library versions; later ones ignore it.
    static const int status = mpg123_init();
    return status == MPG123_OK;
}

// libmpg123 reads through these over a buffered file: its own reader asks for a byte at a
// time while it looks for the next frame, a system call each.
ssize_t readFile(void* handle, void* buffer, std::size_t count) {
    FILE* file = static_cast<FILE*>(handle);
    const std::size_t got = std::fread(buffer, 1, count, file);
    return got == 0 && std::ferror(file) ? -1 : static_cast<ssize_t>(got);
}

off_t seekFile(void* handle, off_t offset, int whence) {
    FILE* file = static_cast<FILE*>(handle);
    return ::fseeko(file, offset, whence) == 0 ? ::ftello(file) : -1;
}

// Making a decoder handle asks the processor for its features, an instruction a virtual
// machine traps on, and builds the synthesis tables; opening a file resets everything a file
// leaves behind. So handles closed after one file serve the next, from a small shared stock.
class HandleStock {
public:
    mpg123_handle* take() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_free.empty()) {
                mpg123_handle* handle = m_free.back();
                m_free.pop_back();
                return handle;
            }
        }
        int err = MPG123_OK;
        return mpg123_new(nullptr, &err);
    }
    void give(mpg123_handle* handle) {
        mpg123_close(handle);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_free.size() < kStockedHandles) {
            m_free.push_back(handle);
            return;
        }
        mpg123_delete(handle);
    }

private:
    static constexpr std::size_t kStockedHandles = 4;
    std::mutex m_mutex;
    std::vector<mpg123_handle*> m_free;
};

HandleStock& handleStock() {
    // Never destroyed: a worker may still hand a handle back while the program exits.
    static HandleStock* stock = new HandleStock;
    return *stock;
}

// A decoder and the file it reads.
class Decoder {
public:
    Decoder() = default;
    ~Decoder() {
        if (m_handle) handleStock().give(m_handle);
        if (m_file) std::fclose(m_file);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // A decoder for 16-bit signed output at any rate the file has, gapless and silent on
    // stderr. False when the library cannot make one.
    bool create() {
        if (!decoderLibraryReady()) return false;
        m_handle = handleStock().take();
        if (!m_handle) return false;
        // Every setting is made again: a handle from the stock carries the last file's format.
        mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
        // Look past a long run of junk for the next frame, so that a damaged stretch costs
        // only its own audio; but not for ever, since a stop request is seen between reads.
        mpg123_param(m_handle, MPG123_RESYNC_LIMIT, kResyncLimitBytes, 0.0);
        mpg123_format_none(m_handle);
        const long* rates = nullptr;
        std::size_t count = 0;
        mpg123_rates(&rates, &count);
        for (std::size_t i = 0; i < count; ++i)
            mpg123_format(m_handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        return mpg123_replace_reader_handle(m_handle, readFile, seekFile, nullptr) == MPG123_OK;
    }

    // Opens a regular file (a pipe, a device or a folder is refused without waiting on it)
    // and reads up to its first frame. fileSize receives its size.
    bool open(const std::string& path, std::uint64_t& fileSize) {
        const int fd = openRegularFile(path);
        if (fd < 0) return false;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !(m_file = ::fdopen(fd, "rb"))) {
            ::close(fd);
            return false;
        }
        fileSize = static_cast<std::uint64_t>(st.st_size);
        return true;
    }
    bool start() { return mpg123_open_handle(m_handle, m_file) == MPG123_OK; }

    mpg123_handle* get() const { return m_handle; }
    // The file's descriptor, for reads at a position (which leave the stream's own alone).
    int fd() const { return m_file ? ::fileno(m_file) : -1; }

private:
    mpg123_handle* m_handle = nullptr;
    FILE* m_file = nullptr;
};

// Opens path and reads up to the first audio frame. 0, kCvOpenMp3Input or kCvInvalidMp3.
int openStream(const std::string& path, Decoder& decoder, long& rate, int& channels,
               std::uint64_t& fileSize) {
    if (!decoder.open(path, fileSize)) return kCvOpenMp3Input;
    if (!decoder.create()) return kCvNoResources;
    if (!decoder.start()) return kCvOpenMp3Input;
    int encoding = 0;
    if (mpg123_getformat(decoder.get(), &rate, &channels, &encoding) != MPG123_OK)
        return kCvInvalidMp3;
    if (rate <= 0 || (channels != 1 && channels != 2)) return kCvInvalidMp3;
    // A WAV file has one format: keep the first one for the whole stream.
    mpg123_format_none(decoder.get());
    mpg123_format(decoder.get(), rate, channels, MPG123_ENC_SIGNED_16);
    return kConvertOk;
}

// The stream's length in frames when the file states it (an info frame), else -1.
std::int64_t statedLength(mpg123_handle* mh) {
    long accurate = 0;
    double unused = 0;
    if (mpg123_getstate(mh, MPG123_ACCURATE, &accurate, &unused) != MPG123_OK || !accurate)
        return -1;
    const off_t length = mpg123_length(mh);
    return length < 0 ? -1 : static_cast<std::int64_t>(length);
}

bool hasId3v1(int fd, std::uint64_t size) {
    if (size < kId3v1Bytes) return false;
    char tag[3];
    return ::pread(fd, tag, 3, static_cast<off_t>(size - kId3v1Bytes)) == 3 &&
           std::memcmp(tag, "TAG", 3) == 0;
}

// Bytes after the last frame the decoder took that are neither a tag nor empty: a frame cut
// short, or something that is not audio.
bool unparsedTail(mpg123_handle* mh, int fd, std::uint64_t fileSize) {
    mpg123_frameinfo2 frame{};
    const off_t last = mpg123_framepos(mh);
    if (fd < 0 || last < 0 || mpg123_info2(mh, &frame) != MPG123_OK) return false;
    const std::uint64_t parsedEnd = static_cast<std::uint64_t>(last) + frame.framesize;
    std::uint64_t end = fileSize;
    if (hasId3v1(fd, end)) end -= kId3v1Bytes;
    bool damaged = false;
    if (end > parsedEnd) {
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(end - parsedEnd, kTailScanBytes));
        std::string tail(count, '\0');
        const ssize_t got = ::pread(fd, tail.data(), count, static_cast<off_t>(parsedEnd));
        if (got > 0) {
            tail.resize(static_cast<std::size_t>(got));
            const bool tagged = tail.find("APETAGEX") != std::string::npos ||
                                tail.find("LYRICSBEGIN") != std::string::npos;
            damaged = !tagged && tail.find_first_not_of('\0') != std::string::npos;
        }
    }
    return damaged;
}

int writeFailure(const WaveWriter& writer) {
    return writer.error() == ENOSPC ? kCvNoTempSpace : kCvWriteOutput;
}

}  // namespace

int probeMp3File(const std::string& path, Mp3FileInfo& info) {
    info = {};
    Decoder decoder;
    long rate = 0;
    int channels = 0;
    std::uint64_t fileSize = 0;
    const int opened = openStream(path, decoder, rate, channels, fileSize);
    if (opened != kConvertOk) return opened;
    mpg123_handle* mh = decoder.get();
    mpg123_frameinfo2 frame{};
    if (mpg123_info2(mh, &frame) != MPG123_OK) return kCvInvalidMp3;
    info.sampleRate = static_cast<std::uint32_t>(rate);
    info.channels = static_cast<std::uint16_t>(channels);
    info.variableBitrate = frame.vbr != MPG123_CBR;
    if (mpg123_scan(mh) != MPG123_OK) return kCvInvalidMp3;
    const off_t length = mpg123_length(mh);
    info.frames = length > 0 ? static_cast<std::uint64_t>(length) : 0;
    info.bitrateKbps = static_cast<std::uint32_t>(std::max(frame.bitrate, 0));
    if (!info.variableBitrate) return kConvertOk;
    // The library calls a stream variable when its header frame says so, or when that frame's
    // own bitrate differs from the audio's: the frames themselves tell. The average is theirs,
    // each frame weighing the same playing time.
    if (mpg123_seek(mh, 0, SEEK_SET) < 0) return kConvertOk;
    std::uint64_t sum = 0, count = 0;
    int lowest = 0, highest = 0;
    while (mpg123_framebyframe_next(mh) == MPG123_OK) {
        if (mpg123_info2(mh, &frame) != MPG123_OK) break;
        lowest = count == 0 ? frame.bitrate : std::min(lowest, frame.bitrate);
        highest = std::max(highest, frame.bitrate);
        sum += static_cast<std::uint64_t>(std::max(frame.bitrate, 0));
        ++count;
    }
    if (count == 0) return kConvertOk;
    info.variableBitrate = lowest != highest;
    info.bitrateKbps = static_cast<std::uint32_t>((sum + count / 2) / count);
    return kConvertOk;
}

bool CVMP3WAV::IsConversionPossible(const std::string&) {
    Decoder decoder;
    return decoder.create();
}

int CVMP3WAV::GetBitRateOfMp3File(const std::string& path) {
    Mp3FileInfo info;
    return probeMp3File(path, info) == kConvertOk ? static_cast<int>(info.bitrateKbps) : 0;
}

int CVMP3WAV::ConvertMP3FileIntoWave(const std::string& source, const std::string& destination) {
    m_damaged.store(false);
    m_frames.store(0);
    Decoder decoder;
    long rate = 0;
    int channels = 0;
    std::uint64_t fileSize = 0;
    const int opened = openStream(source, decoder, rate, channels, fileSize);
    if (opened != kConvertOk) return opened;
    mpg123_handle* mh = decoder.get();
    const std::int64_t expected = statedLength(mh);
    auto writer = WaveWriter::createReplacing(destination, static_cast<std::uint32_t>(rate), 16,
                                              static_cast<std::uint16_t>(channels));
    if (!writer) return kCvCreateOutput;

    const std::size_t frameBytes = static_cast<std::size_t>(channels) * kBytesPerSample;
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(kDecodeBufferBytes);
    bool damaged = false;
    int idle = 0;
    for (;;) {
        if (m_stop.load()) return kCvAborted;
        std::size_t done = 0;
        const int status = mpg123_read(mh, buffer.get(), kDecodeBufferBytes, &done);
        done -= done % frameBytes;
        if (done > 0) {
            idle = 0;
            if (writer->dataBytes() + done > kMaxWaveDataBytes) return kCvNoTempSpace;
            if (!writer->write(buffer.get(), done)) return writeFailure(*writer);
        }
        if (status == MPG123_DONE) break;
        if (status == MPG123_NEW_FORMAT) {
            long newRate = 0;
            int newChannels = 0, encoding = 0;
            mpg123_getformat(mh, &newRate, &newChannels, &encoding);
            if (newRate != rate || newChannels != channels) {
                damaged = true;
                break;
            }
            continue;
        }
        if (status != MPG123_OK || (done == 0 && ++idle > kMaxIdleReads)) {
            damaged = true;
            break;
        }
        const off_t at = mpg123_tell_stream(mh);
        if (at > 0 && fileSize > 0)
            m_percent.store(static_cast<int>(
                std::min<std::uint64_t>(99, static_cast<std::uint64_t>(at) * 100 / fileSize)));
    }
    const std::uint64_t frames = writer->dataBytes() / frameBytes;
    if (frames == 0) return kCvInvalidMp3;
    if (expected >= 0 && static_cast<std::int64_t>(frames) < expected) damaged = true;
    if (!damaged && unparsedTail(mh, decoder.fd(), fileSize)) damaged = true;
    if (!writer->finish()) return writer->error() == ENOSPC ? kCvNoTempSpace : kCvCloseOutput;
    m_frames.store(frames);
    m_damaged.store(damaged);
    m_percent.store(100);
    return kConvertOk;
}

}  // namespace sonthra
