#include "view/peak_model.h"

#include <algorithm>
#include <limits>
#include <new>
#include <system_error>

#include "view/peak_file.h"
#include "view/view_errors.h"

namespace sonthra {
namespace {

// Frames [start, end) of a file of total frames, the pair in either order, cut to the total.
void orderRange(std::uint32_t total, std::uint32_t& start, std::uint32_t& end) {
    start = std::min(start, total);
    end = std::min(end, total);
    if (start > end) std::swap(start, end);
}

}  // namespace

PeakModel::~PeakModel() {
    delete m_pending.exchange(nullptr);
}

void PeakModel::addObserver(Observer* observer) {
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void PeakModel::removeObserver(Observer* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

void PeakModel::lengthChanged(const Observer* except) const {
    const bool emptied = m_file.header.totalSamples == 0;
    // A copy: an observer may leave while it is told.
    const std::vector<Observer*> observers = m_observers;
    for (Observer* o : observers) {
        if (o != except) o->peakFileChanged(emptied);
    }
}

void PeakModel::settle() const {
    std::unique_ptr<BuildOutcome> outcome(m_pending.exchange(nullptr, std::memory_order_acq_rel));
    if (!outcome) return;
    const std::uint32_t before = m_file.header.totalSamples;
    if (outcome->headerRead) m_file.header = outcome->header;
    m_file.peaks = std::move(outcome->peaks);
    if (outcome->headerRead &&
        (outcome->header.totalSamples == 0 || outcome->header.totalSamples != before)) {
        if (outcome->header.totalSamples == 0) m_file.peaks.reset();
        lengthChanged(nullptr);
    }
}

int PeakModel::OpenWaveFile(const std::string& name, const Observer* opener) {
    settle();
    if (name.empty()) return kViewOk;
    const int checked = CheckWaveFormat(name);
    if (checked != kViewOk) return checked;
    WaveHeaderInfo header;
    const int read = ReadWaveHeader(name, header);
    if (read != kViewOk) return read;
    m_file.name = name;
    m_file.header = header;
    m_file.peaks.reset();
    m_state.store(PeakState::FileSet, std::memory_order_release);
    lengthChanged(opener);
    return kViewOk;
}

void PeakModel::SkipBuild(std::atomic<std::int32_t>& progress) {
    m_state.store(m_file.name.empty() ? PeakState::Idle : PeakState::FileSet,
                  std::memory_order_release);
    progress.store(100);
}

int PeakModel::BuildPeaks(std::atomic<std::int32_t>& progress) {
    if (m_file.name.empty()) {
        SkipBuild(progress);
        return kViewOk;
    }
    m_state.store(PeakState::Building, std::memory_order_release);
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
        // The file was replaced by one no display can show since it was attached.
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

int PeakModel::finishBuild(int code, BuildOutcome outcome, std::atomic<std::int32_t>& progress) {
    if (code != kViewOk) outcome.peaks.reset();
    BuildOutcome* handed = nullptr;
    try {
        handed = new BuildOutcome(std::move(outcome));
    } catch (const std::bad_alloc&) {
        code = kViewErrNoMemory;
    }
    delete m_pending.exchange(handed, std::memory_order_acq_rel);
    // A failed or cancelled build leaves the file attached without peaks, so that the next
    // render reports that there is nothing to draw instead of waiting for a build forever.
    m_state.store(code == kViewOk ? PeakState::Built : PeakState::FileSet,
                  std::memory_order_release);
    progress.store(100);
    return code;
}

void PeakModel::CancelPeakBuild() {
    PeakState expected = PeakState::Building;
    m_state.compare_exchange_strong(expected, PeakState::CancelRequested);
}

void PeakModel::Reset() {
    settle();
    m_file = FileState{};
    m_state.store(PeakState::Idle, std::memory_order_release);
}

int PeakModel::SavePeaks(const std::string& name) const {
    settle();
    if (m_file.name.empty()) return kViewErrNoFile;
    if (name.empty()) return kViewErrNoPeakName;
    return SavePeakFile(name, m_file.header.format.channels, peaks(), m_file.name);
}

int PeakModel::SavePeaksInBackground(const std::string& name,
                                     std::function<void(int code)> onFailure) const {
    settle();
    if (m_file.name.empty()) return kViewErrNoFile;
    if (!m_file.peaks) return SavePeaks(name);  // an empty peak file, at once
    return SavePeakFileInBackground(name, m_file.header.format.channels, m_file.peaks, m_file.name,
                                    std::move(onFailure));
}

int PeakModel::LoadPeaks(const std::string& name) {
    settle();
    if (m_file.name.empty()) return kViewErrNoFile;
    if (name.empty()) return kViewErrNoPeakName;
    std::vector<PeakData::Channel> arrays;
    const int code = LoadPeakFile(name, m_file.name, m_file.header.totalSamples,
                                  m_file.header.format.channels, arrays);
    if (code != kViewOk) {
        m_file.peaks.reset();
        return code;
    }
    return setPeaks(std::move(arrays));
}

int PeakModel::setPeaks(std::vector<PeakData::Channel> arrays) {
    try {
        m_file.peaks = std::make_shared<PeakData>(std::move(arrays));
    } catch (const std::bad_alloc&) {
        m_file.peaks.reset();
        return kViewErrNoMemory;
    }
    return kViewOk;
}

bool PeakModel::hasPeaks() const {
    settle();
    // Built, or loaded from the peak file (which leaves the state at FileSet with peaks).
    const PeakState state = peakState();
    return !m_file.name.empty() && m_file.peaks && !m_file.peaks->empty() &&
           (state == PeakState::Built || state == PeakState::FileSet);
}

int PeakModel::SharePeaksOf(const PeakModel& other) {
    settle();
    if (&other == this) return hasPeaks() ? kViewOk : kViewErrPeakStale;
    if (m_file.name.empty() || !other.hasPeaks() || other.m_file.name != m_file.name ||
        other.m_file.header.totalSamples != m_file.header.totalSamples ||
        !(other.m_file.header.format == m_file.header.format)) {
        return kViewErrPeakStale;
    }
    m_file.peaks = other.m_file.peaks;
    m_state.store(PeakState::Built, std::memory_order_release);
    return kViewOk;
}

int PeakModel::RemovePeakRange(std::uint32_t start, std::uint32_t end, const Observer* by) {
    settle();
    const std::uint32_t total = m_file.header.totalSamples;
    // A range reaching past the end would otherwise wrap the total around.
    orderRange(total, start, end);
    const std::uint32_t newTotal = total - (end - start);
    m_file.header.totalSamples = newTotal;
    std::shared_ptr<PeakData> prepared = takePreparedRemoval(start, end);
    if (newTotal == 0) m_file.peaks.reset();
    if (newTotal != total) lengthChanged(newTotal == 0 ? nullptr : by);
    if (!m_file.peaks) return kViewOk;  // nothing built yet (or nothing left): nothing to patch
    try {
        // Exact from the file as it is now, where it holds what the removal left; otherwise
        // the blocks inside the range are dropped until the next full scan. Peaks held
        // elsewhere too (a background write, another model) are left as they are, and new
        // arrays made.
        SampleFile file;
        const bool removed = file.open(m_file.name) == kViewOk &&
                             file.info().totalSamples == newTotal &&
                             file.info().format == m_file.header.format;
        if (removed && prepared) {
            m_file.peaks = std::move(prepared);
            return kViewOk;
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
            return code;  // no peaks until they are built again
        }
        return setPeaks(std::move(arrays));
    } catch (const std::bad_alloc&) {
        m_file.peaks.reset();
        return kViewErrNoMemory;
    }
}

int PeakModel::BuildPeaksFromSequence(const std::string& name,
                                      const std::shared_ptr<const SequenceSnapshot>& snapshot,
                                      const Observer* by) {
    settle();
    // The header counts frames in 32 bits, as a WAV file's size allows.
    if (!isSupportedPcm(snapshot->format) ||
        snapshot->frames() > std::numeric_limits<std::uint32_t>::max()) {
        return kViewErrUnsupported;
    }
    try {
        SequenceReader reader(snapshot);
        std::vector<PeakData::Channel> arrays;
        if (const int r = ScanSequencePeaks(reader, arrays); r != kViewOk) return r;
        m_file.name = name;
        m_file.header =
            WaveHeaderInfo{snapshot->format, static_cast<std::uint32_t>(snapshot->frames()), 0};
        m_file.peaks.reset();
        const int r = setPeaks(std::move(arrays));
        m_state.store(r == kViewOk ? PeakState::Built : PeakState::FileSet,
                      std::memory_order_release);
        lengthChanged(by);
        return r;
    } catch (const std::bad_alloc&) {
        return kViewErrNoMemory;
    }
}

int PeakModel::PatchPeaksFromSequence(const std::shared_ptr<const SequenceSnapshot>& after,
                                      std::uint64_t from, std::uint64_t removed,
                                      std::uint64_t inserted, const Observer* by) {
    settle();
    m_removal.reset();
    const std::uint32_t total = m_file.header.totalSamples;
    m_file.header.totalSamples = static_cast<std::uint32_t>(after->frames());
    if (m_file.header.totalSamples == 0) m_file.peaks.reset();
    if (m_file.header.totalSamples != total) lengthChanged(by);
    if (!m_file.peaks) return kViewOk;
    try {
        // Peaks held elsewhere too (a background write, another model) stay as they are.
        const std::shared_ptr<PeakData> old = std::move(m_file.peaks);
        std::vector<PeakData::Channel> arrays =
            old.use_count() > 1 ? old->channels() : old->release();
        SequenceReader reader(after);
        if (const int r = PatchSequencePeaks(reader, from, removed, inserted, arrays); r != 0)
            return r;
        return setPeaks(std::move(arrays));
    } catch (const std::bad_alloc&) {
        return kViewErrNoMemory;
    }
}

void PeakModel::PreparePeakRemoval(std::uint32_t start, std::uint32_t end) {
    settle();
    m_removal.reset();  // waits for an earlier one
    const std::uint32_t total = m_file.header.totalSamples;
    orderRange(total, start, end);
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

std::shared_ptr<PeakData> PeakModel::takePreparedRemoval(std::uint32_t start, std::uint32_t end) {
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

const std::string& PeakModel::fileName() const {
    settle();
    return m_file.name;
}

void PeakModel::setFileName(const std::string& name) {
    settle();
    m_file.name = name;
}

const WaveHeaderInfo& PeakModel::header() const {
    settle();
    return m_file.header;
}

const PeakData& PeakModel::peaks() const {
    static const PeakData kNone;
    settle();
    return m_file.peaks ? *m_file.peaks : kNone;
}

}  // namespace sonthra
