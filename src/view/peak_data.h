// Peak data: per channel, the smallest and largest sample of every block of 32 sample frames,
// plus a coarser summary of those blocks kept in memory so that a column covering millions of
// frames is found in a few dozen steps. 8-bit samples are kept as stored (0..255), 16-bit
// samples signed.
//
// A PeakData is filled by one thread (the peak builder or the peak file reader) and only read
// afterwards; it has no locking of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace sonthra {

inline constexpr std::uint32_t kPeakBlockFrames = 32;

// Trivial, so that a freshly sized array is not written before the scan writes it: TPeak{}
// is {0, 0}.
struct TPeak {
    std::int16_t minimum;
    std::int16_t maximum;

    bool operator==(const TPeak&) const = default;
};

// Leaves new entries as the memory had them: sizing the arrays of a long file would otherwise
// write every page once before the scan writes it again.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
    using value_type = T;
    UninitializedAllocator() = default;
    template <typename U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// Blocks needed for a number of frames: ceil(frames / 32).
constexpr std::size_t peakBlockCount(std::uint64_t frames) {
    return static_cast<std::size_t>((frames + kPeakBlockFrames - 1) / kPeakBlockFrames);
}

class PeakData {
public:
    // Sizing a Channel leaves its entries unset: write them all, or size it with a value.
    using Channel = std::vector<TPeak, UninitializedAllocator<TPeak>>;

    PeakData() = default;
    // Takes the arrays and builds the summary.
    explicit PeakData(std::vector<Channel> channels);

    std::size_t channelCount() const { return m_channels.size(); }
    // The length of the first channel's array (0 without arrays), as the peak file stores it.
    std::size_t blockCount() const { return m_channels.empty() ? 0 : m_channels[0].size(); }
    // No arrays, or an empty first array: nothing can be drawn from it.
    bool empty() const { return blockCount() == 0; }
    const Channel& channel(std::size_t c) const { return m_channels[c]; }
    const std::vector<Channel>& channels() const { return m_channels; }

    void clear();
    // Replaces the arrays and rebuilds the summary.
    void assign(std::vector<Channel> channels);
    // Hands the arrays over and leaves this empty, so that they can be changed in place and
    // assigned back.
    std::vector<Channel> release();

    // The least minimum and the greatest maximum of blocks [first, last) of channel c, with last
    // cut to the array; {0, 0} for an empty range.
    TPeak range(std::size_t c, std::size_t first, std::size_t last) const;

    // Bytes held, arrays and summary together.
    std::size_t memoryBytes() const;

private:
    void buildSummary();

    std::vector<Channel> m_channels;
    // m_levels[c][k]: level k + 1 of channel c, each entry covering kSummaryFan entries of the
    // level below.
    std::vector<std::vector<Channel>> m_levels;
};

}  // namespace sonthra
