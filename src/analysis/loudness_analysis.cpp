#include "analysis/loudness_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "messages/message_table.h"

namespace sonthra {
namespace {

// Frames read at a time: a second and a half at 44,100 Hz, a few hundred kilobytes.
constexpr std::size_t kReadFrames = 65536;
constexpr int kCannotRead = 165;

void appendLine(std::string& text, const char* name, double value) {
    char line[64];
    if (std::isfinite(value)) {
        std::snprintf(line, sizeof line, "%s: %.2f\n", name, value);
    } else {
        std::snprintf(line, sizeof line, "%s: %s\n", name, value > 0 ? "inf" : "-inf");
    }
    text += line;
}

}  // namespace

int analyzeLoudness(FrameSource& source, std::uint64_t fromFrame, std::uint64_t toFrame,
                    LoudnessReport& report, const AnalysisProgress& progress) {
    LoudnessMeter meter;
    const int started = meter.start(source.format());
    if (started != 0) return started;
    const std::uint64_t end = std::min(toFrame, source.frames());
    const std::uint64_t from = std::min(fromFrame, end);
    std::vector<unsigned char> buffer;
    try {
        buffer.resize(kReadFrames * source.format().frameBytes());
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    for (std::uint64_t at = from; at < end;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kReadFrames, end - at));
        const std::int64_t got = source.read(at, want, buffer.data());
        if (got <= 0) return kCannotRead;
        const int added = meter.add(buffer.data(), static_cast<std::size_t>(got));
        if (added != 0) return added;
        at += static_cast<std::uint64_t>(got);
        if (progress && !progress(static_cast<int>((at - from) * 100 / (end - from))))
            return kCancelled;
    }
    report = meter.report();
    return 0;
}

int analyzeLoudness(const std::string& path, std::uint64_t fromFrame, std::uint64_t toFrame,
                    LoudnessReport& report, const AnalysisProgress& progress) {
    std::unique_ptr<FrameSource> source;
    const int opened = openWaveFrameSource(path, source);
    if (opened != 0) return opened;
    return analyzeLoudness(*source, fromFrame, toFrame, report, progress);
}

std::unique_ptr<WorkerOperation> startLoudnessAnalysis(std::string path, std::uint64_t fromFrame,
                                                       std::uint64_t toFrame,
                                                       std::shared_ptr<LoudnessReport> report) {
    return std::make_unique<WorkerOperation>(
        [path = std::move(path), fromFrame, toFrame, report](std::atomic<int>& percent,
                                                             const std::atomic<bool>& cancelled) {
            return analyzeLoudness(path, fromFrame, toFrame, *report, [&](int done) {
                percent.store(done);
                return !cancelled.load();
            });
        });
}

std::string loudnessReportText(const LoudnessReport& report) {
    std::string text;
    appendLine(text, "integrated_lufs", report.integratedLufs);
    appendLine(text, "range_lu", report.rangeLu);
    appendLine(text, "max_momentary_lufs", report.maxMomentaryLufs);
    appendLine(text, "max_short_term_lufs", report.maxShortTermLufs);
    appendLine(text, "true_peak_dbtp", report.truePeakDbtp);
    return text;
}

}  // namespace sonthra
