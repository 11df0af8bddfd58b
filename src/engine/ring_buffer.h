// A lock-free first-in first-out queue between exactly one producer thread and exactly one
// consumer thread, used between the audio callback and the engine's reader and writer threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

namespace sonthra {

// Keeps the two positions on separate cache lines so that the producer's and the consumer's
// cores do not invalidate each other's line on every update.
inline constexpr std::size_t kCacheLineSize = 64;

// The positions count elements since creation and are never wrapped; the capacity is a power of
// two, so that (position & mask) indexes the storage and (write - read) is the fill even after
// the counters overflow. Storage is allocated once, in the constructor: neither side ever
// allocates, locks or waits, which lets the audio callback use either side.
//
// Producer side: writeAvailable(), write(). Consumer side: readAvailable(), read(), discard().
// Each side may be used from one thread at a time; the two sides from two different threads.
template <typename T>
class RingBuffer {
    static_assert(std::is_trivially_copyable_v<T>, "elements are copied with memcpy");

public:
    // Holds at least minCapacity elements (rounded up to a power of two, at least 2).
    explicit RingBuffer(std::size_t minCapacity)
        : m_capacity(roundUp(minCapacity)),
          m_mask(m_capacity - 1),
          m_storage(std::make_unique<T[]>(m_capacity)) {}

    RingBuffer(const RingBuffer&) = delete;
    RingBuffer& operator=(const RingBuffer&) = delete;

    std::size_t capacity() const { return m_capacity; }

    std::size_t writeAvailable() const {
        const std::size_t write = m_write.load(std::memory_order_relaxed);
        const std::size_t read = m_read.load(std::memory_order_acquire);
        return m_capacity - (write - read);
    }

    // Appends up to count elements and returns how many fitted.
    std::size_t write(const T* data, std::size_t count) {
        const std::size_t write = m_write.load(std::memory_order_relaxed);
        const std::size_t read = m_read.load(std::memory_order_acquire);
        const std::size_t n = std::min(count, m_capacity - (write - read));
        copyIn(write & m_mask, data, n);
        // Release: the consumer that sees the new position also sees the elements.
        m_write.store(write + n, std::memory_order_release);
        return n;
    }

    std::size_t readAvailable() const {
        const std::size_t read = m_read.load(std::memory_order_relaxed);
        const std::size_t write = m_write.load(std::memory_order_acquire);
        return write - read;
    }

    // Takes up to count elements into out and returns how many were taken.
    std::size_t read(T* out, std::size_t count) {
        const std::size_t read = m_read.load(std::memory_order_relaxed);
        const std::size_t write = m_write.load(std::memory_order_acquire);
        const std::size_t n = std::min(count, write - read);
        copyOut(read & m_mask, out, n);
        // Release: the producer may reuse the slots only after the copy above has finished.
        m_read.store(read + n, std::memory_order_release);
        return n;
    }

    // Drops up to count elements without copying them; returns how many were dropped.
    std::size_t discard(std::size_t count) {
        const std::size_t read = m_read.load(std::memory_order_relaxed);
        const std::size_t write = m_write.load(std::memory_order_acquire);
        const std::size_t n = std::min(count, write - read);
        m_read.store(read + n, std::memory_order_release);
        return n;
    }

private:
    static std::size_t roundUp(std::size_t n) {
        std::size_t c = 2;
        while (c < n) c <<= 1;
        return c;
    }

    void copyIn(std::size_t at, const T* data, std::size_t n) {
        const std::size_t first = std::min(n, m_capacity - at);
        if (first > 0) std::memcpy(&m_storage[at], data, first * sizeof(T));
        if (n > first) std::memcpy(&m_storage[0], data + first, (n - first) * sizeof(T));
    }

    void copyOut(std::size_t at, T* out, std::size_t n) const {
        const std::size_t first = std::min(n, m_capacity - at);
        if (first > 0) std::memcpy(out, &m_storage[at], first * sizeof(T));
        if (n > first) std::memcpy(out + first, &m_storage[0], (n - first) * sizeof(T));
    }

    const std::size_t m_capacity;
    const std::size_t m_mask;
    const std::unique_ptr<T[]> m_storage;
    alignas(kCacheLineSize) std::atomic<std::size_t> m_write{0};
    // The alignment also rounds the object's size up to whole lines, so nothing placed after it
    // shares the consumer's line.
    alignas(kCacheLineSize) std::atomic<std::size_t> m_read{0};
};

}  // namespace sonthra
