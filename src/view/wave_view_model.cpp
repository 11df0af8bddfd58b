#include "view/wave_view_model.h"

#include <algorithm>
#include <future>
#include <memory>
#include <new>
#include <system_error>

#include "view/peak_file.h"
#include "view/view_errors.h"

namespace sonthra {

WaveViewModel::WaveViewModel() {
    show(std::make_shared<PeakModel>());
    m_home = m_peaks;
}

WaveViewModel::~WaveViewModel() {
    m_peaks->removeObserver(this);
}

void WaveViewModel::show(std::shared_ptr<PeakModel> model) {
    if (m_peaks) m_peaks->removeObserver(this);
    m_peaks = std::move(model);
    m_peaks->addObserver(this);
}

void WaveViewModel::observe(std::shared_ptr<PeakModel> model) {
    if (!model) return;
    m_home = model;
    show(std::move(model));
    peakFileChanged(TotalSamples() == 0);
}

void WaveViewModel::peakFileChanged(bool emptied) {
    if (emptied) {
        m_pos = Positions{};
        return;
    }
    const std::uint32_t total = m_peaks->header().totalSamples;
    m_pos.caret = std::min(m_pos.caret, total);
    m_pos.selStart = std::min(m_pos.selStart, total);
    m_pos.selEnd = std::min(m_pos.selEnd, total);
}

void WaveViewModel::setClientSize(int width, int height) {
    m_width.store(std::max(width, 0), std::memory_order_relaxed);
    m_height.store(std::max(height, 0), std::memory_order_relaxed);
}

int WaveViewModel::OpenWaveFile(const std::string& name) {
    if (name.empty()) return setLastError(kViewOk);
    const int code = m_home->OpenWaveFile(name, this);
    if (code != kViewOk) return setLastError(code);
    if (m_peaks != m_home) show(m_home);
    m_pos = Positions{};
    m_pos.zoom = 32;
    return setLastError(kViewOk);
}

std::shared_ptr<PeakModel> WaveViewModel::peaksToBuild() const {
    if (clientWidth() < 1 || clientHeight() < 1) return nullptr;
    return m_peaks;
}

int WaveViewModel::BuildPeaks(std::atomic<std::int32_t>& progress) {
    const std::shared_ptr<PeakModel> model = peaksToBuild();
    if (!model) {
        m_peaks->SkipBuild(progress);
        return kViewOk;
    }
    const int code = model->BuildPeaks(progress);
    m_lastError.store(code);
    return code;
}

void WaveViewModel::CancelPeakBuild() {
    m_peaks->CancelPeakBuild();
}

void WaveViewModel::ResetDisplay() {
    if (m_peaks->observers() > 1) {
        show(std::make_shared<PeakModel>());
    } else {
        m_peaks->Reset();
    }
    m_pos = Positions{};
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
    const WaveHeaderInfo& header = m_peaks->header();
    if (header.totalSamples == 0) {
        out.kind = RenderKind::Empty;
        return setLastError(kViewOk);
    }
    const WaveFormat& format = header.format;
    const PeakData& peaks = m_peaks->peaks();
    if (peaks.empty() || peaks.channelCount() < format.channels) {
        return setLastError(kViewErrNothingToDraw);
    }
    const int width = clientWidth();
    const int height = imageHeight > 0 ? imageHeight : clientHeight();
    RenderResult result;
    result.plan = PlanRender(zoom, left, header.totalSamples, width, MaxZoomLevel());
    result.lanes = LayoutLanes(height, format.channels);
    result.bits = format.bitsPerSample;
    if (result.plan.fromPeaks) {
        for (int c = 0; c < format.channels; ++c) {
            result.points.push_back(PeakPoints(peaks, c, result.plan, result.lanes.centres[c],
                                               result.lanes.lane / 2, format.bitsPerSample));
        }
    } else {
        SampleFile file;
        const int opened = file.open(WaveFileName());
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
    return setLastError(m_peaks->SavePeaks(name));
}

int WaveViewModel::SavePeaksInBackground(const std::string& name,
                                         std::function<void(int code)> onFailure) {
    return setLastError(m_peaks->SavePeaksInBackground(name, std::move(onFailure)));
}

int WaveViewModel::LoadPeaks(const std::string& name) {
    return setLastError(m_peaks->LoadPeaks(name));
}

int WaveViewModel::SharePeaksOf(const WaveViewModel& other) {
    if (other.m_peaks == m_home) {
        if (!m_home->hasPeaks()) return setLastError(kViewErrPeakStale);
        if (m_peaks != m_home) show(m_home);
        return setLastError(kViewOk);
    }
    return setLastError(m_peaks->SharePeaksOf(*other.m_peaks));
}

int WaveViewModel::RemovePeakRange(std::uint32_t start, std::uint32_t end) {
    return setLastError(m_peaks->RemovePeakRange(start, end, this));
}

void WaveViewModel::PreparePeakRemoval(std::uint32_t start, std::uint32_t end) {
    m_peaks->PreparePeakRemoval(start, end);
}

int WaveViewModel::GetLastErrorDetails(std::string& text, int& systemError,
                                       std::string& detail) const {
    text.clear();
    detail.clear();
    systemError = 0;
    return m_lastError.load();
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
    m_pos.caret = std::min(pos, TotalSamples());
}

void WaveViewModel::setSelection(std::uint32_t start, std::uint32_t end) {
    settle();
    m_pos.selStart = std::min(start, TotalSamples());
    m_pos.selEnd = std::min(end, TotalSamples());
}

std::uint32_t WaveViewModel::MaxZoomLevel() const {
    settle();
    std::uint32_t total = TotalSamples();
    if (total == 0 && hasFile()) {
        WaveHeaderInfo header;
        if (ReadWaveHeader(WaveFileName(), header) == kViewOk) total = header.totalSamples;
    }
    if (total == 0) return 1;
    return WholeFileZoom(total, clientWidth());
}

std::uint32_t WaveViewModel::MaxPosition() const {
    settle();
    if (!hasSamples()) return 0;
    const std::uint64_t span = std::uint64_t{1} * std::max(clientWidth(), 1) * m_pos.zoom;
    const std::uint32_t total = TotalSamples();
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
    const std::uint32_t total = TotalSamples();
    if (static_cast<std::uint64_t>(left) + span > total) {
        left = static_cast<std::int64_t>(total - std::min<std::uint64_t>(span, total));
    }
    return static_cast<std::uint32_t>(left);
}

}  // namespace sonthra
