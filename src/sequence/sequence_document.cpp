#include "sequence/sequence_document.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <new>

#include "messages/message_table.h"
#include "wave/riff.h"
#include "wave/wave_layout.h"

namespace sonthra {
namespace {

// The product's messages for what can go wrong here.
constexpr int kCannotWriteMessage = 121;  // "Could not write data to disk ..."
constexpr int kNoCutSelection = 122;
constexpr int kNoCopySelection = 125;
constexpr int kNothingToPaste = 130;
constexpr int kBeyondEnd = 131;
constexpr int kNothingToUndoRedo = 134;
constexpr int kNoClearSelection = 138;
constexpr int kNoCropSelection = 139;
constexpr int kCannotRecover = 142;
constexpr int kBadArgument = 143;
constexpr int kCannotOpenMessage = 149;
constexpr int kNotWaveMessage = 151;

// Far beyond any file's length (days at the highest rates), and far from overflowing a position:
// a longer audio is refused, whether an edit or a journal asks for it.
constexpr std::uint64_t kMostFrames = 1ull << 40;

// The journal is written whole again when it has grown past this and four times what it held
// after the last rewrite, so a long session's journal stays a few times the state's size.
constexpr std::uint64_t kCompactBytes = 1 << 20;

bool isBlockFileName(const std::string& name) {
    return name.size() == blockFileName(0).size() && name.rfind("block-", 0) == 0 &&
           name.compare(name.size() - 4, 4, ".pcm") == 0;
}

}  // namespace

SequenceDocument::~SequenceDocument() = default;

int SequenceDocument::start(const std::string& folder, bool fresh,
                            std::unique_ptr<SequenceDocument>* out) {
    std::unique_ptr<SequenceDocument> doc(new (std::nothrow) SequenceDocument());
    if (!doc) return kNoMemory;
    if (const int r = Workspace::open(folder, &doc->m_workspace); r != 0) return r;
    if (fresh) {
        // Blocks of an earlier document in the folder: its journal is about to be replaced.
        for (const std::string& name : doc->m_workspace->fileNames()) {
            if (isBlockFileName(name)) doc->m_workspace->removeFile(name);
        }
    }
    *out = std::move(doc);
    return 0;
}

int SequenceDocument::open(const std::string& folder, const std::string& name,
                           std::unique_ptr<SequenceDocument>* out) {
    try {
        std::unique_ptr<SequenceDocument> doc;
        if (const int r = start(folder, true, &doc); r != 0) return r;
        const int fd = doc->m_workspace->openFile(name);
        if (fd < 0) return kCannotOpenMessage;
        // The working copy is the user's alone, like every block; a file with other names (a
        // link to somebody's own file) keeps its mode.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_nlink == 1) ::fchmod(fd, 0600);
        RiffFile riff;
        WaveFileLayout layout;
        riff.attach(fd, RiffFile::Mode::Read);
        if (inspectWave(riff, layout) != WaveInspect::Ok || layout.format.blockAlign == 0) {
            riff.close();
            ::close(fd);
            return kNotWaveMessage;
        }
        riff.close();
        doc->m_format = layout.format;
        BlockEntry entry{doc->m_nextId++, name, layout.dataOffset, layout.frames()};
        auto file = std::make_shared<BlockFile>(entry, fd);
        if (entry.frames > 0) {
            doc->m_list = PieceList({Piece{entry.id, 0, entry.frames}});
            doc->m_blocks[entry.id] = Block{file, entry, 1};
        }
        if (const int r = doc->writeStart(); r != 0) return r;
        *out = std::move(doc);
        return 0;
    } catch (const std::exception&) {
        return kNoMemory;
    }
}

int SequenceDocument::create(const std::string& folder, const WaveFormat& format,
                             std::unique_ptr<SequenceDocument>* out) {
    if (format.blockAlign == 0) return kBadArgument;
    try {
        std::unique_ptr<SequenceDocument> doc;
        if (const int r = start(folder, true, &doc); r != 0) return r;
        doc->m_format = format;
        if (const int r = doc->writeStart(); r != 0) return r;
        *out = std::move(doc);
        return 0;
    } catch (const std::exception&) {
        return kNoMemory;
    }
}

JournalState SequenceDocument::state() const {
    JournalState s;
    s.format = m_format;
    s.levelLimit = m_limit;
    for (const auto& [id, block] : m_blocks) s.blocks.push_back(block.entry);
    std::sort(s.blocks.begin(), s.blocks.end(),
              [](const BlockEntry& a, const BlockEntry& b) { return a.id < b.id; });
    s.pieces = m_list.pieces();
    s.steps.assign(m_steps.begin(), m_steps.end());
    s.done = m_done;
    return s;
}

int SequenceDocument::writeStart() {
    if (JournalFile::rewrite(*m_workspace, encodeState(state()), &m_journal) != 0) {
        return kCannotWriteMessage;
    }
    m_compactedBytes = m_journal->size();
    return 0;
}

void SequenceDocument::settle() {
    removeDeadBlocks();
    maybeCompact();
}

void SequenceDocument::maybeCompact() {
    if (m_journal->size() < std::max(kCompactBytes, 4 * m_compactedBytes)) return;
    // A failed rewrite leaves the journal as it was, which still holds the whole state.
    std::unique_ptr<JournalFile> journal;
    if (JournalFile::rewrite(*m_workspace, encodeState(state()), &journal) == 0) {
        m_journal = std::move(journal);
        m_compactedBytes = m_journal->size();
    }
}

std::shared_ptr<const SequenceSnapshot> SequenceDocument::snapshot() const {
    if (!m_snapshot) {
        auto s = std::make_shared<SequenceSnapshot>();
        s->format = m_format;
        s->list = m_list;
        for (const Piece& p : m_list.pieces()) {
            if (p.block == kSilenceBlock || s->files.count(p.block)) continue;
            const auto it = m_blocks.find(p.block);
            if (it != m_blocks.end()) s->files.emplace(p.block, it->second.file);
        }
        m_snapshot = std::move(s);
    }
    return m_snapshot;
}

void SequenceDocument::changed() {
    m_snapshot.reset();
}

void SequenceDocument::count(const std::vector<Piece>& pieces, int sign) {
    for (const Piece& p : pieces) {
        const auto it = m_blocks.find(p.block);
        if (p.block == kSilenceBlock || it == m_blocks.end()) continue;
        Block& b = it->second;
        if (sign > 0) {
            ++b.refs;
        } else if (b.refs > 0 && --b.refs == 0) {
            m_dead.push_back(p.block);
        }
    }
}

void SequenceDocument::countStep(const HistoryStep& step, int sign) {
    count(step.change.removed, sign);
    count(step.change.inserted, sign);
}

void SequenceDocument::removeDeadBlocks() {
    if (m_recovering) return;
    for (const BlockId id : m_dead) {
        const auto it = m_blocks.find(id);
        if (it == m_blocks.end() || it->second.refs != 0) continue;
        // A reader of an older snapshot keeps the descriptor; the name goes now.
        m_workspace->removeFile(it->second.entry.name);
        m_blocks.erase(it);
    }
    m_dead.clear();
}

bool SequenceDocument::fits(const std::vector<Piece>& pieces) const {
    for (const Piece& p : pieces) {
        if (p.frames == 0) return false;
        if (p.block == kSilenceBlock) continue;
        const auto it = m_blocks.find(p.block);
        if (it == m_blocks.end() || p.first > it->second.entry.frames ||
            it->second.entry.frames - p.first < p.frames) {
            return false;
        }
    }
    return true;
}

bool SequenceDocument::applyEdit(const HistoryStep& step) {
    if (!fits(step.change.inserted) || !m_list.applyForward(step.change)) return false;
    if (m_list.frames() > kMostFrames) {
        m_list.applyBackward(step.change);
        return false;
    }
    // Counts go up before they go down, so that a block moving from the audio into the
    // history never reads as dead.
    count(step.change.inserted, +1);
    countStep(step, +1);
    count(step.change.removed, -1);
    while (m_steps.size() > m_done) {
        countStep(m_steps.back(), -1);
        m_steps.pop_back();
    }
    m_steps.push_back(step);
    ++m_done;
    m_selection = step.after;
    applyLimit(m_limit);
    changed();
    return true;
}

bool SequenceDocument::applyUndo() {
    if (m_done == 0) return false;
    const HistoryStep& step = m_steps[m_done - 1];
    if (!m_list.applyBackward(step.change)) return false;
    count(step.change.removed, +1);
    count(step.change.inserted, -1);
    --m_done;
    m_selection = step.before;
    changed();
    return true;
}

bool SequenceDocument::applyRedo() {
    if (m_done == m_steps.size()) return false;
    const HistoryStep& step = m_steps[m_done];
    if (!m_list.applyForward(step.change)) return false;
    count(step.change.inserted, +1);
    count(step.change.removed, -1);
    ++m_done;
    m_selection = step.after;
    changed();
    return true;
}

void SequenceDocument::applyLimit(std::uint64_t levels) {
    m_limit = levels;
    while (m_steps.size() > levels) {
        if (m_done > 0) {
            countStep(m_steps.front(), -1);
            m_steps.pop_front();
            --m_done;
        } else {
            countStep(m_steps.back(), -1);
            m_steps.pop_back();
        }
    }
}

int SequenceDocument::record(const std::string& payload) {
    return m_journal->append(payload) == 0 ? 0 : kCannotWriteMessage;
}

int SequenceDocument::checkRange(std::uint64_t from, std::uint64_t to) const {
    if (from > to || to > kMostFrames) return kBadArgument;
    return to > frames() ? kBeyondEnd : 0;
}

int SequenceDocument::edit(std::uint64_t from, std::uint64_t to, const std::vector<Piece>& pieces,
                           const std::string& label, Selection after, NewAudio* audio) {
    try {
        if (const int r = checkRange(from, to); r != 0) return r;
        std::uint64_t added = 0;
        for (const Piece& p : pieces) added += p.frames;
        if (added > kMostFrames - (frames() - (to - from))) return kBadArgument;
        HistoryStep step;
        step.change = m_list.replacementFor(from, to, pieces);
        step.label = label;
        step.before = Selection{from, to};
        step.after = after;
        std::vector<BlockEntry> newBlocks;
        if (audio) {
            // The block and its name are on the disk before the journal may refer to them.
            if (audio->error() != 0 || !audio->flush() || !m_workspace->sync()) {
                return kCannotWriteMessage;
            }
            newBlocks.push_back(audio->entry());
            newBlocks.back().frames = audio->frames();
        }
        if (const int r = record(encodeEdit(newBlocks, step)); r != 0) return r;
        if (audio) {
            const BlockEntry& entry = newBlocks.back();
            m_blocks[entry.id] = Block{audio->take(), entry, 0};
        }
        applyEdit(step);
        settle();
        return 0;
    } catch (const std::exception&) {
        return kNoMemory;
    }
}

int SequenceDocument::cut(std::uint64_t from, std::uint64_t to) {
    if (from >= to) return kNoCutSelection;
    if (const int r = checkRange(from, to); r != 0) return r;
    try {
        std::vector<Piece> clip = m_list.slice(from, to);
        const int r = edit(from, to, {}, "Cut", Selection{from, from});
        if (r == 0) setClip(std::move(clip));
        return r;
    } catch (const std::exception&) {
        return kNoMemory;
    }
}

int SequenceDocument::copy(std::uint64_t from, std::uint64_t to) {
    if (from >= to) return kNoCopySelection;
    if (const int r = checkRange(from, to); r != 0) return r;
    try {
        setClip(m_list.slice(from, to));
        return 0;
    } catch (const std::exception&) {
        return kNoMemory;
    }
}

void SequenceDocument::setClip(std::vector<Piece> clip) {
    count(clip, +1);
    count(m_clip, -1);
    m_clip = std::move(clip);
    removeDeadBlocks();
}

std::uint64_t SequenceDocument::clipFrames() const {
    std::uint64_t n = 0;
    for (const Piece& p : m_clip) n += p.frames;
    return n;
}

int SequenceDocument::paste(std::uint64_t from, std::uint64_t to) {
    if (m_clip.empty()) return kNothingToPaste;
    return edit(from, to, m_clip, "Paste", Selection{from, from + clipFrames()});
}

int SequenceDocument::clear(std::uint64_t from, std::uint64_t to) {
    if (from >= to) return kNoClearSelection;
    return edit(from, to, {}, "Clear", Selection{from, from});
}

int SequenceDocument::crop(std::uint64_t from, std::uint64_t to) {
    if (from >= to) return kNoCropSelection;
    return trimTo(from, to, "Crop");
}

int SequenceDocument::trimTo(std::uint64_t from, std::uint64_t to, const std::string& label) {
    if (const int r = checkRange(from, to); r != 0) return r;
    try {
        return edit(0, frames(), m_list.slice(from, to), label, Selection{0, to - from});
    } catch (const std::exception&) {
        return kNoMemory;
    }
}

int SequenceDocument::mute(std::uint64_t from, std::uint64_t to) {
    if (from >= to) return kBadArgument;
    return edit(from, to, {Piece{kSilenceBlock, 0, to - from}}, "Mute", Selection{from, to});
}

int SequenceDocument::insertSilence(std::uint64_t at, std::uint64_t count) {
    if (count == 0 || count > kMostFrames - frames()) return kBadArgument;
    return edit(at, at, {Piece{kSilenceBlock, 0, count}}, "Insert Silence",
                Selection{at, at + count});
}

std::unique_ptr<NewAudio> SequenceDocument::newAudio() {
    try {
        return std::make_unique<NewAudio>(*m_workspace, m_format, m_nextId++);
    } catch (const std::exception&) {
        return nullptr;
    }
}

int SequenceDocument::replace(std::uint64_t from, std::uint64_t to, NewAudio& audio,
                              const std::string& label) {
    if (audio.error() != 0) return kCannotWriteMessage;
    const std::uint64_t n = audio.frames();
    std::vector<Piece> pieces;
    if (n > 0) pieces.push_back(Piece{audio.entry().id, 0, n});
    if (from == to && n == 0) return checkRange(from, to);
    // Without frames the file has nothing to give; it goes with the NewAudio.
    return edit(from, to, pieces, label, Selection{from, from + n}, n > 0 ? &audio : nullptr);
}

int SequenceDocument::undo() {
    return travel(false);
}

int SequenceDocument::redo() {
    return travel(true);
}

int SequenceDocument::travel(bool forward) {
    if (forward ? !canRedo() : !canUndo()) return kNothingToUndoRedo;
    if (const int r = record(forward ? encodeRedo() : encodeUndo()); r != 0) return r;
    if (forward) {
        applyRedo();
    } else {
        applyUndo();
    }
    settle();
    return 0;
}

int SequenceDocument::setLevelLimit(std::uint64_t levels) {
    if (levels == m_limit) return 0;
    if (const int r = record(encodeLimit(levels)); r != 0) return r;
    applyLimit(levels);
    settle();
    return 0;
}

std::string SequenceDocument::undoLabel() const {
    return canUndo() ? m_steps[m_done - 1].label : std::string();
}

std::string SequenceDocument::redoLabel() const {
    return canRedo() ? m_steps[m_done].label : std::string();
}

std::vector<std::string> SequenceDocument::blockNames() const {
    std::vector<std::string> names;
    for (const auto& [id, block] : m_blocks) names.push_back(block.entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

std::uint64_t SequenceDocument::blockDiskBytes() const {
    return m_workspace->diskBytes(blockNames());
}

std::uint64_t SequenceDocument::journalBytes() const {
    return m_journal->size();
}

bool SequenceDocument::replay(const JournalRecord& record) {
    switch (record.kind) {
        case JournalKind::State: {
            const JournalState& s = record.state;
            if (s.format.blockAlign == 0) return false;
            m_format = s.format;
            m_limit = s.levelLimit;
            m_blocks.clear();
            for (const BlockEntry& b : s.blocks) {
                if (!m_blocks.emplace(b.id, Block{nullptr, b, 0}).second) return false;
                m_nextId = std::max<BlockId>(m_nextId, b.id + 1);
            }
            m_list = PieceList(s.pieces);
            m_steps.assign(s.steps.begin(), s.steps.end());
            m_done = static_cast<std::size_t>(s.done);
            // Every reference must lie inside a known block: anything else is damage.
            if (!fits(m_list.pieces()) || m_list.frames() > kMostFrames) return false;
            for (const HistoryStep& step : m_steps) {
                if (!fits(step.change.removed) || !fits(step.change.inserted)) return false;
            }
            count(m_list.pieces(), +1);
            for (const HistoryStep& step : m_steps) countStep(step, +1);
            return true;
        }
        case JournalKind::Edit:
            for (const BlockEntry& b : record.newBlocks) {
                if (!m_blocks.emplace(b.id, Block{nullptr, b, 0}).second) return false;
                m_nextId = std::max<BlockId>(m_nextId, b.id + 1);
            }
            return applyEdit(record.step);
        case JournalKind::Undo:
            return applyUndo();
        case JournalKind::Redo:
            return applyRedo();
        case JournalKind::Limit:
            applyLimit(record.levelLimit);
            return true;
    }
    return false;
}

int SequenceDocument::finishRecovery() {
    m_recovering = false;
    m_dead.clear();
    for (auto it = m_blocks.begin(); it != m_blocks.end();) {
        if (it->second.refs == 0) {
            m_workspace->removeFile(it->second.entry.name);
            it = m_blocks.erase(it);
            continue;
        }
        const int fd = m_workspace->openFile(it->second.entry.name);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 ||
            static_cast<std::uint64_t>(st.st_size) <
                it->second.entry.dataOffset + it->second.entry.frames * m_format.blockAlign) {
            if (fd >= 0) ::close(fd);
            return kCannotRecover;
        }
        it->second.file = std::make_shared<BlockFile>(it->second.entry, fd);
        ++it;
    }
    // Blocks written for an edit that never reached the journal.
    for (const std::string& name : m_workspace->fileNames()) {
        bool live = false;
        for (const auto& [id, block] : m_blocks) live = live || block.entry.name == name;
        if (!live && isBlockFileName(name)) m_workspace->removeFile(name);
    }
    // The journal starts again from the recovered state, without any damaged tail.
    return writeStart();
}

int SequenceDocument::recover(const std::string& folder, std::unique_ptr<SequenceDocument>* out) {
    try {
        std::unique_ptr<SequenceDocument> doc;
        if (const int r = start(folder, false, &doc); r != 0) return r;
        std::vector<std::string> payloads;
        std::unique_ptr<JournalFile> journal;
        if (JournalFile::open(*doc->m_workspace, &payloads, &journal) != 0) return kCannotRecover;
        journal.reset();
        doc->m_recovering = true;
        JournalRecord first;
        if (payloads.empty() || !decodeRecord(payloads[0], &first) ||
            first.kind != JournalKind::State || !doc->replay(first)) {
            return kCannotRecover;
        }
        // A record that does not fit ends the history there, as a torn one would.
        for (std::size_t i = 1; i < payloads.size(); ++i) {
            JournalRecord record;
            if (!decodeRecord(payloads[i], &record) || record.kind == JournalKind::State ||
                !doc->replay(record)) {
                break;
            }
        }
        if (const int r = doc->finishRecovery(); r != 0) return r;
        *out = std::move(doc);
        return 0;
    } catch (const std::exception&) {
        return kNoMemory;
    }
}

}  // namespace sonthra
