// The crash journal of a document's sequence: a small file in the workspace folder holding the
// whole state once (blocks, pieces, history) and then one record per finished edit, undo, redo
// or change of the level limit, each with its length and a checksum, flushed before the edit
// counts as done. Reading stops at the first torn or damaged record, so a crash at any moment
// leaves the state after the last whole record. Plain functions and one file object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sequence/block_store.h"
#include "sequence/piece_list.h"
#include "wave/wave_format.h"

namespace sonthra {

struct Selection {
    std::uint64_t from = 0;
    std::uint64_t to = 0;

    bool operator==(const Selection&) const = default;
};

// One level of the history: the change, what the Edit menu calls it, and the selection before
// and after it.
struct HistoryStep {
    Replacement change;
    std::string label;
    Selection before;
    Selection after;
};

enum class JournalKind : std::uint8_t { State = 1, Edit = 2, Undo = 3, Redo = 4, Limit = 5 };

// The whole state: what the journal starts with and what a compaction writes.
struct JournalState {
    WaveFormat format;
    std::uint64_t levelLimit = 0;
    std::vector<BlockEntry> blocks;
    std::vector<Piece> pieces;
    std::vector<HistoryStep> steps;
    std::uint64_t done = 0;  // steps applied; those after it are the redo branch
};

struct JournalRecord {
    JournalKind kind = JournalKind::State;
    JournalState state;                 // State
    std::vector<BlockEntry> newBlocks;  // Edit
    HistoryStep step;                   // Edit
    std::uint64_t levelLimit = 0;       // Limit
};

std::string encodeState(const JournalState& state);
std::string encodeEdit(const std::vector<BlockEntry>& newBlocks, const HistoryStep& step);
std::string encodeUndo();
std::string encodeRedo();
std::string encodeLimit(std::uint64_t levelLimit);
// false when the bytes are not a whole record of a known kind.
bool decodeRecord(std::string_view payload, JournalRecord* out);

class JournalFile {
public:
    static constexpr const char* kName = "sequence.journal";

    // Writes a journal holding only the state, in a new file flushed and renamed over the old
    // one. 0 or an errno.
    static int rewrite(const Workspace& workspace, const std::string& statePayload,
                       std::unique_ptr<JournalFile>* out);
    // Opens the folder's journal and returns its whole records; a torn or damaged tail is cut
    // off the file. 0, or an errno (ENOENT: no journal, EINVAL: not a journal).
    static int open(const Workspace& workspace, std::vector<std::string>* payloads,
                    std::unique_ptr<JournalFile>* out);
    ~JournalFile();
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // Appends one record and flushes it to the disk. On failure the file is cut back to what
    // it was and the errno is returned.
    int append(const std::string& payload);
    std::uint64_t size() const { return m_size; }

private:
    JournalFile(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}

    int m_fd;
    std::uint64_t m_size;
};

}  // namespace sonthra
