#include "effects/effect_processing.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/effect_codes.h"
#include "effects/effect_host.h"
#include "messages/message_table.h"
#include "wave/wave_layout.h"
#include "wave/wave_probe.h"
#include "wave/wave_writer.h"

namespace sonthra {

namespace {

constexpr int kMsgCannotWrite = 369;
constexpr int kMsgCannotReadEffectFile = 398;
constexpr int kMsgCannotApply = 391;

// The share of the whole that one phase of the progress bar stands for.
class PhaseProgress {
public:
    PhaseProgress(EffectJob& job, std::uint64_t total) : m_job(job), m_total(total) {}

    void begin(std::uint64_t phaseBytes) {
        m_base = m_job.progress();
        m_length = phaseBytes;
        m_share = m_total ? static_cast<int>(std::lround(100.0 * phaseBytes / m_total)) : 0;
    }
    void update(std::uint64_t doneBytes) {
        if (m_length == 0) return;
        const double part = static_cast<double>(std::min(doneBytes, m_length)) / m_length;
        m_job.setProgress(std::min(100, m_base + static_cast<int>(std::lround(m_share * part))));
    }

private:
    EffectJob& m_job;
    std::uint64_t m_total;
    std::uint64_t m_length = 0;
    int m_base = 0;
    int m_share = 0;
};

bool readAt(int fd, std::uint64_t offset, std::uint32_t count, unsigned char* buffer) {
    std::uint32_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, buffer + got, count - got, static_cast<off_t>(offset + got));
        if (n <= 0) return false;
        got += static_cast<std::uint32_t>(n);
    }
    return true;
}

// Everything one application holds open; released in the destructor on every path.
struct Application {
    EffectPlugin& plugin;
    int input = -1;
    std::unique_ptr<WaveWriter> output;
    bool buffersHeld = false;  // SetEffectParams succeeded: FreeEffectBuffers is owed

    explicit Application(EffectPlugin& p) : plugin(p) {}
    ~Application() {
        if (input >= 0) ::close(input);
        if (buffersHeld) plugin.FreeEffectBuffers(plugin.params);
    }
};

struct Layout {
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;
    std::uint32_t align = 1;
    std::uint64_t low = 0;   // bytes
    std::uint64_t high = 0;  // bytes
    bool whole = true;
    std::vector<RiffChunk> chunks;  // the file's other chunks, which the output carries
};

// Copies [from, to) of the data in chunks, watching for a cancel before each: 0 or a message.
int copyRange(EffectJob& job, const EffectRequest& request, Application& app, const Layout& l,
              std::uint64_t from, std::uint64_t to, EffectPhase phase, PhaseProgress& progress) {
    progress.begin(to - from);
    for (std::uint64_t done = 0; from + done < to;) {
        if (request.beforeChunk) request.beforeChunk(phase);
        if (job.cancelRequested()) return kCancelled;
        const std::uint64_t n = std::min<std::uint64_t>(kEffectChunkBytes, to - from - done);
        if (!app.output->writeFrom(app.input, l.dataOffset + from + done, n)) {
            return kMsgCannotWrite;
        }
        done += n;
        progress.update(done);
    }
    return 0;
}

int processSelection(EffectJob& job, const EffectRequest& request, Application& app,
                     const Layout& l, PhaseProgress& progress) {
    std::vector<unsigned char> in;
    std::vector<unsigned char> out;
    try {
        in.resize(kEffectChunkBytes);
        out.resize(kEffectChunkBytes);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    const std::uint64_t from = l.whole ? 0 : l.low;
    const std::uint64_t length = (l.whole ? l.dataBytes : l.high) - from;
    progress.begin(length);
    std::uint32_t outCount = kEffectChunkBytes;
    for (std::uint64_t done = 0;;) {
        if (request.beforeChunk) request.beforeChunk(EffectPhase::Selection);
        if (job.cancelRequested()) return kCancelled;
        const auto n =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kEffectChunkBytes, length - done));
        // A chunk that cannot be read would silently shorten the audio: it ends the effect.
        if (n > 0 && !readAt(app.input, l.dataOffset + from + done, n, in.data())) {
            return kMsgCannotReadEffectFile;
        }
        std::uint32_t inCount = n;
        const int code =
            app.plugin.ApplyEffect(in.data(), out.data(), &inCount, &outCount, app.plugin.params);
        if (code != 0) {
            const int message = EffectCodeToMessage(code);
            return message != 0 ? message : kMsgCannotApply;
        }
        if (outCount == 0) return 0;
        // More than the buffer holds means the plug-in wrote past it or reports nonsense.
        if (outCount > kEffectChunkBytes) return kMsgCannotApply;
        if (!app.output->write(out.data(), outCount)) return kMsgCannotWrite;
        done += n;
        progress.update(done);
    }
}

