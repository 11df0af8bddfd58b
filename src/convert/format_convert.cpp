#include "convert/format_convert.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "convert/format_samples.h"
#include "wave/safe_file.h"
#include "wave/wave_layout.h"
#include "wave/wave_writer.h"

namespace sonthra {

int FormatCodeToMessage(int code) {
    switch (code) {
        case 0:
            return 0;
        case 101:
            return 129;
        case 102:
            return 450;
        case 103:
            return 451;
        case 115:
            return 452;
        case 116:
            return 453;
        case 117:
            return 454;
        case 118:
            return 455;
        case 124:
            return 459;
        case 137:
            return 472;
        case 119:
        case 121:
        case 133:
        case 135:
            return 104;
        case 120:
            return 456;
        case 122:
            return 457;
        case 123:
            return 458;
        case 125:
            return 460;
        case 126:
            return 461;
        case 134:
            return 469;
        case 136:
            return 471;
        case 138:
            return 473;
        default:
            break;
    }
    if (code >= 127 && code <= 132) return 462 + (code - 127);
    if (code >= 139 && code <= 141) return 474 + (code - 139);
    return 449;
}

bool isConvertibleFormat(const WaveFormat& format) {
    return isSupportedPcm(format) && format.sampleRate >= 1000 && format.sampleRate <= 384000;
}

namespace {

// Source frames converted between two looks at the cancel flag.
constexpr std::size_t kBlockFrames = 1 << 16;

}  // namespace

struct ConvertJob {
    ~ConvertJob() {
        if (worker.joinable()) {
            cancel = true;
            worker.join();
        }
        if (sourceFd >= 0) ::close(sourceFd);
    }

    void run();
    int convert();
    int writeTail();

    std::atomic<bool> over{false};
    std::atomic<bool> cancel{false};
    std::atomic<int> progress{0};
    std::atomic<int> reason{0};

