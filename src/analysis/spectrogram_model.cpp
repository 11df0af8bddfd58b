#include "analysis/spectrogram_model.h"

#include <algorithm>
#include <new>
#include <thread>
#include <tuple>

#include "messages/message_table.h"

namespace sonthra {
namespace {

// A column's state word: a count of the times it was taken for computing, then the state in
// the low two bits. A reader compares the word before and after copying, so a column taken
// and finished again in between reads as changed.
enum ColumnState : std::uint32_t {
    kEmpty = 0,
    kComputing = 1,
    kReady = 2,
    // Changed while a worker was computing it: empty again once that worker lets go.
    kStale = 3,
};
constexpr std::uint32_t kStateMask = 3;
constexpr std::uint32_t kTakenOnce = 4;

// Columns are stored in pages made on first use, so a fine zoom of a long file costs memory
// only where it has been shown.
constexpr std::uint64_t kPageColumns = 256;
// Levels the model keeps beside those workers hold.
constexpr std::size_t kKeptLevels = 4;

// Gives a held column back unfinished.
void giveBack(std::atomic<std::uint32_t>& state) {
    std::uint32_t word = state.load(std::memory_order_relaxed);
    while (!state.compare_exchange_weak(word, word & ~kStateMask, std::memory_order_release,
                                        std::memory_order_relaxed)) {
    }
}

}  // namespace

struct SpectrogramLevel::Page {
    std::unique_ptr<std::atomic<std::uint8_t>[]> levels;
};

bool SpectrogramKey::operator<(const SpectrogramKey& other) const {
    auto tie = [](const SpectrogramKey& k) {
        return std::tuple(k.frames, k.columns, k.settings.windowSize,
                          static_cast<int>(k.settings.scale), k.settings.rows);
    };
    return tie(*this) < tie(other);
}

SpectrogramLevel::SpectrogramLevel(const SpectrogramKey& key, std::uint64_t totalFrames,
                                   std::uint32_t sampleRate)
    : m_key(key), m_frames(totalFrames), m_rate(sampleRate) {
    if (m_key.frames == 0) m_key.frames = 1;
    if (m_key.columns == 0) m_key.columns = 1;
    m_columns = (totalFrames * m_key.columns + m_key.frames - 1) / m_key.frames;
    m_pageCount = static_cast<std::size_t>((m_columns + kPageColumns - 1) / kPageColumns);
    m_states = std::make_unique<std::atomic<std::uint32_t>[]>(m_columns);
    m_pages = std::make_unique<std::atomic<Page*>[]>(m_pageCount);
}

SpectrogramLevel::~SpectrogramLevel() {
    for (std::size_t i = 0; i < m_pageCount; ++i) delete m_pages[i].load();
}

std::uint64_t SpectrogramLevel::columnStart(std::uint64_t column) const {
    return std::min(m_frames, column * m_key.frames / m_key.columns);
}

std::pair<std::uint64_t, std::uint64_t> SpectrogramLevel::columnsReaching(std::uint64_t from,
                                                                          std::uint64_t to) const {
    // A column's windows reach at most half a window beyond it; a window more on each side is
    // safe whatever the rounding.
    const auto reach = static_cast<std::uint64_t>(m_key.settings.windowSize);
    const std::uint64_t low = from > reach ? from - reach : 0;
    const std::uint64_t high = to + reach;
    const std::uint64_t first = std::min(m_columns, low * m_key.columns / m_key.frames);
    const std::uint64_t end =
        std::min(m_columns, (high * m_key.columns + m_key.frames - 1) / m_key.frames + 1);
    return {first, std::max(first, end)};
}

std::atomic<std::uint8_t>* SpectrogramLevel::columnData(std::uint64_t column, bool make) {
    std::atomic<Page*>& slot = m_pages[column / kPageColumns];
    Page* page = slot.load(std::memory_order_acquire);
    if (!page && make) {
        const auto bytes =
            static_cast<std::size_t>(kPageColumns) * static_cast<std::size_t>(rows());
        auto fresh = std::unique_ptr<Page>(new (std::nothrow) Page);
        if (!fresh) return nullptr;
        fresh->levels.reset(new (std::nothrow) std::atomic<std::uint8_t>[bytes]);
        if (!fresh->levels) return nullptr;
        // Another worker may have made the page meanwhile; the first one made stays.
        if (slot.compare_exchange_strong(page, fresh.get(), std::memory_order_acq_rel)) {
            page = fresh.release();
        }
    }
    if (!page) return nullptr;
    return page->levels.get() + (column % kPageColumns) * static_cast<std::size_t>(rows());
}

bool SpectrogramLevel::claim(std::uint64_t column) {
    std::uint32_t word = m_states[column].load(std::memory_order_acquire);
    while ((word & kStateMask) == kEmpty) {
        const std::uint32_t taken = ((word & ~kStateMask) + kTakenOnce) | kComputing;
        if (m_states[column].compare_exchange_weak(word, taken, std::memory_order_acq_rel))
            return true;
    }
    return false;
}

// Ends a worker's hold of a column: ready, or empty when it changed meanwhile.
void SpectrogramLevel::release(std::uint64_t column) {
    std::uint32_t word = m_states[column].load(std::memory_order_relaxed);
    for (;;) {
        const std::uint32_t next =
            (word & ~kStateMask) | ((word & kStateMask) == kStale ? kEmpty : kReady);
        if (m_states[column].compare_exchange_weak(word, next, std::memory_order_release,
                                                   std::memory_order_relaxed))
            return;
    }
}

int SpectrogramLevel::compute(std::uint64_t first, std::uint64_t end, FrameSource& source,
                              const std::atomic<bool>* cancel, std::uint64_t* computed) {
    if (computed) *computed = 0;
    end = std::min(end, m_columns);
    SpectrumAnalyzer analyzer;
    const int configured = analyzer.configure(m_key.settings, m_rate);
    if (configured != 0) return configured;
    std::vector<std::uint8_t> levels(static_cast<std::size_t>(rows()));
    for (std::uint64_t c = first; c < end; ++c) {
        if ((cancel && cancel->load()) || m_retired.load()) return kCancelled;
        if (!claim(c)) continue;
        std::atomic<std::uint8_t>* data = columnData(c, true);
        if (!data) {
            giveBack(m_states[c]);
            return kNoMemory;
        }
        const int result =
            analyzer.column(source, columnStart(c), columnStart(c + 1), levels.data());
        if (result != 0) {
            giveBack(m_states[c]);
            return result;
        }
        for (std::size_t r = 0; r < levels.size(); ++r)
            data[r].store(levels[r], std::memory_order_relaxed);
        release(c);
        if (computed) ++*computed;
    }
    return 0;
}

bool SpectrogramLevel::store(std::uint64_t column, const std::uint8_t* levels) {
    if (column >= m_columns || !claim(column)) return false;
    std::atomic<std::uint8_t>* data = columnData(column, true);
    if (!data) {
        giveBack(m_states[column]);
        return false;
    }
    for (int r = 0; r < rows(); ++r) data[r].store(levels[r], std::memory_order_relaxed);
    release(column);
    return true;
}

bool SpectrogramLevel::readColumn(std::uint64_t column, std::uint8_t* out) const {
    if (column >= m_columns) return false;
    const std::uint32_t before = m_states[column].load(std::memory_order_acquire);
    if ((before & kStateMask) != kReady) return false;
    const Page* page = m_pages[column / kPageColumns].load(std::memory_order_acquire);
    if (!page) return false;
    const std::atomic<std::uint8_t>* data =
        page->levels.get() + (column % kPageColumns) * static_cast<std::size_t>(rows());
    for (int r = 0; r < rows(); ++r) out[r] = data[r].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    return m_states[column].load(std::memory_order_relaxed) == before;
}

bool SpectrogramLevel::columnReady(std::uint64_t column) const {
    return column < m_columns &&
           (m_states[column].load(std::memory_order_acquire) & kStateMask) == kReady;
}

void SpectrogramLevel::invalidate(std::uint64_t first, std::uint64_t end) {
    end = std::min(end, m_columns);
    for (std::uint64_t c = first; c < end; ++c) {
        std::uint32_t word = m_states[c].load(std::memory_order_relaxed);
        for (;;) {
            const std::uint32_t state = word & kStateMask;
            if (state == kEmpty || state == kStale) break;
            const std::uint32_t next = (word & ~kStateMask) | (state == kReady ? kEmpty : kStale);
            if (m_states[c].compare_exchange_weak(word, next, std::memory_order_acq_rel)) break;
        }
    }
}

SpectrogramModel::SpectrogramModel(std::uint64_t frames, std::uint32_t sampleRate)
    : m_frames(frames), m_rate(sampleRate) {}

std::shared_ptr<SpectrogramLevel> SpectrogramModel::level(const SpectrogramKey& key) {
    auto found = std::find_if(m_levels.begin(), m_levels.end(),
                              [&](const auto& level) { return level->key() == key; });
    std::shared_ptr<SpectrogramLevel> level;
    if (found != m_levels.end()) {
        level = *found;
        m_levels.erase(found);
    } else {
        level = std::make_shared<SpectrogramLevel>(key, m_frames, m_rate);
        if (m_levels.size() >= kKeptLevels) m_levels.erase(m_levels.begin());
    }
    m_levels.push_back(level);
    return level;
}

void SpectrogramModel::invalidateRange(std::uint64_t from, std::uint64_t to) {
    for (const auto& level : m_levels) {
        const auto [first, end] = level->columnsReaching(from, to);
        level->invalidate(first, end);
    }
}

void SpectrogramModel::replaceFrom(std::uint64_t from, std::uint64_t frames) {
    m_frames = frames;
    std::vector<std::uint8_t> levels;
    for (auto& level : m_levels) {
        auto fresh = std::make_shared<SpectrogramLevel>(level->key(), frames, m_rate);
        // Columns that reach the change, or lie past it, are computed anew.
        const std::uint64_t keep =
            std::min(level->columnsReaching(from, from).first, fresh->columns());
        levels.resize(static_cast<std::size_t>(level->rows()));
        for (std::uint64_t c = 0; c < keep; ++c) {
            if (level->readColumn(c, levels.data())) fresh->store(c, levels.data());
        }
        level->retire();
        level = std::move(fresh);
    }
}

int computeColumns(SpectrogramLevel& level, std::uint64_t first, std::uint64_t end,
                   const FrameSourceOpener& open, int threads, const std::atomic<bool>* cancel) {
    end = std::min(end, level.columns());
    if (first >= end) return 0;
    threads = static_cast<int>(std::clamp<std::uint64_t>(
        static_cast<std::uint64_t>(std::max(threads, 1)), 1, end - first));
    std::vector<int> results(static_cast<std::size_t>(threads), 0);
    auto work = [&](int index) {
        const std::uint64_t from = first + (end - first) * index / threads;
        const std::uint64_t to = first + (end - first) * (index + 1) / threads;
        std::unique_ptr<FrameSource> source;
        results[index] = open(source);
        if (results[index] == 0) results[index] = level.compute(from, to, *source, cancel);
    };
    std::vector<std::thread> workers;
    std::vector<int> unstarted;
    for (int i = 1; i < threads; ++i) {
        try {
            workers.emplace_back(work, i);
        } catch (const std::system_error&) {
            unstarted.push_back(i);
        }
    }
    work(0);
    for (auto& worker : workers) worker.join();
    // A share no thread could be made for is taken by this one.
    for (int i : unstarted) work(i);
    for (int result : results) {
        if (result != 0) return result;
    }
    return 0;
}

}  // namespace sonthra
