// The order of the document's audio: a list of pieces, each a run of frames of one block (or of
// silence), with the position where each piece starts so that a frame is found by binary
// search. An edit replaces a run of whole pieces by others; the pieces at its two ends are split
// by the caller, so no sample is read or written here. Plain data; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sonthra {

using BlockId = std::uint32_t;
// The block every silent piece refers to: it has no data.
inline constexpr BlockId kSilenceBlock = 0;

struct Piece {
    BlockId block = kSilenceBlock;
    std::uint64_t first = 0;   // first frame of the piece within its block
    std::uint64_t frames = 0;  // never 0 in a list

    bool operator==(const Piece&) const = default;
    // Whether other continues this piece in the same block (silence always does).
    bool joins(const Piece& other) const {
        return block == other.block && (block == kSilenceBlock || first + frames == other.first);
    }
};

// One change of a piece list: at index, the pieces removed were replaced by those inserted.
// Applied forwards it is the edit, backwards its undo.
struct Replacement {
    std::size_t index = 0;
    std::vector<Piece> removed;
    std::vector<Piece> inserted;
};

class PieceList {
public:
    PieceList() = default;
    explicit PieceList(std::vector<Piece> pieces);

    const std::vector<Piece>& pieces() const { return m_pieces; }
    std::size_t size() const { return m_pieces.size(); }
    std::uint64_t frames() const { return m_starts.empty() ? 0 : m_starts.back(); }
    // The first frame of piece i (i == size() gives frames()).
    std::uint64_t startOf(std::size_t i) const { return i == 0 ? 0 : m_starts[i - 1]; }
    // The piece that holds frame (size() when frame >= frames()).
    std::size_t indexOf(std::uint64_t frame) const;

    // The pieces that make frames [from, to), the ends cut to the range.
    std::vector<Piece> slice(std::uint64_t from, std::uint64_t to) const;

    // The replacement that makes frames [from, to) into the given pieces: whole pieces from
    // the one holding from to the one holding to - 1 are removed, and the parts of the end
    // pieces outside the range come back around the new ones; neighbours that continue each
    // other are joined, so undoing a cut by a paste does not leave the list longer.
    Replacement replacementFor(std::uint64_t from, std::uint64_t to,
                               const std::vector<Piece>& pieces) const;

    // false (and nothing changed) when the pieces at r.index are not r.removed (or r.inserted
    // backwards).
    bool applyForward(const Replacement& r);
    bool applyBackward(const Replacement& r);

private:
    bool apply(std::size_t index, const std::vector<Piece>& out, const std::vector<Piece>& in);
    void restartFrom(std::size_t index);

    std::vector<Piece> m_pieces;
    std::vector<std::uint64_t> m_starts;  // m_starts[i]: the frame after piece i
};

// Joins neighbours of a list that continue each other.
void joinPieces(std::vector<Piece>& pieces);

}  // namespace sonthra
