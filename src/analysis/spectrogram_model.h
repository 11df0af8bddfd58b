// A document's spectrogram, cached per zoom level as its peaks are: the columns of each level
// asked for are computed on workers from any range of columns (what the view shows first, then
// the rest), kept, and after an edit only the columns the changed frames reach are computed
// again. The window shows the columns that are ready and asks again for the others.
//
// Threads: the model's own calls (level, invalidateRange, replaceRange) come from one thread,
// the GUI thread. A level's compute() may run on any number of workers at once, each with its
// own FrameSource, and readColumn() may run anywhere meanwhile: each column is computed by one
// worker at a time, and a column changed while it is read reads as not ready. A worker must be
// given a source of the audio as it now is: after an edit, stop the workers reading the old one.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "analysis/frame_source.h"
#include "analysis/spectrogram.h"

namespace sonthra {

// What a level shows: column c covers frames [c x frames / columns, (c + 1) x frames / columns)
// as whole numbers, so a display's zoom of z frames per pixel is {z, 1}, and a picture of the
// whole of n frames in w columns is {n, w}.
struct SpectrogramKey {
    std::uint64_t frames = 1;
    std::uint64_t columns = 1;
    SpectrogramSettings settings;

    bool operator==(const SpectrogramKey&) const = default;
    bool operator<(const SpectrogramKey& other) const;
};

class SpectrogramLevel {
public:
    // The columns of key over audio of totalFrames frames at sampleRate.
    SpectrogramLevel(const SpectrogramKey& key, std::uint64_t totalFrames,
                     std::uint32_t sampleRate);
    ~SpectrogramLevel();
    SpectrogramLevel(const SpectrogramLevel&) = delete;
    SpectrogramLevel& operator=(const SpectrogramLevel&) = delete;

    const SpectrogramKey& key() const { return m_key; }
    std::uint64_t columns() const { return m_columns; }
    int rows() const { return m_key.settings.rows; }
    // The first frame of column c; columnStart(columns()) is the end of the audio.
    std::uint64_t columnStart(std::uint64_t column) const;
    // The columns whose windows reach into frames [from, to).
    std::pair<std::uint64_t, std::uint64_t> columnsReaching(std::uint64_t from,
                                                            std::uint64_t to) const;

    // Computes the columns of [first, end) that are neither ready nor being computed by another
    // worker, in order, from source (the audio as the level knows it). Returns 0, 129 when
    // cancel was set (checked between columns), or the analyzer's 104/105/165. computed (may
    // be null) counts the columns this call computed. Any thread.
    int compute(std::uint64_t first, std::uint64_t end, FrameSource& source,
                const std::atomic<bool>* cancel = nullptr, std::uint64_t* computed = nullptr);
    // Copies column's rows() levels into out: false (out unspecified) when it is not ready, or
    // changed while being copied. Any thread.
    bool readColumn(std::uint64_t column, std::uint8_t* out) const;
    bool columnReady(std::uint64_t column) const;
    // The columns [first, end) are computed again when next asked for. Any thread.
    void invalidate(std::uint64_t first, std::uint64_t end);
    // Once set, compute() stops: the level has been replaced by one of another length.
    void retire() { m_retired.store(true); }

private:
    friend class SpectrogramModel;
    struct Page;
    std::atomic<std::uint8_t>* columnData(std::uint64_t column, bool make);
    bool claim(std::uint64_t column);
    void release(std::uint64_t column);
    // Stores levels as the ready column `column` (used when a replaced level hands on what is
    // still right).
    bool store(std::uint64_t column, const std::uint8_t* levels);

    SpectrogramKey m_key;
    std::uint64_t m_frames;
    std::uint32_t m_rate;
    std::uint64_t m_columns;
    std::unique_ptr<std::atomic<std::uint32_t>[]> m_states;
    std::unique_ptr<std::atomic<Page*>[]> m_pages;
    std::size_t m_pageCount;
    std::atomic<bool> m_retired{false};
};

class SpectrogramModel {
public:
    // The spectrogram of audio of frames frames at sampleRate.
    SpectrogramModel(std::uint64_t frames, std::uint32_t sampleRate);

    std::uint64_t frames() const { return m_frames; }
    // The level of key, made empty on the first request. The model keeps the few levels asked
    // for last; a worker holds the level it computes.
    std::shared_ptr<SpectrogramLevel> level(const SpectrogramKey& key);
    // Frames [from, to) changed and the length did not: every kept level computes the columns
    // they reach again.
    void invalidateRange(std::uint64_t from, std::uint64_t to);
    // The audio from frame `from` on changed and it is now frames long (a cut, paste or
    // insertion): the kept levels keep their ready columns before the change.
    void replaceFrom(std::uint64_t from, std::uint64_t frames);

private:
    std::uint64_t m_frames;
    std::uint32_t m_rate;
    // Most recently asked for last.
    std::vector<std::shared_ptr<SpectrogramLevel>> m_levels;
};

// Opens a source of the audio for one worker.
using FrameSourceOpener = std::function<int(std::unique_ptr<FrameSource>&)>;

// Computes columns [first, end) of level on `threads` workers (this thread one of them), each
// taking an equal share with a source of its own: 0, 129 on cancel, or the first failure.
int computeColumns(SpectrogramLevel& level, std::uint64_t first, std::uint64_t end,
                   const FrameSourceOpener& open, int threads,
                   const std::atomic<bool>* cancel = nullptr);

}  // namespace sonthra
