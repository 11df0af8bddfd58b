// The peaks of one WAV file: its name and header, the peak data and the state of their build.
// A document owns one, and its display and overview observe it (WaveViewModel::observe): a
// build, a load or a patch after a cut happens once and every display of the file shows it,
// and a worker thread that builds touches this model only, never a display.
//
// Threads: BuildPeaks runs on a worker thread and CancelPeakBuild and peakState may be called
// from any thread; everything else is for the GUI thread only. A build works on its own copy
// of the file's header and peaks and hands them over when it ends (taken by settle, which
// every GUI-thread call makes first): until then the GUI thread sees the file as it was.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "view/peak_builder.h"
#include "view/peak_data.h"
#include "view/wave_source.h"

namespace sonthra {

class PeakModel {
public:
    // A display of the file, told on the GUI thread when the number of frames has changed
    // under it; emptied when the file has none left.
    class Observer {
    public:
        virtual void peakFileChanged(bool emptied) = 0;

    protected:
        ~Observer() = default;
    };

    PeakModel() = default;
    ~PeakModel();
    PeakModel(const PeakModel&) = delete;
    PeakModel& operator=(const PeakModel&) = delete;

    // Observers register themselves and leave before they go; observers() counts them.
    void addObserver(Observer* observer);
    void removeObserver(Observer* observer);
    std::size_t observers() const { return m_observers.size(); }

    // Attaches a file: 0 (an empty name does nothing), 113 for a format no display can show, or a
    // header code (101..105); a failure changes nothing. On success the state is FileSet without
    // peaks, and the observers other than opener are told of the new length.
    int OpenWaveFile(const std::string& name, const Observer* opener = nullptr);
    // Worker thread. Scans the attached file's samples into fresh peaks; progress goes 0..99
    // while working and 100 at the end, also after a failure. 0, 106, 107, 110 (cancelled) or
    // a header code. Without a file it only ends (state Idle) and returns 0.
    int BuildPeaks(std::atomic<std::int32_t>& progress);
    // A build with nothing to scan (no display to draw it in): the state as the build would
    // leave a file it did not read, progress 100.
    void SkipBuild(std::atomic<std::int32_t>& progress);
    // Any thread: a running build stops at its next read with 110.
    void CancelPeakBuild();
    PeakState peakState() const { return m_state.load(std::memory_order_acquire); }
    // No file, no peaks, state Idle.
    void Reset();

    int SavePeaks(const std::string& name) const;
    // The same in the background (SavePeakFileInBackground), with the file's time: 0, 114 no
    // file attached, 115 empty name; a failure of the write itself goes to onFailure, on the
    // writing thread.
    int SavePeaksInBackground(const std::string& name,
                              std::function<void(int code)> onFailure = {}) const;
    // Reads the peak file made for the attached file: 0, 114 no file, 115 empty name, or the
    // peak file's code (the peaks are dropped). The state stays as it was.
    int LoadPeaks(const std::string& name);
    // Takes the peaks of another model attached to the same file with the same header: they
    // are shared, not copied. 0, or 121 (nothing changes) when other has no built peaks of
    // this file as attached here. Either model may later change its own peaks without
    // touching the other's.
    int SharePeaksOf(const PeakModel& other);
    // Whether built (or loaded) peaks of the attached file are here to draw.
    bool hasPeaks() const;
    // Updates the peaks for frames [start, end) having been deleted from the file (the pair in
    // either order; both are first cut to the total). When the attached file already holds
    // what the removal left, the peaks come out exactly as a full build would make them,
    // scanning only the blocks that changed (PatchPeaksAfterRemoval); otherwise the blocks
    // wholly inside the range are dropped (RemovePeakBlocks) until the next build. Observers
    // other than by are told of the new length.
    int RemovePeakRange(std::uint32_t start, std::uint32_t end, const Observer* by = nullptr);
    // Starts working out, on a worker, the peaks the attached file will have once frames
    // [start, end) are removed from it, reading the file as it is now (it stays readable when
    // the edit renames a new file over its name): RemovePeakRange of the same range then takes
    // them instead of scanning, once the file holds what the removal left. Without peaks, or
    // when no worker can be had, nothing starts and RemovePeakRange scans as before.
    void PreparePeakRemoval(std::uint32_t start, std::uint32_t end);

    // A document's audio instead of a file: name (the document's) and a header of the snapshot's
    // format and length are attached, and its peaks scanned here. 0, 113 for a format no display
    // can show, 106, 107; observers other than by are told of the new length.
    int BuildPeaksFromSequence(const std::string& name,
                               const std::shared_ptr<const SequenceSnapshot>& snapshot,
                               const Observer* by = nullptr);
    // After an edit of that audio replaced `removed` frames from `from` by `inserted` others
    // (an undo swaps the two), the peaks become those of after (PatchSequencePeaks): the
    // untouched blocks are kept and only what changed is scanned. Without peaks only the
    // length changes. 0, 121 when the peaks are not of the audio before the edit, 106, 107
    // (the peaks are dropped until the next build).
    int PatchPeaksFromSequence(const std::shared_ptr<const SequenceSnapshot>& after,
                               std::uint64_t from, std::uint64_t removed, std::uint64_t inserted,
                               const Observer* by = nullptr);

    const std::string& fileName() const;
    void setFileName(const std::string& name);
    const WaveHeaderInfo& header() const;
    const PeakData& peaks() const;

    // Takes over the outcome of a build that has ended; every GUI-thread call makes it first.
    void settle() const;

private:
    // Peaks are held through a shared pointer so that a background write and another model
    // can hold them without a copy; none until built or loaded. Changed in place only while
    // nothing else holds them.
    struct FileState {
        std::string name;
        WaveHeaderInfo header;
        std::shared_ptr<PeakData> peaks;
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

    // The peaks of a prepared removal of exactly [start, end) from the peaks held now, or
    // null; a pending work ends either way.
    std::shared_ptr<PeakData> takePreparedRemoval(std::uint32_t start, std::uint32_t end);
    int finishBuild(int code, BuildOutcome outcome, std::atomic<std::int32_t>& progress);
    // New arrays become the peaks (with their summary): 0, or 106 leaving none.
    int setPeaks(std::vector<PeakData::Channel> arrays);
    // The observers other than except learn the new length.
    void lengthChanged(const Observer* except) const;

    mutable FileState m_file;
    std::optional<PendingRemoval> m_removal;
    std::atomic<PeakState> m_state{PeakState::Idle};
    std::vector<Observer*> m_observers;

    // A finished build's outcome, handed from the worker to the GUI thread by exchanging the
    // pointer, so that exactly one side owns it at any time.
    mutable std::atomic<BuildOutcome*> m_pending{nullptr};
};

}  // namespace sonthra
