// The program's WMA reading library ("PlayBackEngine.so" beside the program), over FFmpeg:
//
//   GetFileInfo(record)                 record: 2,328 bytes, the path as a NUL-terminated string
//                                       at offset 1040; fills the bitrate (bits per second,
//                                       32-bit) at offset 0. 0 readable, 1 copy protected,
//                                       2 not a WMA file FFmpeg can decode.
//   ConvertWmaFileIntoWave(source, destination, &cancel, &progress, &state)
//                                       writes a 16-bit PCM WAV file (mono or stereo, the
//                                       source's rate). state: 1 running, 0 finished, 2 failed,
//                                       3 cancelled (cancel set to 1). Result 0, 11 when the
//                                       audio did not fit in one WAV file (the start was kept),
//                                       1 protected, 2 not decodable, 3 cancelled, 4 cannot write.
//   StartPlayBack(path) / StopPlayBack()
//                                       no direct playback here: the program plays the WAV it
//                                       imported, so these answer 5 (not offered).
//
// The WAV goes to a temporary file beside the destination and replaces it only when complete.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "wave/safe_file.h"
#include "wma_av.h"

#define WMA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::size_t kRecordSize = 2328;
constexpr std::size_t kPathOffset = 1040;
constexpr int kOk = 0;
constexpr int kProtected = 1;
constexpr int kNotDecodable = 2;
constexpr int kCancelled = 3;
constexpr int kCannotWrite = 4;
constexpr int kNotOffered = 5;
constexpr int kTooLarge = 11;
constexpr std::int32_t kStateFinished = 0;
constexpr std::int32_t kStateFailed = 2;
constexpr std::int32_t kStateAborted = 3;
// The most data bytes a WAV file's 32-bit sizes can describe.
constexpr std::uint64_t kMaxWaveData = 0xFFFFFFFFull - 36;
constexpr std::size_t kWaveHeaderBytes = 44;

void put16(unsigned char* p, std::uint16_t v) {
    p[0] = v & 0xFF;
    p[1] = v >> 8;
}
void put32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = (v >> (8 * i)) & 0xFF;
}

void waveHeader(unsigned char* h, int rate, int channels, std::uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, static_cast<std::uint16_t>(channels));
    put32(h + 24, static_cast<std::uint32_t>(rate));
    put32(h + 28, static_cast<std::uint32_t>(rate * channels * 2));
    put16(h + 32, static_cast<std::uint16_t>(channels * 2));
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
}

// The sample bytes go out in large writes, and the disk is set to work on them as they come,
// so that the flush at the end finds little left to do.
class WaveOutput {
public:
    explicit WaveOutput(sonthra::SafeFileWriter& file) : m_file(file) { m_buffer.reserve(kBytes); }
    bool append(const unsigned char* bytes, std::size_t count) {
        if (m_buffer.size() + count > kBytes && !drain()) return false;
        if (count >= kBytes) return put(bytes, count);
        m_buffer.insert(m_buffer.end(), bytes, bytes + count);
        return true;
    }
    bool drain() {
        if (m_buffer.empty()) return true;
        if (!put(m_buffer.data(), m_buffer.size())) return false;
        m_buffer.clear();
        return true;
    }

private:
    bool put(const unsigned char* bytes, std::size_t count) {
        if (!m_file.write({reinterpret_cast<const char*>(bytes), count})) return false;
        m_written += count;
        if (m_written - m_started >= kWritebackBytes) {
            ::sync_file_range(m_file.fd(), static_cast<off_t>(kWaveHeaderBytes + m_started),
                              static_cast<off_t>(m_written - m_started), SYNC_FILE_RANGE_WRITE);
            m_started = m_written;
        }
        return true;
    }

    static constexpr std::size_t kBytes = 256 * 1024;
    static constexpr std::uint64_t kWritebackBytes = 8 * 1024 * 1024;
    sonthra::SafeFileWriter& m_file;
    std::vector<unsigned char> m_buffer;
    std::uint64_t m_written = 0;  // sample bytes handed to the file (after the header)
    std::uint64_t m_started = 0;  // of those, the bytes whose writeback has been started
};

int fail(volatile std::int32_t* state, std::int32_t value, int code) {
    if (state) *state = value;
    return code;
}

