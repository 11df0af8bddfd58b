// Loudness analysis of a stretch of a WAV file (the selection, or the whole file), run as a
// long operation under the progress dialog or straight from sonthra-cli, and its report as text
// the user can copy.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "analysis/frame_source.h"
#include "analysis/loudness_meter.h"
#include "dialogs/worker_operation.h"

namespace sonthra {

// Told the share done (0..100) now and then; returns false to cancel.
using AnalysisProgress = std::function<bool(int percent)>;

inline constexpr std::uint64_t kToEnd = std::numeric_limits<std::uint64_t>::max();

// Measures frames [fromFrame, toFrame) of source (toFrame cut to its end) into report: 0, 129
// when progress cancelled, 165 when the audio cannot be read, or the meter's 104/105.
int analyzeLoudness(FrameSource& source, std::uint64_t fromFrame, std::uint64_t toFrame,
                    LoudnessReport& report, const AnalysisProgress& progress = {});
// The same for a WAV file, opened through openWaveFrameSource (whose message numbers it
// returns when the file cannot be read).
int analyzeLoudness(const std::string& path, std::uint64_t fromFrame, std::uint64_t toFrame,
                    LoudnessReport& report, const AnalysisProgress& progress = {});

// The analysis on a worker thread, for the progress dialog: report is written by the worker
// and may be read once the operation has ended with result 0.
std::unique_ptr<WorkerOperation> startLoudnessAnalysis(std::string path, std::uint64_t fromFrame,
                                                       std::uint64_t toFrame,
                                                       std::shared_ptr<LoudnessReport> report);

// The report as "name: value" lines (integrated_lufs, range_lu, max_momentary_lufs,
// max_short_term_lufs, true_peak_dbtp), two decimals, "-inf" where nothing was measured.
std::string loudnessReportText(const LoudnessReport& report);

}  // namespace sonthra
