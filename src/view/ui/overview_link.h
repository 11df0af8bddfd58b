// The main window's glue between the current document's display, its overview and the ruler:
// the frame follows the display (SyncOverviewFrame), a frame moved or resized by the user
// re-renders the display once the move is over, the ruler follows (UpdateScale), and the
// overview is built or reloaded (BuildOverview). GUI thread only.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

#include "view/ui/overview.h"
#include "view/ui/scale_widget.h"
#include "wave/wave_format.h"

namespace sonthra {

// zoom 0 counts as 1. Sets the ruler's zoom and left position where they differ, replaces its
// format when the rate, sample size or channels differ, and sets IsDataAvailable to
// dataAvailable (a current document with samples).
void UpdateScale(TLUM32Scale& scale, std::uint32_t zoom, std::uint32_t left,
                 const WaveFormat& format, bool dataAvailable);

class OverviewLink : public QObject {
    Q_OBJECT

public:
    explicit OverviewLink(QObject* parent = nullptr);

    // The current document's display and overview, or nullptr for none. The overview's
    // frame events are routed here.
    void setDisplays(RIZI32DaziVereruz* display, TLUM32Overview* overview);
    void setScale(TLUM32Scale* scale) { m_scale = scale; }
    // Receives "1:" and the zoom after the display was re-rendered from the frame.
    void setOnZoomText(std::function<void(const QString&)> e) { m_onZoomText = std::move(e); }

    // Set while the owner itself moves the frame or rebuilds the overview, so that the frame
    // events this causes do not re-render the display.
    bool reentryGuard() const { return m_guard; }
    void setReentryGuard(bool on) { m_guard = on; }

    // Moves the frame over the part of the file the display shows.
    void SyncOverviewFrame();
    // The overview's OnFramePosSizeChange: asks for the display's new view, rendered once the
    // frame's move is over.
    void OverviewFramePosSizeChange(QObject* sender);

private:
    void renderFromFrame(std::uint32_t zoom, std::uint32_t left);

    RIZI32DaziVereruz* m_display = nullptr;
    TLUM32Overview* m_overview = nullptr;
    TLUM32Scale* m_scale = nullptr;
    std::function<void(const QString&)> m_onZoomText;
    bool m_guard = false;
};

// Runs display.BuildPeaks on a worker thread under whatever progress window the owner shows,
// returning the build's code (110 when the user cancelled) and showing nothing itself.
using PeakBuildRunner = std::function<int(RIZI32DaziVereruz& display, const QString& caption)>;

// A runner without a window: the build runs on a worker thread and this call waits for it.
int RunPeakBuildAndWait(RIZI32DaziVereruz& display, const QString& caption);

// Builds the overview of the WAV file at path: shows the peaks of display when it shows that
// same file with its peaks built (the document's model both observe; nothing read), else
// attaches the file when attachFile is set (and takes display's peaks when they now match),
// else tries its peak file when tryPeakFile is set (no scan when that loads, or when the file
// has nothing to draw), else builds the peaks under "Building Overview Peaks..." and saves
// them; then renders the whole file. A failure of either step resets the overview to its
// empty state; showMessage gets the numbers of the messages that have a text. 0 or the
// failing code.
int BuildOverview(TLUM32Overview& overview, const std::string& path, bool tryPeakFile,
                  bool attachFile, const std::string& tempFolder, const PeakBuildRunner& run,
                  const std::function<void(int message)>& showMessage,
                  const RIZI32DaziVereruz* display = nullptr);

}  // namespace sonthra