int prepare(EffectJob& job, const EffectRequest& request, Application& app, Layout& l,
            WaveFormat& format) {
    std::uint32_t frames = 0;
    const int probe = probeWave(request.sourcePath, &frames, &format);
    if (probe != 0) return probe;
    WaveFileLayout layout;
    if (inspectWave(request.sourcePath, layout) != WaveInspect::Ok) return kMsgCannotReadEffectFile;
    l.dataOffset = layout.dataOffset;
    l.chunks = std::move(layout.otherChunks);
    l.align = format.blockAlign;
    l.dataBytes = static_cast<std::uint64_t>(frames) * l.align;

    std::uint64_t low = std::min(request.selectionStart, request.selectionEnd);
    std::uint64_t high = std::max(request.selectionStart, request.selectionEnd);
    // No selection (the two ends equal, wherever the caret stands) means the whole file; an
    // empty range would only let an effect add a tail of nothing at the caret.
    l.whole = low == high;
    l.low = l.whole ? 0 : std::min<std::uint64_t>(low, frames) * l.align;
    l.high = l.whole ? 0 : std::min<std::uint64_t>(high, frames) * l.align;
    const std::uint64_t caret = std::min<std::uint64_t>(request.caret, frames) * l.align;

    EffectPlugin& plugin = app.plugin;
    std::int32_t interfaceValue = 0;
    int code = plugin.QueryEffectInterface(plugin.params, &interfaceValue);
    if (code != 0) return EffectCodeToMessage(code) ? EffectCodeToMessage(code) : kMsgCannotApply;
    if (interfaceValue > 0) plugin.sourcePath = request.sourcePath;

    EffectWaveFormat wf{format.formatTag,      format.channels,   format.sampleRate,
                        format.avgBytesPerSec, format.blockAlign, format.bitsPerSample,
                        format.extraSize};
    code = plugin.SetEffectParams(
        plugin.params, &wf, plugin.sourcePath.c_str(), static_cast<std::uint32_t>(caret),
        static_cast<std::uint32_t>(l.low), static_cast<std::uint32_t>(l.high), kEffectChunkBytes);
    if (code != 0) return EffectCodeToMessage(code) ? EffectCodeToMessage(code) : kMsgCannotApply;
    app.buffersHeld = true;
    (void)job;

    app.input = ::open(request.sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (app.input < 0) return kMsgCannotReadEffectFile;
    app.output = WaveWriter::create(request.outputPath, format.sampleRate, format.bitsPerSample,
                                    format.channels);
    if (!app.output) return kMsgCannotReadEffectFile;
    return 0;
}

int stream(EffectJob& job, const EffectRequest& request, Application& app, const Layout& l) {
    PhaseProgress progress(job, l.dataBytes);
    int result = 0;
    if (!l.whole) {
        result = copyRange(job, request, app, l, 0, l.low, EffectPhase::Before, progress);
        if (result != 0) return result;
    }
    result = processSelection(job, request, app, l, progress);
    if (result != 0) return result;
    if (!l.whole) {
        result = copyRange(job, request, app, l, l.high, l.dataBytes, EffectPhase::After, progress);
        if (result != 0) return result;
    }
    // A tag, markers or a broadcast description belong to the file, not to the audio changed.
    if (!app.output->addChunksFrom(app.input, l.chunks)) return kMsgCannotWrite;
    return app.output->finish() ? 0 : kMsgCannotWrite;
}

}  // namespace

void EffectJob::cancel() {
    if (m_subject && m_subject->AbortEffectProcessing) {
        m_subject->AbortEffectProcessing(m_subject->params);
    }
    m_state.store(kJobCancelRequested);
    m_result.store(kCancelled);
}

void EffectJob::run(const EffectRequest& request) {
    if (!m_subject || cancelRequested()) {
        m_result.store(kCancelled);
        m_state.store(kJobAborted);
        return;
    }
    const int result = DoEffectProcessing(*this, request);
    m_result.store(result);
    m_state.store(result == kCancelled ? kJobAborted : result != 0 ? kJobFailed : kJobFinished);
}

int DoEffectProcessing(EffectJob& job, const EffectRequest& request) {
    job.setProgress(0);
    if (!job.subject()) return kCancelled;
    int result = 0;
    {
        Application app(*job.subject());
        Layout layout;
        WaveFormat format;
        result = prepare(job, request, app, layout, format);
        if (result == 0) result = stream(job, request, app, layout);
        app.output.reset();
    }
    if (result != 0) ::unlink(request.outputPath.c_str());
    job.setProgress(100);
    return result;
}

EffectRun::EffectRun(EffectPlugin* plugin, EffectRequest request)
    : m_job(plugin), m_request(std::move(request)) {}

EffectRun::~EffectRun() {
    if (m_thread.joinable()) m_thread.join();
}

int EffectRun::start() {
    try {
        m_thread = std::thread([this] {
            m_job.run(m_request);
            m_done.store(true);
        });
    } catch (const std::system_error&) {
        return 386;
    }
    return 0;
}

bool EffectRun::running() const {
    return m_thread.joinable() && !m_done.load();
}

int EffectRun::wait() {
    while (running()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (m_thread.joinable()) m_thread.join();
    return m_job.result();
}

int InstallEffectOutput(const EditFiles& files, const std::string& output) {
    if (PushUndo(files) != 0) {
        ::unlink(output.c_str());
        return kMsgCannotMakeUndoRedo;
    }
    const int installed = InstallResult(files, output, true);
    if (installed != 0) ::unlink(output.c_str());
    return installed;
}

}  // namespace sonthra
