#include "view/peak_data.h"

#include <algorithm>

#include "view/minmax_sse2.h"

namespace sonthra {
namespace {

// Entries of one level folded into one entry of the next. 16 keeps the summary at a fifteenth
// of the blocks and a range query at no more than 30 entries per level.
constexpr std::size_t kSummaryFan = 16;

void widen(TPeak& into, const TPeak& p) {
    into.minimum = std::min(into.minimum, p.minimum);
    into.maximum = std::max(into.maximum, p.maximum);
}

// Folds entries [first, last) of one array into into; any tells whether into holds a value yet.
void fold(TPeak& into, bool& any, const PeakData::Channel& array, std::size_t first,
          std::size_t last) {
    for (std::size_t i = first; i < last; ++i) {
        if (any) {
            widen(into, array[i]);
        } else {
            into = array[i];
            any = true;
        }
    }
}

// Folds whole groups of kSummaryFan entries, one output entry each. With SSE2 a group is four
// registers of four {minimum, maximum} pairs: the even lanes carry minima, the odd ones maxima.
void foldGroups(const TPeak* in, std::size_t groups, TPeak* out) {
    static_assert(sizeof(TPeak) == 4 && kSummaryFan == 16);
#if defined(__SSE2__)
    for (std::size_t g = 0; g < groups; ++g, in += kSummaryFan) {
        __m128i lo, hi;
        minMaxEvenOddLanes(reinterpret_cast<const __m128i*>(in), 4, lo, hi);
        out[g] = {
            static_cast<std::int16_t>(_mm_cvtsi128_si32(lo) & 0xFFFF),
            static_cast<std::int16_t>(static_cast<std::uint32_t>(_mm_cvtsi128_si32(hi)) >> 16)};
    }
#else
    for (std::size_t g = 0; g < groups; ++g, in += kSummaryFan) {
        TPeak p = in[0];
        for (std::size_t i = 1; i < kSummaryFan; ++i) widen(p, in[i]);
        out[g] = p;
    }
#endif
}

}  // namespace

PeakData::PeakData(std::vector<Channel> channels) : m_channels(std::move(channels)) {
    buildSummary();
}

void PeakData::clear() {
    m_channels.clear();
    m_channels.shrink_to_fit();
    m_levels.clear();
    m_levels.shrink_to_fit();
}

std::vector<PeakData::Channel> PeakData::release() {
    std::vector<Channel> channels = std::move(m_channels);
    clear();
    return channels;
}

void PeakData::assign(std::vector<Channel> channels) {
    m_channels = std::move(channels);
    buildSummary();
}

void PeakData::buildSummary() {
    m_levels.assign(m_channels.size(), {});
    for (std::size_t c = 0; c < m_channels.size(); ++c) {
        const Channel* below = &m_channels[c];
        while (below->size() > kSummaryFan * 2) {
            Channel level((below->size() + kSummaryFan - 1) / kSummaryFan);
            const std::size_t whole = below->size() / kSummaryFan;
            foldGroups(below->data(), whole, level.data());
            for (std::size_t k = whole; k < level.size(); ++k) {
                const std::size_t first = k * kSummaryFan;
                TPeak p = (*below)[first];
                for (std::size_t i = first + 1; i < below->size(); ++i) widen(p, (*below)[i]);
                level[k] = p;
            }
            m_levels[c].push_back(std::move(level));
            below = &m_levels[c].back();
        }
    }
}

TPeak PeakData::range(std::size_t c, std::size_t first, std::size_t last) const {
    TPeak out{};
    if (c >= m_channels.size()) return out;
    bool any = false;
    last = std::min(last, m_channels[c].size());
    const Channel* array = &m_channels[c];
    std::size_t level = 0;
    while (first < last) {
        // Whole coarse entries in the middle are taken from the level above; only the ragged
        // ends are scanned here.
        const std::size_t up = (first + kSummaryFan - 1) / kSummaryFan;
        const std::size_t down = last / kSummaryFan;
        if (level < m_levels[c].size() && up < down) {
            fold(out, any, *array, first, up * kSummaryFan);
            fold(out, any, *array, down * kSummaryFan, last);
            array = &m_levels[c][level];
            ++level;
            first = up;
            last = down;
            continue;
        }
        fold(out, any, *array, first, last);
        break;
    }
    return out;
}

std::size_t PeakData::memoryBytes() const {
    std::size_t bytes = 0;
    for (const auto& ch : m_channels) bytes += ch.capacity() * sizeof(TPeak);
    for (const auto& levels : m_levels) {
        for (const auto& level : levels) bytes += level.capacity() * sizeof(TPeak);
    }
    return bytes;
}

}  // namespace sonthra
