// The waveform display without its pixels: the attached WAV file and its format, the peak
// data and its state, zoom, left and right positions, caret and selection, and every rule that
// computes them. The widget (RIZI32DaziVereruz) holds one, feeds it the client size and paints
// what RenderView computes.
//
// Threads: BuildPeaks runs on a worker thread and CancelPeakBuild and peakState may be called
// from any thread; everything else is for the GUI thread only. A build works on its own copy
// of the file's header and peaks and hands them over when it ends: until then the GUI thread
// sees the file as it was, and RenderView draws nothing while a build runs.
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

class WaveViewModel {
public:
    WaveViewModel() = default;
    ~WaveViewModel();
    WaveViewModel(const WaveViewModel&) = delete;
    WaveViewModel& operator=(const WaveViewModel&) = delete;

    // The client area in pixels; the widget keeps it current.
    void setClientSize(int width, int height);
    int clientWidth() const { return m_width.load(std::memory_order_relaxed); }
    int clientHeight() const { return m_height.load(std::memory_order_relaxed); }

    // Attaches a file: 0 (an empty name does nothing), 113 for a format the display cannot
    // show, or a header code (101..105). On success zoom 32, left 0, caret 0, no selection,
    // state FileSet, no peaks.
    int OpenWaveFile(const std::string& name);
    // Worker thread. Scans the attached file's samples into fresh peaks; progress goes 0..99
    // while working and 100 at the end, also after a failure. 0, 106, 107, 110 (cancelled) or
    // a header code. Without a file or client area it does nothing and returns 0.
    int BuildPeaks(std::atomic<std::int32_t>& progress);
    // Any thread: a running build stops at its next read with 110.
    void CancelPeakBuild();
    PeakState peakState() const { return m_state.load(std::memory_order_acquire); }

    // Back to the state after construction: no file, zoom 1, positions 0, state Idle.
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
    // Takes the peaks of another model attached to the same file with the same header (the
    // overview those of the main display): they are shared, not copied, so nothing is read or
    // scanned. 0, or 121 (nothing changes) when other has no built peaks of this file as
    // attached here. Either model may later change its own peaks without touching the other's.
    int SharePeaksOf(const WaveViewModel& other);
    // Updates the peaks for frames [start, end) having been deleted from the file (the pair in
    // either order; both are first cut to the total). When the attached file already holds
    // what the removal left, the peaks come out exactly as a full build would make them,
    // scanning only the blocks that changed (PatchPeaksAfterRemoval); otherwise the blocks
    // wholly inside the range are dropped (RemovePeakBlocks) until the next build.
    int RemovePeakRange(std::uint32_t start, std::uint32_t end);
    // Starts working out, on a worker, the peaks the attached file will have once frames
    // [start, end) are removed from it, reading the file as it is now (it stays readable when
    // the edit renames a new file over its name): RemovePeakRange of the same range then takes
    // them instead of scanning, once the file holds what the removal left. Without peaks, or
    // when no worker can be had, nothing starts and RemovePeakRange scans as before.
    void PreparePeakRemoval(std::uint32_t start, std::uint32_t end);

    int lastError() const { return m_lastError.load(); }
    // The last error code; the texts are empty and the system error number 0.
    int GetLastErrorDetails(std::string& text, int& systemError, std::string& detail) const;
    int setLastError(int code) {
        m_lastError.store(code);
        return code;
    }

    const std::string& WaveFileName() const;
    void setWaveFileName(const std::string& name);
    bool hasFile() const { return !WaveFileName().empty(); }
    bool hasSamples() const { return hasFile() && TotalSamples() > 0; }
    const WaveFormat& format() const;
    std::uint32_t TotalSamples() const;
    const PeakData& peaks() const;

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
    // Peaks are held through a shared pointer so that a second display of the same file (the
    // overview) can show them without a copy; none until built or loaded. Changed in place
    // only while no other model holds them.
    struct FileState {
        std::string name;
        WaveHeaderInfo header;
        std::shared_ptr<PeakData> peaks;
    };
    struct Positions {
        std::uint32_t zoom = 1;
        std::uint32_t left = 0;
        std::uint32_t right = 0;
        std::uint32_t caret = 0;
        std::uint32_t selStart = 0;
        std::uint32_t selEnd = 0;
    };
    // What a finished build hands over.
    struct BuildOutcome {
        bool headerRead = false;
        WaveHeaderInfo header;
        std::shared_ptr<PeakData> peaks;
    };

    // Peaks being worked out for a removal (PreparePeakRemoval).
    struct PendingRemoval {
        std::shared_ptr<const PeakData> from;  // the peaks the work started from
        std::uint32_t start = 0;
        std::uint32_t end = 0;
        std::future<std::shared_ptr<PeakData>> peaks;  // null when the work failed
    };
    // The peaks of a prepared removal of exactly [start, end) from the peaks shown now, or
    // null; a pending work ends either way.
    std::shared_ptr<PeakData> takePreparedRemoval(std::uint32_t start, std::uint32_t end);

    // Takes over the outcome of a build that has ended; called first by every GUI-thread call.
    void settle() const;
    void emptyView() const;
    int finishBuild(int code, BuildOutcome outcome, std::atomic<std::int32_t>& progress);
    void adopt(BuildOutcome& outcome) const;
    // New arrays become the peaks (with their summary): 0, or 106 leaving none.
    int setPeaks(std::vector<PeakData::Channel> arrays);

    mutable FileState m_file;
    mutable Positions m_pos;
    std::optional<PendingRemoval> m_removal;
    std::atomic<PeakState> m_state{PeakState::Idle};
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
    std::atomic<int> m_lastError{0};  // also written by the worker at the end of a build

    // A finished build's outcome, handed from the worker to the GUI thread by exchanging the
    // pointer, so that exactly one side owns it at any time.
    mutable std::atomic<BuildOutcome*> m_pending{nullptr};
};

}  // namespace sonthra