int convert(const char* source, const char* destination, volatile std::int32_t* cancel,
            volatile std::int32_t* progress, volatile std::int32_t* state) {
    if (state) *state = 1;
    if (!source || !destination) return fail(state, kStateFailed, kNotDecodable);
    const wmaplugin::SourceCheck check = wmaplugin::checkSource(source);
    if (check == wmaplugin::SourceCheck::Protected) return fail(state, kStateFailed, kProtected);
    if (check != wmaplugin::SourceCheck::Asf) return fail(state, kStateFailed, kNotDecodable);
    wmaplugin::AudioReader reader;
    const wmaplugin::ReadError opened = reader.open(source, true, cancel);
    if (opened == wmaplugin::ReadError::Cancelled) return fail(state, kStateAborted, kCancelled);
    if (opened != wmaplugin::ReadError::None) return fail(state, kStateFailed, kNotDecodable);
    const int channels = reader.channels() >= 2 ? 2 : 1;
    const int rate = reader.sampleRate();
    if (!reader.setOutput(AV_SAMPLE_FMT_S16, rate, channels))
        return fail(state, kStateFailed, kNotDecodable);

    sonthra::SafeFileWriter out(destination);
    if (!out.open()) return fail(state, kStateFailed, kCannotWrite);
    unsigned char header[kWaveHeaderBytes];
    waveHeader(header, rate, channels, 0);
    if (!out.write({reinterpret_cast<const char*>(header), sizeof header}))
        return fail(state, kStateFailed, kCannotWrite);

    AVFrame* frame = av_frame_alloc();
    if (!frame) return fail(state, kStateFailed, kCannotWrite);
    WaveOutput samples(out);
    const std::uint64_t blockAlign = static_cast<std::uint64_t>(channels) * 2;
    const std::uint64_t limit = kMaxWaveData / blockAlign * blockAlign;
    std::uint64_t written = 0;
    bool truncated = false;
    int code = kOk;
    while (reader.next(frame)) {
        std::uint64_t bytes = static_cast<std::uint64_t>(frame->nb_samples) * blockAlign;
        if (written + bytes > limit) {
            bytes = limit - written;
            truncated = true;
        }
        if (!samples.append(frame->data[0], bytes)) {
            code = kCannotWrite;
            break;
        }
        written += bytes;
        wmaplugin::storePercent(progress, reader.position(), reader.fileSize());
        if (truncated) break;
    }
    av_frame_free(&frame);
    if (code == kOk && !samples.drain()) code = kCannotWrite;
    if (code == kOk && reader.error() == wmaplugin::ReadError::Cancelled)
        return fail(state, kStateAborted, kCancelled);
    if (code == kOk && reader.error() != wmaplugin::ReadError::None && written == 0)
        code = kNotDecodable;
    if (code == kOk && written == 0) code = kNotDecodable;  // nothing decodable in the file
    if (code != kOk) return fail(state, kStateFailed, code);

    waveHeader(header, rate, channels, static_cast<std::uint32_t>(written));
    if (::pwrite(out.fd(), header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
        !out.commit()) {
        return fail(state, kStateFailed, kCannotWrite);
    }
    if (progress) *progress = 100;
    if (state) *state = kStateFinished;
    return truncated ? kTooLarge : kOk;
}

}  // namespace

WMA_EXPORT int GetFileInfo(unsigned char* record) {
    try {
        if (!record) return kNotDecodable;
        const char* path = reinterpret_cast<const char*>(record + kPathOffset);
        if (::strnlen(path, kRecordSize - kPathOffset) == kRecordSize - kPathOffset)
            return kNotDecodable;
        put32(record, 0);
        const wmaplugin::SourceCheck check = wmaplugin::checkSource(path);
        if (check == wmaplugin::SourceCheck::Protected) return kProtected;
        if (check != wmaplugin::SourceCheck::Asf) return kNotDecodable;
        wmaplugin::AudioReader reader;
        if (reader.open(path, true, nullptr) != wmaplugin::ReadError::None) return kNotDecodable;
        const std::int64_t bits = reader.bitRate();
        put32(record, bits > 0 && bits <= 0xFFFFFFFF ? static_cast<std::uint32_t>(bits) : 0);
        return kOk;
    } catch (...) {
        return kNotDecodable;
    }
}

WMA_EXPORT int ConvertWmaFileIntoWave(const char* source, const char* destination,
                                      std::int32_t* cancel, std::int32_t* progress,
                                      std::int32_t* state) {
    try {
        return convert(source, destination, cancel, progress, state);
    } catch (...) {
        return fail(state, kStateFailed, kNotDecodable);
    }
}

WMA_EXPORT int StartPlayBack(const char*) {
    return kNotOffered;
}
WMA_EXPORT int StopPlayBack() {
    return kNotOffered;
}
