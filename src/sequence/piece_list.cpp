#include "sequence/piece_list.h"

#include <algorithm>

namespace sonthra {

void joinPieces(std::vector<Piece>& pieces) {
    std::size_t out = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].frames == 0) continue;
        if (out > 0 && pieces[out - 1].joins(pieces[i])) {
            pieces[out - 1].frames += pieces[i].frames;
        } else {
            pieces[out++] = pieces[i];
        }
    }
    pieces.resize(out);
}

PieceList::PieceList(std::vector<Piece> pieces) : m_pieces(std::move(pieces)) {
    joinPieces(m_pieces);
    restartFrom(0);
}

void PieceList::restartFrom(std::size_t index) {
    m_starts.resize(m_pieces.size());
    std::uint64_t at = startOf(index);
    for (std::size_t i = index; i < m_pieces.size(); ++i) {
        at += m_pieces[i].frames;
        m_starts[i] = at;
    }
}

std::size_t PieceList::indexOf(std::uint64_t frame) const {
    return static_cast<std::size_t>(std::upper_bound(m_starts.begin(), m_starts.end(), frame) -
                                    m_starts.begin());
}

std::vector<Piece> PieceList::slice(std::uint64_t from, std::uint64_t to) const {
    std::vector<Piece> out;
    to = std::min(to, frames());
    for (std::size_t i = indexOf(from); from < to && i < m_pieces.size(); ++i) {
        const std::uint64_t start = startOf(i);
        const std::uint64_t skip = from - start;
        const std::uint64_t take = std::min(m_starts[i], to) - from;
        Piece p = m_pieces[i];
        if (p.block != kSilenceBlock) p.first += skip;
        p.frames = take;
        out.push_back(p);
        from += take;
    }
    return out;
}

Replacement PieceList::replacementFor(std::uint64_t from, std::uint64_t to,
                                      const std::vector<Piece>& pieces) const {
    const std::size_t count = m_pieces.size();
    std::size_t first = indexOf(from);
    // An insertion at a piece boundary removes nothing; otherwise the range's end pieces go.
    std::size_t last = to > from ? indexOf(to - 1) + 1 : first;
    std::vector<Piece> inserted;
    if (first < count && startOf(first) < from) {
        // The piece holding from starts before it: its head comes back, and the piece is
        // removed even by an insertion.
        Piece head = m_pieces[first];
        head.frames = from - startOf(first);
        inserted.push_back(head);
        last = std::max(last, first + 1);
    }
    inserted.insert(inserted.end(), pieces.begin(), pieces.end());
    const std::uint64_t end = std::max(to, from);
    if (last > first && m_starts[last - 1] > end) {
        Piece tail = m_pieces[last - 1];
        const std::uint64_t skip = end - startOf(last - 1);
        if (tail.block != kSilenceBlock) tail.first += skip;
        tail.frames -= skip;
        inserted.push_back(tail);
    }
    joinPieces(inserted);
    // Neighbours that the new pieces continue join them.
    if (first > 0) {
        const Piece& before = m_pieces[first - 1];
        if (inserted.empty() ? last < count && before.joins(m_pieces[last])
                             : before.joins(inserted.front())) {
            --first;
            inserted.insert(inserted.begin(), before);
        }
    }
    if (last < count && !inserted.empty() && inserted.back().joins(m_pieces[last])) {
        inserted.push_back(m_pieces[last++]);
    }
    joinPieces(inserted);
    Replacement r;
    r.index = first;
    r.removed.assign(m_pieces.begin() + first, m_pieces.begin() + last);
    r.inserted = std::move(inserted);
    return r;
}

bool PieceList::apply(std::size_t index, const std::vector<Piece>& out,
                      const std::vector<Piece>& in) {
    if (index > m_pieces.size() || m_pieces.size() - index < out.size() ||
        !std::equal(out.begin(), out.end(), m_pieces.begin() + index)) {
        return false;
    }
    if (in.size() == out.size()) {
        std::copy(in.begin(), in.end(), m_pieces.begin() + index);
    } else {
        m_pieces.erase(m_pieces.begin() + index, m_pieces.begin() + index + out.size());
        m_pieces.insert(m_pieces.begin() + index, in.begin(), in.end());
    }
    restartFrom(index);
    return true;
}

bool PieceList::applyForward(const Replacement& r) {
    return apply(r.index, r.removed, r.inserted);
}

bool PieceList::applyBackward(const Replacement& r) {
    return apply(r.index, r.inserted, r.removed);
}

}  // namespace sonthra
