#include "wave/wave_reader.h"

#include <algorithm>
#include <atomic>

#include "wave/wave_layout.h"

namespace sonthra {
namespace {

std::atomic<WaveMessageSink*> g_sink{nullptr};

}  // namespace

const char* waveReaderMessage(int code) {
    switch (code) {
        case kWaveReadNoMemory:
            return "Error: Unable to allocate memory.";
        case kWaveReadBadName:
            return "Error : Invalid file format.";
        case kWaveReadCannotRead:
            return "Error : Unable to read data from file.";
        case kWaveReadNoData:
            return "Error : The file has no data.";
        case kWaveReadNotPcm:
            return "Error : Not a PCM Format File.";
        case kWaveReadShort:
            return "Error : Unable to read whole data from file.";
        case kWaveErrBadFormat:
            return "Error : The Wave Output Device does not support the format required to run "
                   "this program.";
        case kRiffErrChunkNotFound:
            return "Error : The end of the file (or the end of the parent chunk, if given) was "
                   "reached before the desired chunk was found.";
        case kRiffErrPathNotFound:
            return "Error : The directory specification is incorrect.";
        case kRiffErrAccessDenied:
            return "Error : The file is protected and cannot be opened.";
        case kRiffErrSharingViolation:
            return "Error : The file is being used by another application and is unavailable.";
        case kRiffErrNetworkError:
            return "Error : The network is not responding to the request to open a remote file.";
        case kRiffErrTooManyOpenFiles:
            return "Error : The number of files simultaneously open is at a maximum level. The "
                   "system has run out of available file handles.";
        case kRiffErrInvalidFile:
            return "Error : Another failure condition occurred. This is the default error for an "
                   "open-file failure.";
        default:
            return "Unknown Error";
    }
}

void setWaveMessageSink(WaveMessageSink* sink) {
    g_sink.store(sink);
}

int WaveReader::fail(int code) {
    if (WaveMessageSink* sink = g_sink.load()) sink->show(code, waveReaderMessage(code));
    close();
    return code;
}

int WaveReader::open(const std::string& name, RiffFile::Mode mode) {
    close();
    if (name.empty()) return fail(kWaveReadBadName);
    if (file.open(name, mode) != kRiffOk) return fail(kWaveReadCannotRead);
    fileName = name;

    int result = file.descend(riffChunk, nullptr, RiffFind::AnyRiff);
    if (result != kRiffOk) return fail(result);
    fmtChunk.id = kFmtId;
    result = file.descend(fmtChunk, &riffChunk, RiffFind::ChunkId);
    if (result != kRiffOk) return fail(result);

    // Older writers store a 16-byte record without the extra-size field; anything shorter
    // lacks the sample size and cannot be read.
    unsigned char bytes[kFmtChunkReadBytes] = {};
    const std::size_t want = std::min<std::size_t>(fmtChunk.statedSize, kFmtChunkReadBytes);
    if (want < 16 || file.read(bytes, want) != static_cast<std::int64_t>(want)) {
        return fail(kWaveReadCannotRead);
    }
    format = decodeFmtChunk(bytes, want);
    switch (pcmSupport(format)) {
        case PcmSupport::Supported:
            break;
        case PcmSupport::NotPcm:
            return fail(kWaveReadNotPcm);
        case PcmSupport::Malformed:
            return fail(kWaveReadCannotRead);
        case PcmSupport::Unsupported:
            return fail(kWaveErrBadFormat);
    }

    if (file.ascend(fmtChunk) != kRiffOk) return fail(kWaveReadCannotRead);
    dataChunk.id = kDataId;
    if (file.descend(dataChunk, &riffChunk, RiffFind::ChunkId) != kRiffOk) {
        return fail(kWaveReadCannotRead);
    }
    dataSize = usableDataBytes(file, dataChunk);
    if (dataSize == 0) return fail(kWaveReadNoData);
    file.seek(dataChunk.dataOffset);
    return kWaveReadOk;
}

int WaveReader::readBlock(std::uint32_t offset, std::uint32_t count, std::uint32_t& bytesRead,
                          void* buffer) {
    bytesRead = 0;
    if (!file.isOpen() || offset >= dataSize) return kWaveReadShort;
    // Never past the chunk: what follows it (a tag, say) is not audio.
    const std::uint32_t want = std::min(count, dataSize - offset);
    if (!file.seek(dataChunk.dataOffset + offset)) return kWaveReadShort;
    const std::int64_t got = file.read(buffer, want);
    file.seek(dataChunk.dataOffset);
    if (got <= 0) return kWaveReadShort;
    bytesRead = static_cast<std::uint32_t>(got);
    return kWaveReadOk;
}

void WaveReader::close() {
    file.close();
    fileName.clear();
    format = WaveFormat{};
    dataSize = 0;
    riffChunk = RiffChunk{};
    dataChunk = RiffChunk{};
    fmtChunk = RiffChunk{};
}

}  // namespace sonthra
