// The waveform display without its pixels: the peak model it observes (the file, its format
// and peaks, shared with the other displays of the file), zoom, left and right positions, caret
// and selection, and every rule that computes them. The widget (RIZI32DaziVereruz) holds one,
// feeds it the client size and paints what RenderView computes.
//
// Threads: BuildPeaks runs on a worker thread and CancelPeakBuild and peakState may be called
// from any thread; everything else is for the GUI thread only. A build hands its peaks over
// when it ends: until then the GUI thread sees the file as it was, and RenderView draws nothing
// while a build runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "view/peak_builder.h"
#include "view/peak_data.h"
#include "view/peak_model.h"
#include "view/view_render.h"
#include "view/wave_source.h"

namespace sonthra {

// What a render asks the widget to show.
enum class RenderKind {
    Nothing,   // draw nothing, keep the last picture
    Empty,     // the file has no frames: hide the caret, show the empty state
    Waveform,  // draw the point lists
};

struct RenderResult {
    RenderKind kind = RenderKind::Nothing;
    RenderPlan plan;
    LaneLayout lanes;
    int bits = 16;
    std::vector<std::vector<ViewPoint>> points;  // one list per channel
};

class WaveViewModel : private PeakModel::Observer {
public:
    // With a peak model of its own until it observes another.
    WaveViewModel();
    ~WaveViewModel();
    WaveViewModel(const WaveViewModel&) = delete;
    WaveViewModel& operator=(const WaveViewModel&) = delete;

    // The client area in pixels; the widget keeps it current.
    void setClientSize(int width, int height);
    int clientWidth() const { return m_width.load(std::memory_order_relaxed); }
    int clientHeight() const { return m_height.load(std::memory_order_relaxed); }

    // Shows the file of model from now on (a document's, shared with its other displays): the
    // model this display turns back to when it attaches a file after ResetDisplay.
    void observe(std::shared_ptr<PeakModel> model);
    // The model shown now, and whether it is other's too.
    const std::shared_ptr<PeakModel>& peakModel() const { return m_peaks; }
    bool showsModelOf(const WaveViewModel& other) const { return m_peaks == other.m_peaks; }

    // Attaches a file to the model: 0 (an empty name does nothing), 113 for a format the
    // display cannot show, or a header code (101..105). On success zoom 32, left 0, caret 0,
    // no selection, state FileSet, no peaks.
    int OpenWaveFile(const std::string& name);
    // The model a build of this display's peaks works on, for a worker that touches nothing
    // else; null without a client area, where a build draws nothing and so reads nothing.
    std::shared_ptr<PeakModel> peaksToBuild() const;
    // Worker thread. The model's build (PeakModel::BuildPeaks); without a file or client area
    // it does nothing and returns 0.
    int BuildPeaks(std::atomic<std::int32_t>& progress);
    // Any thread: a running build stops at its next read with 110.
    void CancelPeakBuild();
    PeakState peakState() const { return m_peaks->peakState(); }

    // Back to the state after construction: no file, zoom 1, positions 0, state Idle. The
    // file stays with the other displays that show it: this one lets go of their model until
    // it attaches a file again.
    void ResetDisplay();

    // Computes the view at zoom and left (both clamped) into out and, on success, takes the
    // plan's zoom, left and right. imageHeight is the height the points are scaled to (the
    // client height when not given). 0, 112 without peaks, or 106/107 from the file.
    int RenderView(std::uint32_t zoom, std::uint32_t left, RenderResult& out, int imageHeight = -1);

    int SavePeaks(const std::string& name);
    // The same in the background (SavePeakFileInBackground), with the file's time: 0, 114 no
    // file attached, 115 empty name; a failure of the write itself goes to onFailure, on the
    // writing thread.
    int SavePeaksInBackground(const std::string& name,
                              std::function<void(int code)> onFailure = {});
    int LoadPeaks(const std::string& name);
    // Shows the peaks of other's file: when other shows the model this display turns back to,
    // it shows that model again (0 when it has peaks to draw); otherwise its model takes the
    // peaks of other's (PeakModel::SharePeaksOf). 0, or 121 (nothing changes).
    int SharePeaksOf(const WaveViewModel& other);
    // PeakModel::RemovePeakRange and PreparePeakRemoval.
    int RemovePeakRange(std::uint32_t start, std::uint32_t end);
    void PreparePeakRemoval(std::uint32_t start, std::uint32_t end);

    int lastError() const { return m_lastError.load(); }
    // The last error code; the texts are empty and the system error number 0.
    int GetLastErrorDetails(std::string& text, int& systemError, std::string& detail) const;
    int setLastError(int code) {
        m_lastError.store(code);
        return code;
    }

    const std::string& WaveFileName() const { return m_peaks->fileName(); }
    void setWaveFileName(const std::string& name) { m_peaks->setFileName(name); }
    bool hasFile() const { return !WaveFileName().empty(); }
    bool hasSamples() const { return hasFile() && TotalSamples() > 0; }
    const WaveFormat& format() const { return m_peaks->header().format; }
    std::uint32_t TotalSamples() const { return m_peaks->header().totalSamples; }
    const PeakData& peaks() const { return m_peaks->peaks(); }

    std::uint32_t ZoomLevel() const;
    std::uint32_t LeftSamplePos() const;
    std::uint32_t RightSamplePos() const;
    std::uint32_t caret() const;
    std::uint32_t SelectionStartPos() const;
    std::uint32_t SelectionEndPos() const;
    void setZoomLevel(std::uint32_t zoom);
    void setCaret(std::uint32_t pos);
    void setSelection(std::uint32_t start, std::uint32_t end);

    // total div client width + 1; with no frames known the header is read to find them, and 1
    // is the answer when there are still none.
    std::uint32_t MaxZoomLevel() const;
    // The largest left position that still fills the view: total - min(width x zoom, total);
    // 0 without samples or when the view reaches the end of a file that fits.
    std::uint32_t MaxPosition() const;
    std::uint32_t PixelToSample(int x) const;
    std::int64_t SampleToPixel(std::uint32_t sample) const;
    // The left position that shows position percent per cent into the view: 0 while the
    // position lies in the first screen, never past the last screen.
    std::uint32_t LeftForPosition(std::uint32_t position, int percent) const;

private:
    struct Positions {
        std::uint32_t zoom = 1;
        std::uint32_t left = 0;
        std::uint32_t right = 0;
        std::uint32_t caret = 0;
        std::uint32_t selStart = 0;
        std::uint32_t selEnd = 0;
    };

    void peakFileChanged(bool emptied) override;
    // Shows model from now on.
    void show(std::shared_ptr<PeakModel> model);
    void settle() const { m_peaks->settle(); }

    std::shared_ptr<PeakModel> m_home;   // the model this display turns back to
    std::shared_ptr<PeakModel> m_peaks;  // the model shown now
    mutable Positions m_pos;
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
    std::atomic<int> m_lastError{0};  // also written by the worker at the end of a build
};

}  // namespace sonthra
