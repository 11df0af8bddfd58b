#include "view/wave_view_model.h"

#include <algorithm>
#include <future>
#include <memory>
#include <new>
#include <system_error>

#include "view/peak_file.h"
#include "view/view_errors.h"

namespace sonthra {

WaveViewModel::~WaveViewModel() {
    delete m_pending.exchange(nullptr);
}

void WaveViewModel::setClientSize(int width, int height) {
    m_width.store(std::max(width, 0), std::memory_order_relaxed);
    m_height.store(std::max(height, 0), std::memory_order_relaxed);
}

void WaveViewModel::settle() const {
    std::unique_ptr<BuildOutcome> outcome(m_pending.exchange(nullptr, std::memory_order_acq_rel));
    if (outcome) adopt(*outcome);
}

void WaveViewModel::adopt(BuildOutcome& outcome) const {
    if (outcome.headerRead) m_file.header = outcome.header;
    m_file.peaks = std::move(outcome.peaks);
    if (outcome.headerRead && outcome.header.totalSamples == 0) emptyView();
}

void WaveViewModel::emptyView() const {
    m_file.peaks.reset();
    m_pos.zoom = 1;
    m_pos.caret = m_pos.left = m_pos.right = 0;
    m_pos.selStart = m_pos.selEnd = 0;
}

int WaveViewModel::OpenWaveFile(const std::string& name) {
    settle();
    if (name.empty()) return setLastError(kViewOk);
    const int checked = CheckWaveFormat(name);
    if (checked != kViewOk) return setLastError(checked);
    WaveHeaderInfo header;
    const int read = ReadWaveHeader(name, header);
    if (read != kViewOk) return setLastError(read);
    m_file.name = name;
    m_file.header = header;
    m_file.peaks.reset();
    m_pos.zoom = 32;
    m_pos.left = 0;
    m_pos.caret = 0;
    m_pos.selStart = m_pos.selEnd = 0;
    m_state.store(PeakState::FileSet, std::memory_order_release);
    return setLastError(kViewOk);
}

int WaveViewModel::BuildPeaks(std::atomic<std::int32_t>& progress) {
    m_state.store(PeakState::Building, std::memory_order_release);
    if (m_file.name.empty()) {
        m_state.store(PeakState::Idle, std::memory_order_release);
        progress.store(100);
        return kViewOk;
    }
    if (clientWidth() < 1 || clientHeight() < 1) {
        m_state.store(PeakState::FileSet, std::memory_order_release);
        progress.store(100);
        return kViewOk;
    }
    BuildOutcome outcome;
    SampleFile file;
    const int opened = file.open(m_file.name);
    if (opened != kViewOk) return finishBuild(opened, std::move(outcome), progress);
    outcome.headerRead = true;
    outcome.header = file.info();
    if (outcome.header.totalSamples == 0) return finishBuild(kViewOk, std::move(outcome), progress);
    if (outcome.header.format.channels < 1 || outcome.header.format.channels > 2 ||
        (outcome.header.format.bitsPerSample != 8 && outcome.header.format.bitsPerSample != 16) ||
        outcome.header.format.blockAlign !=
            outcome.header.format.channels * (outcome.header.format.bitsPerSample / 8)) {
        // The file was replaced by one the display cannot show since it was attached.
        return finishBuild(kViewErrUnsupported, std::move(outcome), progress);
    }
    std::vector<PeakData::Channel> arrays;
    const int code = ScanPeaks(file, arrays, progress, m_state);
    file.close();
    if (code == kViewOk) {
        try {
            outcome.peaks = std::make_shared<PeakData>(std::move(arrays));
        } catch (const std::bad_alloc&) {
            return finishBuild(kViewErrNoMemory, BuildOutcome{true, outcome.header, {}}, progress);
        }
    }
    return finishBuild(code, std::move(outcome), progress);
}

int WaveViewModel::finishBuild(int code, BuildOutcome outcome,
                               std::atomic<std::int32_t>& progress) {
    if (code != kViewOk) outcome.peaks.reset();
    BuildOutcome* handed = nullptr;
    try {
        handed = new BuildOutcome(std::move(outcome));
    } catch (const std::bad_alloc&) {
        code = kViewErrNoMemory;
    }
    delete m_pending.exchange(handed, std::memory_order_acq_rel);
    m_lastError.store(code);
    // A failed or cancelled build leaves the file attached without peaks, so that the next
    // render reports that there is nothing to draw instead of waiting for a build forever.
    m_state.store(code == kViewOk ? PeakState::Built : PeakState::FileSet,
                  std::memory_order_release);
    progress.store(100);
    return code;
}

void WaveViewModel::CancelPeakBuild() {
    PeakState expected = PeakState::Building;
    m_state.compare_exchange_strong(expected, PeakState::CancelRequested);
}

void WaveViewModel::ResetDisplay() {
    settle();
    m_file = FileState{};
    m_pos = Positions{};
    m_state.store(PeakState::Idle, std::memory_order_release);
    m_lastError.store(0);
}

int WaveViewModel::RenderView(std::uint32_t zoom, std::uint32_t left, RenderResult& out,
                              int imageHeight) {
    out = RenderResult{};
    const PeakState state = peakState();
    settle();
    if (!hasFile() || clientWidth() < 1 || clientHeight() < 1 || state == PeakState::Building ||
        state == PeakState::CancelRequested) {
        return setLastError(kViewOk);
    }
    if (m_file.header.totalSamples == 0) {
        out.kind = RenderKind::Empty;
        return setLastError(kViewOk);
    }
    const WaveFormat& format = m_file.header.format;
    if (!m_file.peaks || m_file.peaks->empty() || m_file.peaks->channelCount() < format.channels) {
        return setLastError(kViewErrNothingToDraw);
    }
    const int width = clientWidth();
    const int height = imageHeight > 0 ? imageHeight : clientHeight();
    RenderResult result;
    result.plan = PlanRender(zoom, left, m_file.header.totalSamples, width, MaxZoomLevel());
    result.lanes = LayoutLanes(height, format.channels);
    result.bits = format.bitsPerSample;
    if (result.plan.fromPeaks) {
        for (int c = 0; c < format.channels; ++c) {
            result.points.push_back(PeakPoints(*m_file.peaks, c, result.plan,
                                               result.lanes.centres[c], result.lanes.lane / 2,
                                               format.bitsPerSample));
        }
    } else {
        SampleFile file;
        const int opened = file.open(m_file.name);
        if (opened != kViewOk) return setLastError(opened);
        const int drawn = DirectPoints(file, result.plan, width, result.lanes, result.points);
        if (drawn != kViewOk) return setLastError(drawn);
    }
    result.kind = RenderKind::Waveform;
    m_pos.zoom = result.plan.zoom;
    m_pos.left = result.plan.left;
    m_pos.right = result.plan.right;
    out = std::move(result);
    return setLastError(kViewOk);
}

int WaveViewModel::SavePeaks(const std::string& name) {
    settle();
    if (!hasFile()) return setLastError(kViewErrNoFile);
    if (name.empty()) return setLastError(kViewErrNoPeakName);
    return setLastError(SavePeakFile(name, m_file.header.format.channels, peaks(), m_file.name));
}

int WaveViewModel::SavePeaksInBackground(const std::string& name,
                                         std::function<void(int code)> onFailure) {
    settle();
    if (!hasFile()) return setLastError(kViewErrNoFile);
    if (!m_file.peaks) return setLastError(SavePeaks(name));  // an empty peak file, at once
    return setLastError(SavePeakFileInBackground(name, m_file.header.format.channels, m_file.peaks,
                                                 m_file.name, std::move(onFailure)));
}

int WaveViewModel::LoadPeaks(const std::string& name) {
    settle();
    if (!hasFile()) return setLastError(kViewErrNoFile);
    if (name.empty()) return setLastError(kViewErrNoPeakName);
    std::vector<PeakData::Channel> arrays;
    const int code = LoadPeakFile(name, m_file.name, m_file.header.totalSamples,
                                  m_file.header.format.channels, arrays);
    if (code != kViewOk) {
        m_file.peaks.reset();
        return setLastError(code);
    }
    return setPeaks(std::move(arrays));
}

int WaveViewModel::setPeaks(std::vector<PeakData::Channel> arrays) {
    try {
        m_file.peaks = std::make_shared<PeakData>(std::move(arrays));
    } catch (const std::bad_alloc&) {
        m_file.peaks.reset();
        return setLastError(kViewErrNoMemory);
    }
    return setLastError(kViewOk);
}

int WaveViewModel::SharePeaksOf(const WaveViewModel& other) {
    settle();
    other.settle();
    // Built, or loaded from the peak file (which leaves the state at FileSet with peaks).
    const PeakState state = other.peakState();
    if (!hasFile() || other.WaveFileName() != m_file.name || !other.m_file.peaks ||
        other.m_file.peaks->empty() || (state != PeakState::Built && state != PeakState::FileSet) ||
        other.m_file.header.totalSamples != m_file.header.totalSamples ||
        !(other.m_file.header.format == m_file.header.format)) {
        return setLastError(kViewErrPeakStale);
    }
    m_file.peaks = other.m_file.peaks;
    m_state.store(PeakState::Built, std::memory_order_release);
    return setLastError(kViewOk);
}

int WaveViewModel::RemovePeakRange(std::uint32_t start, std::uint32_t end) {
    settle();
    const std::uint32_t total = m_file.header.totalSamples;
    // A range reaching past the end would otherwise wrap the total around.
    start = std::min(start, total);
    end = std::min(end, total);
    if (start > end) std::swap(start, end);
    const std::uint32_t newTotal = total - (end - start);
    m_file.header.totalSamples = newTotal;
    std::shared_ptr<PeakData> prepared = takePreparedRemoval(start, end);
    if (newTotal == 0) {
        emptyView();
        return setLastError(kViewOk);
    }
    if (!m_file.peaks) return setLastError(kViewOk);  // nothing built yet: nothing to patch
    try {
        // Exact from the file as it is now, where it holds what the removal left; otherwise
        // the blocks inside the range are dropped until the next full scan. Peaks another
        // display shares are left to it as they are, and new arrays made.
        SampleFile file;
        const bool removed = file.open(m_file.name) == kViewOk &&
                             file.info().totalSamples == newTotal &&
                             file.info().format == m_file.header.format;
        if (removed && prepared) {
            m_file.peaks = std::move(prepared);
            return setLastError(kViewOk);
        }
        const std::shared_ptr<PeakData> old = std::move(m_file.peaks);
        const bool shared = old.use_count() > 1;
        std::vector<PeakData::Channel> arrays;
        if (!shared) arrays = old->release();
        const std::vector<PeakData::Channel>& before = shared ? old->channels() : arrays;
        int code = kViewErrPeakStale;
        if (removed) {
            code = shared ? PatchPeaksFromAfter(before, file, start, end, arrays)
                          : PatchPeaksAfterRemoval(arrays, file, start, end);
        }
        if (code == kViewErrPeakStale) {
            arrays = RemovePeakBlocks(before, newTotal, start, end);
        } else if (code != kViewOk) {
            return setLastError(code);  // the display has no peaks until they are built again
        }
        return setPeaks(std::move(arrays));
    } catch (const std::bad_alloc&) {
        m_file.peaks.reset();
        return setLastError(kViewErrNoMemory);
    }
}

void WaveViewModel::PreparePeakRemoval(std::uint32_t start, std::uint32_t end) {
    settle();
    m_removal.reset();  // waits for an earlier one
    const std::uint32_t total = m_file.header.totalSamples;
    start = std::min(start, total);
    end = std::min(end, total);
    if (start > end) std::swap(start, end);
    if (!m_file.peaks || start == end) return;
    try {
        auto file = std::make_shared<SampleFile>();
        if (file->open(m_file.name) != kViewOk || file->info().totalSamples != total) return;
        std::shared_ptr<const PeakData> from = m_file.peaks;
        auto work = [file, from, start, end]() -> std::shared_ptr<PeakData> {
            std::vector<PeakData::Channel> arrays;
            if (PatchPeaksForRemoval(from->channels(), *file, start, end, arrays) != kViewOk) {
                return nullptr;
            }
            try {
                return std::make_shared<PeakData>(std::move(arrays));
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        };
        m_removal = PendingRemoval{from, start, end, std::async(std::launch::async, work)};
    } catch (const std::system_error&) {
        m_removal.reset();  // no worker: the removal scans when it comes
    } catch (const std::bad_alloc&) {
        m_removal.reset();
    }
}

std::shared_ptr<PeakData> WaveViewModel::takePreparedRemoval(std::uint32_t start,
                                                             std::uint32_t end) {
    if (!m_removal) return nullptr;
    PendingRemoval pending = std::move(*m_removal);
    m_removal.reset();
    std::shared_ptr<PeakData> peaks;
    try {
        peaks = pending.peaks.get();
    } catch (...) {
        return nullptr;  // the removal scans instead
    }
    // Worked out for another range, or from peaks that have since been replaced.
    if (pending.start != start || pending.end != end || pending.from != m_file.peaks)
        return nullptr;
    return peaks;
}

int WaveViewModel::GetLastErrorDetails(std::string& text, int& systemError,
                                       std::string& detail) const {
    text.clear();
    detail.clear();
    systemError = 0;
    return m_lastError.load();
}

const std::string& WaveViewModel::WaveFileName() const {
    settle();
    return m_file.name;
}

void WaveViewModel::setWaveFileName(const std::string& name) {
    settle();
    m_file.name = name;
}

const WaveFormat& WaveViewModel::format() const {
    settle();
    return m_file.header.format;
}

std::uint32_t WaveViewModel::TotalSamples() const {
    settle();
    return m_file.header.totalSamples;
}

const PeakData& WaveViewModel::peaks() const {
    static const PeakData kNone;
    settle();
    return m_file.peaks ? *m_file.peaks : kNone;
}

std::uint32_t WaveViewModel::ZoomLevel() const {
    settle();
    return m_pos.zoom;
}

std::uint32_t WaveViewModel::LeftSamplePos() const {
    settle();
    return m_pos.left;
}

std::uint32_t WaveViewModel::RightSamplePos() const {
    settle();
    return m_pos.right;
}

std::uint32_t WaveViewModel::caret() const {
    settle();
    return m_pos.caret;
}

std::uint32_t WaveViewModel::SelectionStartPos() const {
    settle();
    return m_pos.selStart;
}

std::uint32_t WaveViewModel::SelectionEndPos() const {
    settle();
    return m_pos.selEnd;
}

void WaveViewModel::setZoomLevel(std::uint32_t zoom) {
    settle();
    m_pos.zoom = std::max(zoom, 1u);
}

void WaveViewModel::setCaret(std::uint32_t pos) {
    settle();
    m_pos.caret = std::min(pos, m_file.header.totalSamples);
}

void WaveViewModel::setSelection(std::uint32_t start, std::uint32_t end) {
    settle();
    m_pos.selStart = std::min(start, m_file.header.totalSamples);
    m_pos.selEnd = std::min(end, m_file.header.totalSamples);
}

std::uint32_t WaveViewModel::MaxZoomLevel() const {
    settle();
    std::uint32_t total = m_file.header.totalSamples;
    if (total == 0 && hasFile()) {
        WaveHeaderInfo header;
        if (ReadWaveHeader(m_file.name, header) == kViewOk) total = header.totalSamples;
    }
    if (total == 0) return 1;
    return WholeFileZoom(total, clientWidth());
}

std::uint32_t WaveViewModel::MaxPosition() const {
    settle();
    if (!hasSamples()) return 0;
    const std::uint64_t span = std::uint64_t{1} * std::max(clientWidth(), 1) * m_pos.zoom;
    const std::uint32_t total = m_file.header.totalSamples;
    return static_cast<std::uint32_t>(total - std::min<std::uint64_t>(span, total));
}

std::uint32_t WaveViewModel::PixelToSample(int x) const {
    settle();
    const std::int64_t s = std::int64_t{x} * m_pos.zoom + m_pos.left;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(s, 0, 0xFFFFFFFFll));
}

std::int64_t WaveViewModel::SampleToPixel(std::uint32_t sample) const {
    settle();
    const std::int64_t zoom = std::max<std::uint32_t>(m_pos.zoom, 1);
    return (std::int64_t{sample} - m_pos.left) / zoom;
}

std::uint32_t WaveViewModel::LeftForPosition(std::uint32_t position, int percent) const {
    settle();
    const std::uint64_t span = std::uint64_t{1} * std::max(clientWidth(), 1) * m_pos.zoom;
    if (position < span) return 0;
    const std::int64_t back =
        roundHalfEven(static_cast<std::int64_t>(span), 100) * std::max(percent, 0);
    std::int64_t left = std::max<std::int64_t>(std::int64_t{position} - back, 0);
    const std::uint32_t total = m_file.header.totalSamples;
    if (static_cast<std::uint64_t>(left) + span > total) {
        left = static_cast<std::int64_t>(total - std::min<std::uint64_t>(span, total));
    }
    return static_cast<std::uint32_t>(left);
}

}  // namespace sonthra