    std::thread worker;
    int sourceFd = -1;
    WaveFileLayout layout;
    WaveFormat target;
    std::string destination;
    std::string partName;  // the new file, beside the destination until it is complete
    std::unique_ptr<WaveWriter> writer;
    FormatPipeline pipeline;
    std::vector<unsigned char> input;
    std::vector<unsigned char> output;
};

void ConvertJob::run() {
    int code = kFmtOk;
    try {
        code = convert();
    } catch (const std::bad_alloc&) {
        code = kFmtNoMemory;
    }
    if (code != kFmtOk) {
        writer.reset();
        ::unlink(partName.c_str());
    }
    progress = code == kFmtOk ? 100 : progress.load();
    reason = code;
    over = true;
}

int ConvertJob::convert() {
    const std::uint64_t frames = layout.frames();
    const std::uint32_t align = layout.format.blockAlign;
    input.resize(static_cast<std::size_t>(std::min<std::uint64_t>(frames, kBlockFrames)) * align);
    for (std::uint64_t done = 0; done < frames;) {
        if (cancel) return kFmtCancelled;
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, frames - done));
        const std::size_t bytes = count * align;
        std::size_t got = 0;
        while (got < bytes) {
            const ssize_t n = ::pread(sourceFd, input.data() + got, bytes - got,
                                      static_cast<off_t>(layout.dataOffset + done * align + got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return kFmtCannotReadInput;
            got += static_cast<std::size_t>(n);
        }
        output.clear();
        if (!pipeline.push(input.data(), count, output)) return kFmtResampleFailed;
        if (!output.empty() && !writer->write(output.data(), output.size())) return kFmtWriteFailed;
        done += count;
        progress = static_cast<int>(done * 100 / frames);
    }
    if (cancel) return kFmtCancelled;
    return writeTail();
}

int ConvertJob::writeTail() {
    output.clear();
    if (!pipeline.finish(output)) return kFmtResampleFailed;
    if (!output.empty() && !writer->write(output.data(), output.size())) return kFmtWriteFailed;
    if (!writer->addChunksFrom(sourceFd, layout.otherChunks)) return kFmtWriteFailed;
    if (!writer->finish()) return kFmtFinishFailed;
    writer.reset();
    // A cancel that came while the file was closed still leaves the destination as it was.
    if (cancel) return kFmtCancelled;
    if (::rename(partName.c_str(), destination.c_str()) != 0) return kFmtCannotMove;
    return kFmtOk;
}

namespace {

// A new, unique file name beside the destination; the file is created empty.
bool makePartName(const std::string& destination, std::string& name) {
    std::string pattern = folderOf(destination) + "/.sonthra-convert-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return false;
    ::close(fd);
    name = pattern;
    return true;
}

int prepare(ConvertJob& job, const std::string& source, const std::string& destination,
            std::span<const unsigned char> format) {
    if (format.size() < kWaveFormatBytes) return kFmtBufferTooSmall;
    job.target = decodeWaveFormat(format.data(), kWaveFormatBytes);
    if (!isConvertibleFormat(job.target)) return kFmtBadTarget;
    if (destination.empty()) return kFmtCannotCreateOutput;

    if (inspectWave(source, job.layout) != WaveInspect::Ok) return kFmtCannotOpenInput;
    const WaveFormat& from = job.layout.format;
    if (!isConvertibleFormat(from)) return kFmtBadInput;
    const std::uint64_t frames = job.layout.frames();
    const std::uint64_t outFrames = convertedFrames(frames, from.sampleRate, job.target.sampleRate);
    if (outFrames > kMaxWaveDataBytes / job.target.blockAlign) return kFmtBadTarget;

    job.sourceFd = openRegularFile(source);
    if (job.sourceFd < 0) return kFmtCannotOpenInput;
    if (!job.pipeline.open(from, job.target, frames)) return kFmtCannotStartResampler;

    if (!makePartName(destination, job.partName)) return kFmtCannotCreateOutput;
    job.destination = destination;
    job.writer = WaveWriter::create(job.partName, job.target.sampleRate, job.target.bitsPerSample,
                                    job.target.channels);
    if (!job.writer) {
        ::unlink(job.partName.c_str());
        return kFmtCannotCreateOutput;
    }
    return kFmtOk;
}

}  // namespace

int AudioConvert(const std::string& source, const std::string& destination,
                 std::span<const unsigned char> format, ConvertHandle* handle, int zero) {
    if (!handle) return kFmtNoMemory;
    *handle = nullptr;
    if (zero != 0) return kFmtBadTarget;
    std::unique_ptr<ConvertJob> job(new (std::nothrow) ConvertJob);
    if (!job) return kFmtNoMemory;
    int code = kFmtOk;
    try {
        code = prepare(*job, source, destination, format);
    } catch (const std::bad_alloc&) {
        code = kFmtNoMemory;
    }
    if (code != kFmtOk) {
        if (job->writer) {
            job->writer.reset();
            ::unlink(job->partName.c_str());
        }
        return code;
    }
    try {
        job->worker = std::thread([raw = job.get()] { raw->run(); });
    } catch (const std::system_error&) {
        job->writer.reset();
        ::unlink(job->partName.c_str());
        return kFmtCannotStartWorker;
    }
    *handle = job.release();
    return kFmtOk;
}

int AudioConvertProcessIsOver(ConvertHandle handle) {
    return !handle || handle->over.load() ? 1 : 0;
}

std::uint16_t AudioConvertGetReasonForProcessExit(ConvertHandle handle) {
    if (!handle || !handle->over.load()) return 0;
    return static_cast<std::uint16_t>(handle->reason.load());
}

int AudioConvertGetProcessProgress(ConvertHandle handle) {
    return handle ? handle->progress.load() : 0;
}

int AudioConvertCancelPressed(ConvertHandle handle) {
    if (handle) handle->cancel = true;
    return 0;
}

int AudioConvertCloseHandle(ConvertHandle* holder) {
    if (!holder) return 0;
    delete *holder;  // cancels and waits for a worker still running
    *holder = nullptr;
    return 0;
}

}  // namespace sonthra
