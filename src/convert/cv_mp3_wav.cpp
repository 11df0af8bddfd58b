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
#include "wave/file_kind.h"
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
constexpr std::size_t kTailScanBytes = 32 * 1024;
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

// The stream's length in frames, valid only where the file states it in an info frame: for
// any other file the decoder's length is a guess from the file's size.
std::int64_t decodedLength(mpg123_handle* mh) {
    const off_t length = mpg123_length(mh);
    return length < 0 ? -1 : static_cast<std::int64_t>(length);
}

// Reads a file forwards in large blocks through a window that any position may be asked of.
class ForwardReader {
public:
    ForwardReader(int fd, std::uint64_t size) : m_fd(fd), m_size(size), m_buffer(kBlockBytes) {}

    // count bytes at pos, or nullptr when they are not all in the file or cannot be read.
    const std::uint8_t* at(std::uint64_t pos, std::size_t count) {
        if (count > kBlockBytes - kKeptBehind || pos > m_size || m_size - pos < count)
            return nullptr;
        if (pos < m_start || pos + count > m_start + m_held) {
            // A little of what lies before stays in the window: a look one frame ahead must
            // not make the next step back read the block again.
            m_start = pos - std::min<std::uint64_t>(pos, kKeptBehind);
            m_held = 0;
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes, m_size - m_start));
            while (m_held < want) {
                const ssize_t got = ::pread(m_fd, m_buffer.data() + m_held, want - m_held,
                                            static_cast<off_t>(m_start + m_held));
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) break;
                m_held += static_cast<std::size_t>(got);
            }
            if (pos + count > m_start + m_held) return nullptr;
        }
        return m_buffer.data() + (pos - m_start);
    }

private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;
    static constexpr std::uint64_t kKeptBehind = 4096;
    int m_fd;
    std::uint64_t m_size;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_start = 0;
    std::size_t m_held = 0;
};

struct FrameChain {
    bool broken = false;        // a frame cut short, or bytes that are neither frames nor tags
    bool statesLength = false;  // the first frame is an info frame that counts the frames
};

// Whether a layer III frame is an info frame ("Xing", "Info" or "VBRI") that states the number
// of frames: only then is the decoder's length a fact rather than an estimate.
bool infoFrameCounts(const std::uint8_t* frame, std::size_t bytes) {
    const bool mpeg1 = ((frame[1] >> 3) & 3) == 3;
    const bool mono = (frame[3] >> 6) == 3;
    const std::size_t xingAt = 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    if (bytes >= xingAt + 8 && (std::memcmp(frame + xingAt, "Xing", 4) == 0 ||
                                std::memcmp(frame + xingAt, "Info", 4) == 0)) {
        return (frame[xingAt + 7] & 1) != 0;
    }
    constexpr std::size_t kVbriAt = 4 + 32;
    return bytes >= kVbriAt + 4 && std::memcmp(frame + kVbriAt, "VBRI", 4) == 0;
}

// Follows the MPEG frames from the first one to the end of the file. The frames of a whole file
// lie end to end; after the last come only tags (ID3v1, APE, Lyrics3) or zero bytes. A
// truncated file ends inside a frame, and a damaged one breaks the chain where bytes were lost
// or overwritten. A stream whose frames state no length (free format) is not judged.
FrameChain followFrames(int fd, std::uint64_t fileSize) {
    FrameChain chain;
    if (fd < 0) return chain;
    ForwardReader file(fd, fileSize);
    std::uint64_t pos = 0;
    for (const std::uint8_t* p; (p = file.at(pos, 10)) != nullptr;) {
        const std::uint64_t tag = id3v2TagBytes(p, 10);
        if (tag == 0) break;
        pos += tag;
    }
    // The first frame is the first header that another follows where it says: some encoders
    // leave a few bytes before it, which the decoder skips too.
    constexpr std::uint64_t kLeadingJunkLimit = 64 * 1024;
    std::uint8_t first[4] = {};
    const std::uint64_t searchEnd = pos + kLeadingJunkLimit;
    for (;; ++pos) {
        const std::uint8_t* p = file.at(pos, 4);
        if (p == nullptr || pos >= searchEnd) return chain;
        const std::size_t bytes = mpegFrameBytes(p, nullptr);
        if (bytes == 0) continue;
        std::memcpy(first, p, 4);
        const std::uint8_t* next = file.at(pos + bytes, 4);
        if (next != nullptr && mpegFrameBytes(next, nullptr) != 0 &&
            (next[1] & 0x1E) == (first[1] & 0x1E) && (next[2] & 0x0C) == (first[2] & 0x0C)) {
            break;
        }
    }
    int layer = 0;
    const std::size_t firstBytes = mpegFrameBytes(first, &layer);
    if (layer == 3) {
        const std::size_t look = std::min<std::size_t>(firstBytes, 64);
        if (const std::uint8_t* frame = file.at(pos, look)) {
            chain.statesLength = infoFrameCounts(frame, look);
        }
    }
    std::uint64_t end = fileSize;
    if (const std::uint8_t* t = file.at(end >= kId3v1Bytes ? end - kId3v1Bytes : 0, 3);
        t != nullptr && end >= kId3v1Bytes && std::memcmp(t, "TAG", 3) == 0) {
        end -= kId3v1Bytes;
    }
    while (pos < end) {
        const std::uint8_t* p = end - pos >= 4 ? file.at(pos, 4) : nullptr;
        const std::size_t bytes = p != nullptr ? mpegFrameBytes(p, nullptr) : 0;
        if (bytes != 0 && (p[1] & 0x1E) == (first[1] & 0x1E) &&
            (p[2] & 0x0C) == (first[2] & 0x0C)) {
            if (end - pos < bytes) {
                chain.broken = true;  // the last frame is cut short
                return chain;
            }
            pos += bytes;
            continue;
        }
        // A tag between two streams joined end to end.
        const std::uint8_t* head = end - pos >= 10 ? file.at(pos, 10) : nullptr;
        const std::uint64_t tag = head != nullptr ? id3v2TagBytes(head, 10) : 0;
        if (tag != 0 && tag <= end - pos) {
            pos += tag;
            continue;
        }
        break;
    }
    if (pos >= end) return chain;
    // What follows the last frame: tags or padding, else the chain broke here.
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(end - pos, kTailScanBytes));
    const std::uint8_t* tail = file.at(pos, count);
    if (tail == nullptr) return chain;
    const std::string_view rest(reinterpret_cast<const char*>(tail), count);
    const bool tagged = rest.find("APETAGEX") != std::string_view::npos ||
                        rest.find("LYRICSBEGIN") != std::string_view::npos;
    chain.broken = !tagged && rest.find_first_not_of('\0') != std::string_view::npos;
    return chain;
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
    const std::int64_t expected = decodedLength(mh);
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
    const FrameChain chain = followFrames(decoder.fd(), fileSize);
    if (chain.broken) damaged = true;
    // Only a length the file states is held against what was decoded.
    if (chain.statesLength && expected >= 0 && static_cast<std::int64_t>(frames) < expected)
        damaged = true;
    if (!writer->finish()) return writer->error() == ENOSPC ? kCvNoTempSpace : kCvCloseOutput;
    m_frames.store(frames);
    m_damaged.store(damaged);
    m_percent.store(100);
    return kConvertOk;
}

}  // namespace sonthra
