#include "engine/ring_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace sonthra {
namespace {

TEST(RingBuffer, CapacityIsAPowerOfTwoAndPositionsSitOnTheirOwnCacheLines) {
    EXPECT_EQ(RingBuffer<int>(1).capacity(), 2u);
    EXPECT_EQ(RingBuffer<int>(8).capacity(), 8u);
    EXPECT_EQ(RingBuffer<int>(9).capacity(), 16u);
    EXPECT_EQ(alignof(RingBuffer<int>), kCacheLineSize);
    EXPECT_EQ(sizeof(RingBuffer<int>) % kCacheLineSize, 0u);
}

TEST(RingBuffer, FillsUpWrapsAroundAndKeepsOrder) {
    RingBuffer<int> ring(8);
    const int first[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ring.write(first, 6), 6u);
    int out[8] = {};
    EXPECT_EQ(ring.read(out, 4), 4u);
    EXPECT_EQ(out[3], 4);

    // Six more only partly fit (2 queued + 6 = 8); the write that follows is refused whole.
    const int second[7] = {7, 8, 9, 10, 11, 12, 13};
    EXPECT_EQ(ring.write(second, 7), 6u);
    EXPECT_EQ(ring.writeAvailable(), 0u);
    EXPECT_EQ(ring.write(second, 1), 0u);
    EXPECT_EQ(ring.readAvailable(), 8u);

    // The read crosses the end of the storage.
    EXPECT_EQ(ring.read(out, 8), 8u);
    const int expected[8] = {5, 6, 7, 8, 9, 10, 11, 12};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], expected[i]) << i;
    EXPECT_EQ(ring.read(out, 1), 0u);
}

TEST(RingBuffer, DiscardDropsOnlyWhatIsQueued) {
    RingBuffer<std::int16_t> ring(16);
    const std::int16_t data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    ring.write(data, 10);
    EXPECT_EQ(ring.discard(3), 3u);
    std::int16_t out[16];
    EXPECT_EQ(ring.read(out, 1), 1u);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(ring.discard(100), 6u);
    EXPECT_EQ(ring.readAvailable(), 0u);
    EXPECT_EQ(ring.writeAvailable(), 16u);
}

// A real producer thread writes a counting sequence in random pieces while the consumer reads
// random pieces: any lost, repeated or reordered element, or a torn copy across the wrap,
// breaks the sequence.
TEST(RingBuffer, WriterThreadAgainstManyRandomReads) {
    constexpr std::uint32_t kTotal = 4'000'000;
    RingBuffer<std::uint32_t> ring(1000);  // small, so both sides wrap and meet often
    std::thread writer([&] {
        std::mt19937 random(1);
        std::uniform_int_distribution<std::uint32_t> piece(1, 700);
        std::vector<std::uint32_t> buffer(700);
        std::uint32_t next = 0;
        while (next < kTotal) {
            const std::uint32_t want = std::min(piece(random), kTotal - next);
            for (std::uint32_t i = 0; i < want; ++i) buffer[i] = next + i;
            std::size_t done = 0;
            while (done < want) {
                done += ring.write(buffer.data() + done, want - done);
                if (done < want) std::this_thread::yield();
            }
            next += want;
        }
    });

    std::mt19937 random(2);
    std::uniform_int_distribution<std::size_t> piece(1, 1100);
    std::vector<std::uint32_t> out(1100);
    std::uint32_t received = 0;
    std::uint64_t mismatches = 0;
    std::uint64_t reads = 0;
    // Reads on after a mismatch too, so that the writer can always finish.
    while (received < kTotal) {
        const std::size_t got = ring.read(out.data(), piece(random));
        ASSERT_LE(received + got, kTotal);
        for (std::size_t i = 0; i < got; ++i) {
            if (out[i] != received + i && mismatches++ == 0)
                ADD_FAILURE() << "element " << received + i << " read as " << out[i];
        }
        received += static_cast<std::uint32_t>(got);
        if (got == 0) std::this_thread::yield();
        ++reads;
    }
    writer.join();
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(ring.readAvailable(), 0u);
    EXPECT_GT(reads, 1000u);
}

}  // namespace
}  // namespace sonthra
