#include "view/ui/overview_link.h"

#include <thread>

#include "messages/message_table.h"
#include "view/overview_sync.h"
#include "view/peak_file.h"
#include "view/view_errors.h"

namespace sonthra {

void UpdateScale(TLUM32Scale& scale, std::uint32_t zoom, std::uint32_t left,
                 const WaveFormat& format, bool dataAvailable) {
    if (zoom == 0) zoom = 1;
    scale.setZoomLevel(zoom);
    scale.setLeftSamplePos(left);
    const WaveFormat& current = scale.waveFormat();
    if (current.sampleRate != format.sampleRate || current.bitsPerSample != format.bitsPerSample ||
        current.channels != format.channels) {
        scale.setWaveFormat(format);
    }
    scale.setIsDataAvailable(dataAvailable);
}

OverviewLink::OverviewLink(QObject* parent) : QObject(parent) {}

void OverviewLink::setDisplays(RIZI32DaziVereruz* display, TLUM32Overview* overview) {
    if (m_overview && m_overview != overview) m_overview->setOnFramePosSizeChange({});
    m_display = display;
    m_overview = overview;
    if (m_overview) {
        m_overview->setOnFramePosSizeChange(
            [this](QObject* sender) { OverviewFramePosSizeChange(sender); });
    }
}

void OverviewLink::SyncOverviewFrame() {
    if (!m_display || !m_overview) return;
    m_guard = true;
    const FrameSpan span = FrameForView(m_display->LeftSamplePos(), m_display->RightSamplePos(),
                                        m_overview->MaxZoomLevel(), m_overview->clientWidth());
    m_overview->frame()->setFrameBounds(span.left, span.width);
    m_guard = false;
}

void OverviewLink::OverviewFramePosSizeChange(QObject*) {
    if (!m_display || !m_overview || !m_display->model().hasFile() || m_guard) return;
    const TLUM32OViewFrame* frame = m_overview->frame();
    const ViewRequest request = ViewForFrame(frame->frameLeft(), frame->frameWidth(),
                                             m_overview->ZoomLevel(), m_display->clientWidth());
    if (request.zoom == 0) return;
    if (request.zoom == m_display->ZoomLevel() && request.left == m_display->LeftSamplePos()) {
        return;
    }
    // Rendered after the frame's move has finished, from the event queue.
    QMetaObject::invokeMethod(
        this, [this, request] { renderFromFrame(request.zoom, request.left); },
        Qt::QueuedConnection);
}

void OverviewLink::renderFromFrame(std::uint32_t zoom, std::uint32_t left) {
    if (!m_display) return;
    m_display->RenderView(zoom, left);
    if (m_scale) {
        UpdateScale(*m_scale, m_display->ZoomLevel(), m_display->LeftSamplePos(),
                    m_display->waveFormat(), m_display->model().hasSamples());
    }
    if (m_onZoomText) m_onZoomText(QStringLiteral("1:%1").arg(m_display->ZoomLevel()));
}

int RunPeakBuildAndWait(RIZI32DaziVereruz& display, const QString&) {
    std::atomic<std::int32_t> progress{0};
    const std::shared_ptr<PeakModel> peaks = display.model().peaksToBuild();
    if (!peaks) return display.BuildPeaks(progress);  // nothing to read
    int code = 0;
    std::thread worker([&progress, &code, peaks] { code = peaks->BuildPeaks(progress); });
    worker.join();
    return code;
}

int BuildOverview(TLUM32Overview& overview, const std::string& path, bool tryPeakFile,
                  bool attachFile, const std::string& tempFolder, const PeakBuildRunner& run,
                  const std::function<void(int message)>& showMessage,
                  const RIZI32DaziVereruz* display) {
    auto show = [&](int code) {
        const int message = ViewErrorToMessage(code);
        if (message != 0 && MessageText(message) && showMessage) showMessage(message);
    };
    auto fail = [&](int code) {
        overview.ResetDisplay();
        return code;
    };
    // The display's peaks of this file, when it has them: the document's model both show.
    auto share = [&] {
        return display != nullptr && display->WaveFileName() == path &&
               overview.SharePeaksOf(*display) == kViewOk;
    };
    bool loaded = share();
    if (!loaded && attachFile) {
        const int code = overview.OpenWaveFile(path);
        if (code != kViewOk) {
            show(code);
            return fail(code);
        }
        loaded = share();
    }
    if (!loaded && tryPeakFile) {
        const int code = overview.LoadPeaks(GetPeakFileName(path, tempFolder));
        loaded = code == kViewOk || code == kViewErrNothingToDraw;
    }
    if (!loaded) {
        const int code = run ? run(overview, QStringLiteral("Building Overview Peaks..."))
                             : RunPeakBuildAndWait(overview, {});
        if (code != kViewOk) {
            show(code);
            return fail(code);
        }
        // The main display has just written (or failed to write) this same file and said so;
        // a second box for the same failure would tell the user nothing new.
        overview.SavePeaks(GetPeakFileName(path, tempFolder));
    }
    const int rendered = overview.RenderView(overview.MaxZoomLevel(), 0);
    if (rendered != kViewOk && rendered != kViewErrNothingToDraw) {
        show(rendered);
        return fail(rendered);
    }
    return kViewOk;
}

}  // namespace sonthra
