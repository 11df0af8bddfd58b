// A document's audio and its whole undo history as pieces of immutable blocks in the document's
// workspace folder. Every edit splits at most the pieces at its two ends and rearranges
// references, so it costs the same on a minute or on hours of audio; each level of the history is
// the replacement it made, so a level costs what the edit changed, never a copy of the audio.
// Blocks that neither the audio, the history nor the clip refers to any more are deleted.
// Each finished edit, undo, redo and change of the level limit is in the journal on the disk
// before the call returns, and recover() brings back exactly that state after a crash.
//
// Results are 0 or a message number; nothing throws. One thread edits; readers on any thread
// use snapshot() and a SequenceReader of their own.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sequence/block_store.h"
#include "sequence/journal.h"
#include "sequence/piece_list.h"
#include "sequence/sequence_reader.h"
#include "wave/wave_format.h"

namespace sonthra {

inline constexpr std::uint64_t kUnlimitedLevels = std::numeric_limits<std::uint64_t>::max();

class SequenceDocument {
public:
    // A document whose audio is the samples of the WAV file name inside the workspace folder
    // (the working copy made at open): it becomes the first block, unsplit. Any journal of an
    // earlier document in the folder is replaced.
    static int open(const std::string& folder, const std::string& name,
                    std::unique_ptr<SequenceDocument>* out);
    // An empty document of the given format (a new recording, a new file).
    static int create(const std::string& folder, const WaveFormat& format,
                      std::unique_ptr<SequenceDocument>* out);
    // The document of the folder's journal as after its last finished edit, with its history;
    // block files nothing refers to are removed. 0, or 142 when the folder holds no usable
    // journal or a block it needs is gone.
    static int recover(const std::string& folder, std::unique_ptr<SequenceDocument>* out);
    ~SequenceDocument();
    SequenceDocument(const SequenceDocument&) = delete;
    SequenceDocument& operator=(const SequenceDocument&) = delete;

    const WaveFormat& format() const { return m_format; }
    std::uint64_t frames() const { return m_list.frames(); }
    const PieceList& pieces() const { return m_list; }
    const Workspace& workspace() const { return *m_workspace; }
    // The current audio for readers; the same object until the next change. Called on the
    // editing thread; the snapshot itself goes to any thread.
    std::shared_ptr<const SequenceSnapshot> snapshot() const;

    // The edits. Ranges are [from, to) in frames; each names its level in the history.
    int cut(std::uint64_t from, std::uint64_t to);
    int copy(std::uint64_t from, std::uint64_t to);
    // Replaces [from, to) (an insertion when from == to) with the clip.
    int paste(std::uint64_t from, std::uint64_t to);
    int clear(std::uint64_t from, std::uint64_t to);
    int crop(std::uint64_t from, std::uint64_t to);
    int mute(std::uint64_t from, std::uint64_t to);
    int insertSilence(std::uint64_t at, std::uint64_t frames);
    // Keeps [from, to) (the part that is not silence, as a caller found it) under its own name.
    int trimTo(std::uint64_t from, std::uint64_t to, const std::string& label);
    // New audio for an edit, written as one block file of the workspace.
    std::unique_ptr<NewAudio> newAudio();
    // Replaces [from, to) with new audio (an effect's output; a recording or a paste from
    // another file when from == to). 121 when the disk is full; the document is as it was.
    int replace(std::uint64_t from, std::uint64_t to, NewAudio& audio, const std::string& label);

    std::uint64_t clipFrames() const;
    int undo();
    int redo();
    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }
    // The names of the levels Undo and Redo would take back ("Cut", "Paste"), empty when none.
    std::string undoLabel() const;
    std::string redoLabel() const;
    // The selection after the last edit, undo or redo.
    Selection selection() const { return m_selection; }
    std::size_t undoLevels() const { return m_done; }
    std::size_t redoLevels() const { return m_steps.size() - m_done; }
    // How many levels the history keeps (kUnlimitedLevels by default); the oldest go first.
    int setLevelLimit(std::uint64_t levels);
    std::uint64_t levelLimit() const { return m_limit; }

    // The block files alive, by name, and what they take on the disk.
    std::vector<std::string> blockNames() const;
    std::uint64_t blockDiskBytes() const;
    std::uint64_t journalBytes() const;

private:
    struct Block {
        std::shared_ptr<BlockFile> file;  // null while recovering
        BlockEntry entry;
        std::uint64_t refs = 0;
    };

    SequenceDocument() = default;
    // The document's folder; fresh: a new document, whose folder loses any earlier blocks.
    static int start(const std::string& folder, bool fresh, std::unique_ptr<SequenceDocument>* out);
    int writeStart();
    JournalState state() const;
    int checkRange(std::uint64_t from, std::uint64_t to) const;
    int edit(std::uint64_t from, std::uint64_t to, const std::vector<Piece>& pieces,
             const std::string& label, Selection after, NewAudio* audio = nullptr);
    int record(const std::string& payload);
    // The in-memory half of each change, shared by the edits and recovery; false when the
    // change does not fit the sequence.
    bool applyEdit(const HistoryStep& step);
    bool applyUndo();
    bool applyRedo();
    void applyLimit(std::uint64_t levels);
    bool fits(const std::vector<Piece>& pieces) const;
    void countStep(const HistoryStep& step, int sign);
    void count(const std::vector<Piece>& pieces, int sign);
    void setClip(std::vector<Piece> clip);
    void removeDeadBlocks();
    void changed();
    // After a change is in the journal: dead blocks go, and the journal is compacted when due.
    void settle();
    void maybeCompact();
    int travel(bool forward);
    bool replay(const JournalRecord& record);
    int finishRecovery();

    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<JournalFile> m_journal;
    std::uint64_t m_compactedBytes = 0;
    WaveFormat m_format;
    PieceList m_list;
    std::deque<HistoryStep> m_steps;
    std::size_t m_done = 0;  // steps applied; those after them are the redo branch
    std::uint64_t m_limit = kUnlimitedLevels;
    std::unordered_map<BlockId, Block> m_blocks;
    BlockId m_nextId = 1;
    std::vector<BlockId> m_dead;  // blocks whose count reached 0 in this change
    bool m_recovering = false;
    std::vector<Piece> m_clip;
    Selection m_selection;
    mutable std::shared_ptr<const SequenceSnapshot> m_snapshot;
};

}  // namespace sonthra
