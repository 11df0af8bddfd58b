#include "view/peak_builder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "view/minmax_sse2.h"
#include "view/view_errors.h"
#include "wave/wave_format.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <sys/mman.h>

namespace sonthra {
namespace {

inline std::int16_t sample16(const unsigned char* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

// One block of any layout, frame by frame: the general path for 8-bit data and for the short
// block at the end of the file.
void scanBlockPlain(const unsigned char* p, std::size_t frames, int channels, int bytes,
                    TPeak* out) {
    for (int c = 0; c < channels; ++c) {
        const unsigned char* s = p + c * bytes;
        const std::size_t stride = static_cast<std::size_t>(channels * bytes);
        std::int16_t v = bytes == 2 ? sample16(s) : static_cast<std::int16_t>(*s);
        TPeak peak{v, v};
        for (std::size_t f = 1; f < frames; ++f) {
            s += stride;
            v = bytes == 2 ? sample16(s) : static_cast<std::int16_t>(*s);
            if (v > peak.maximum) {
                peak.maximum = v;
            } else if (v < peak.minimum) {
                peak.minimum = v;
            }
        }
        out[c] = peak;
    }
}

#if defined(__x86_64__)
// How far ahead of the scan the processor is asked to fetch: the samples come from a memory
// map straight out of the page cache, and the hardware's own prefetch stops at every page.
constexpr std::size_t kPrefetchBytes = 2048;

inline void prefetchBlock(const unsigned char* p) {
    _mm_prefetch(reinterpret_cast<const char*>(p + kPrefetchBytes), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(p + kPrefetchBytes + 64), _MM_HINT_T0);
}

// Whole 32-frame blocks of 16-bit stereo: 64 interleaved samples in eight registers, the even
// lanes the left channel and the odd ones the right.
void scanBlocks16Stereo(const unsigned char* p, std::size_t blocks, TPeak* left, TPeak* right) {
    for (std::size_t b = 0; b < blocks; ++b, p += 128) {
        prefetchBlock(p);
        __m128i lo, hi;
        minMaxEvenOddLanes(reinterpret_cast<const __m128i*>(p), 8, lo, hi);
        const auto l = static_cast<std::uint32_t>(_mm_cvtsi128_si32(lo));
        const auto h = static_cast<std::uint32_t>(_mm_cvtsi128_si32(hi));
        left[b] = {static_cast<std::int16_t>(l & 0xFFFF), static_cast<std::int16_t>(h & 0xFFFF)};
        right[b] = {static_cast<std::int16_t>(l >> 16), static_cast<std::int16_t>(h >> 16)};
    }
}

void scanBlocks16Mono(const unsigned char* p, std::size_t blocks, TPeak* out) {
    for (std::size_t b = 0; b < blocks; ++b, p += 64) {
        if (b % 2 == 0) prefetchBlock(p);
        const auto* v = reinterpret_cast<const __m128i*>(p);
        __m128i lo = _mm_loadu_si128(v);
        __m128i hi = lo;
        for (int i = 1; i < 4; ++i) {
            const __m128i x = _mm_loadu_si128(v + i);
            lo = _mm_min_epi16(lo, x);
            hi = _mm_max_epi16(hi, x);
        }
        lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 8));
        hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 8));
        lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 4));
        hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 4));
        lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 2));
        hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 2));
        out[b] = {static_cast<std::int16_t>(_mm_cvtsi128_si32(lo) & 0xFFFF),
                  static_cast<std::int16_t>(_mm_cvtsi128_si32(hi) & 0xFFFF)};
    }
}
#endif

#if defined(__x86_64__)
// The same with 256-bit registers, where the processor has them: half the instructions.
__attribute__((target("avx2"))) void scanBlocks16StereoAvx2(const unsigned char* p,
                                                            std::size_t blocks, TPeak* left,
                                                            TPeak* right) {
    for (std::size_t b = 0; b < blocks; ++b, p += 128) {
        prefetchBlock(p);
        const auto* v = reinterpret_cast<const __m256i*>(p);
        const __m256i a0 = _mm256_loadu_si256(v);
        const __m256i a1 = _mm256_loadu_si256(v + 1);
        const __m256i a2 = _mm256_loadu_si256(v + 2);
        const __m256i a3 = _mm256_loadu_si256(v + 3);
        const __m256i lo4 = _mm256_min_epi16(_mm256_min_epi16(a0, a1), _mm256_min_epi16(a2, a3));
        const __m256i hi4 = _mm256_max_epi16(_mm256_max_epi16(a0, a1), _mm256_max_epi16(a2, a3));
        __m128i lo = _mm_min_epi16(_mm256_castsi256_si128(lo4), _mm256_extracti128_si256(lo4, 1));
        __m128i hi = _mm_max_epi16(_mm256_castsi256_si128(hi4), _mm256_extracti128_si256(hi4, 1));
        lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 8));
        hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 8));
        lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 4));
        hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 4));
        const auto l = static_cast<std::uint32_t>(_mm_cvtsi128_si32(lo));
        const auto h = static_cast<std::uint32_t>(_mm_cvtsi128_si32(hi));
        left[b] = {static_cast<std::int16_t>(l & 0xFFFF), static_cast<std::int16_t>(h & 0xFFFF)};
        right[b] = {static_cast<std::int16_t>(l >> 16), static_cast<std::int16_t>(h >> 16)};
    }
}

bool haveAvx2() {
    static const bool have = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return have;
}
#endif

// Scans frames whole frames that start on a block boundary into the arrays from block index
// first on.
void scanFrames(const unsigned char* p, std::size_t frames, int channels, int bytes,
                std::vector<PeakData::Channel>& out, std::size_t first) {
    const std::size_t frameBytes = static_cast<std::size_t>(channels * bytes);
    std::size_t whole = frames / kPeakBlockFrames;
    std::size_t done = 0;
#if defined(__x86_64__)
    if (bytes == 2 && channels == 2) {
        done = whole;
        ScanStereo16(haveAvx2() ? PeakKernel::Avx2 : PeakKernel::Sse2, p, whole,
                     out[0].data() + first, out[1].data() + first);
    } else if (bytes == 2 && channels == 1) {
        scanBlocks16Mono(p, whole, out[0].data() + first);
        done = whole;
    }
#endif
    TPeak peaks[2];
    for (std::size_t b = done; b * kPeakBlockFrames < frames; ++b) {
        const std::size_t n =
            std::min<std::size_t>(kPeakBlockFrames, frames - b * kPeakBlockFrames);
        scanBlockPlain(p + b * kPeakBlockFrames * frameBytes, n, channels, bytes, peaks);
        for (int c = 0; c < channels; ++c) out[c][first + b] = peaks[c];
    }
}

}  // namespace

bool ScanStereo16(PeakKernel kernel, const unsigned char* p, std::size_t blocks, TPeak* left,
                  TPeak* right) {
    switch (kernel) {
        case PeakKernel::Plain:
            break;
#if defined(__x86_64__)
        case PeakKernel::Sse2:
            scanBlocks16Stereo(p, blocks, left, right);
            return true;
        case PeakKernel::Avx2:
            if (!haveAvx2()) return false;
            scanBlocks16StereoAvx2(p, blocks, left, right);
            return true;
#else
        default:
            return false;
#endif
    }
    TPeak peaks[2];
    for (std::size_t b = 0; b < blocks; ++b) {
        scanBlockPlain(p + b * 128, kPeakBlockFrames, 2, 2, peaks);
        left[b] = peaks[0];
        right[b] = peaks[1];
    }
    return true;
}

std::int64_t roundHalfEven(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t q = numerator / denominator;
    const std::int64_t r = numerator % denominator;
    if (r * 2 > denominator || (r * 2 == denominator && (q & 1))) return q + 1;
    return q;
}

namespace {

// Where the samples come from: the file's memory map, window by window, or reads into a
// buffer where the file cannot be mapped. Either way a stretch starts on a block boundary.
class SampleStretches {
public:
    explicit SampleStretches(SampleFile& file) : m_file(file), m_mapped(file.mapped()) {}

    // Bytes [offset, offset + got) of the samples, at most want; nullptr with got 0 on failure.
    const unsigned char* next(std::uint64_t offset, std::size_t want, std::size_t& got) {
        got = 0;
        if (m_mapped) {
            const unsigned char* p = m_file.view(offset, want, m_cursor);
            if (p)
                got = static_cast<std::size_t>(
                    std::min<std::uint64_t>(want, m_file.dataBytes() - offset));
            return p;
        }
        if (!m_buffer) m_buffer.reset(new unsigned char[kPeakReadBytes]);
        const std::int64_t n = m_file.read(offset, m_buffer.get(), std::min(want, kPeakReadBytes));
        if (n <= 0) return nullptr;
        got = static_cast<std::size_t>(n);
        return m_buffer.get();
    }

private:
    SampleFile& m_file;
    const bool m_mapped;
    SampleFile::MapCursor m_cursor;
    std::unique_ptr<unsigned char[]> m_buffer;
};

// Scans frames [from, to) of file (to cut to its frames) as blocks of 32 counted from `from`
// into the arrays from index outBlock on. onStretch is asked before each stretch, with the
// bytes scanned so far and in all, whether to go on, and told of the end.
template <typename OnStretch>
int scanStretch(SampleFile& file, std::uint64_t from, std::uint64_t to, std::size_t outBlock,
                std::vector<PeakData::Channel>& out, OnStretch onStretch) {
    const WaveHeaderInfo& info = file.info();
    const int channels = info.format.channels;
    const int bytes = info.format.bitsPerSample / 8;
    const std::size_t frameBytes = static_cast<std::size_t>(channels * bytes);
    const std::uint64_t begin = from * frameBytes;
    const std::uint64_t end = std::min<std::uint64_t>(to, info.totalSamples) * frameBytes;
    SampleStretches stretches(file);
    std::uint64_t consumed = begin;
    std::size_t block = outBlock;
    while (consumed < end) {
        if (!onStretch(consumed - begin, end - begin)) return kViewErrCancelled;
        std::size_t got = 0;
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kPeakMapBytes, end - consumed));
        const unsigned char* p = stretches.next(consumed, want, got);
        // Only a read cut short by the end of the data leaves a part frame, which is no frame.
        const std::size_t frames = got / frameBytes;
        if (p == nullptr || frames == 0) return kViewErrCannotRead;
        scanFrames(p, frames, channels, bytes, out, block);
        block += peakBlockCount(frames);
        consumed += frames * frameBytes;
    }
    if (end > begin) onStretch(end - begin, end - begin);
    return kViewOk;
}

bool fits(const SampleFile& file, std::uint64_t from, std::uint64_t to, std::size_t outBlock,
          const std::vector<PeakData::Channel>& out) {
    const std::uint64_t frames = std::min<std::uint64_t>(to, file.info().totalSamples);
    const std::size_t blocks = frames > from ? peakBlockCount(frames - from) : 0;
    if (out.size() < file.info().format.channels) return false;
    for (const auto& array : out) {
        if (array.size() < outBlock + blocks) return false;
    }
    return true;
}

}  // namespace

namespace {

// Raises progress to value, never lowering it: the parts of a split scan report in any order.
void raiseProgress(std::atomic<std::int32_t>& progress, std::int32_t value) {
    std::int32_t seen = progress.load();
    while (value > seen && !progress.compare_exchange_weak(seen, value)) {
    }
}

}  // namespace

int ScanPeaks(SampleFile& file, std::vector<PeakData::Channel>& out,
              std::atomic<std::int32_t>& progress, const std::atomic<PeakState>& state) {
    out.clear();
    progress.store(0);
    const std::uint64_t frames = file.info().totalSamples;
    const std::uint64_t totalBytes = frames * file.info().format.blockAlign;
    std::atomic<std::uint64_t> scanned{0};
    // Each part reports how far it got; together they make the progress.
    auto part = [&]() {
        return [&, last = std::uint64_t{0}](std::uint64_t done, std::uint64_t) mutable {
            const std::uint64_t all = scanned.fetch_add(done - last) + (done - last);
            last = done;
            if (all > 0) {
                raiseProgress(progress, static_cast<std::int32_t>(
                                            roundHalfEven(static_cast<std::int64_t>(all) * 99,
                                                          static_cast<std::int64_t>(totalBytes))));
            }
            return state.load(std::memory_order_relaxed) == PeakState::Building;
        };
    };
    int code = kViewOk;
    try {
        SizePeakArrays(out, file.info().format.channels, peakBlockCount(frames));
        // A long mapped file is scanned in two halves at once where there is a second
        // processor: the scan is bound by how fast one core takes in memory, not by the disk.
        const std::uint64_t half = peakBlockCount(frames) / 2 * kPeakBlockFrames;
        int second = kViewOk;
        struct Joined {
            std::thread thread;
            ~Joined() {
                if (thread.joinable()) thread.join();
            }
        } helper;
        if (totalBytes >= 2 * kPeakMapBytes && std::thread::hardware_concurrency() > 1 &&
            file.mapped()) {
            try {
                helper.thread = std::thread([&] {
                    try {
                        second =
                            scanStretch(file, half, frames, half / kPeakBlockFrames, out, part());
                    } catch (const std::bad_alloc&) {
                        second = kViewErrNoMemory;
                    }
                });
            } catch (const std::system_error&) {
                // No second thread: the one scan below takes the whole file.
            }
        }
        const bool split = helper.thread.joinable();
        code = scanStretch(file, 0, split ? half : frames, 0, out, part());
        if (split) {
            helper.thread.join();
            if (code == kViewOk) code = second;
        }
    } catch (const std::bad_alloc&) {
        code = kViewErrNoMemory;
    }
    if (code != kViewOk) out.clear();
    return code;
}

void SizePeakArrays(std::vector<PeakData::Channel>& out, int channels, std::size_t count) {
    out.resize(channels);
    for (auto& array : out) {
        array.reserve(count);
        constexpr std::uintptr_t kHuge = 2 << 20;
        const auto start = reinterpret_cast<std::uintptr_t>(array.data());
        const std::uintptr_t end = start + count * sizeof(TPeak);
        const std::uintptr_t first = (start + kHuge - 1) & ~(kHuge - 1);
        if (end > first + kHuge) {
            ::madvise(reinterpret_cast<void*>(first), (end - first) & ~(kHuge - 1), MADV_HUGEPAGE);
        }
        array.resize(count);
    }
}

int ScanPeakStretch(SampleFile& file, std::uint64_t from, std::uint64_t to, std::size_t outBlock,
                    std::vector<PeakData::Channel>& out) {
    if (!fits(file, from, to, outBlock, out)) return kViewErrNoMemory;
    try {
        return scanStretch(file, from, to, outBlock, out,
                           [](std::uint64_t, std::uint64_t) { return true; });
    } catch (const std::bad_alloc&) {
        return kViewErrNoMemory;
    }
}

void ScanPeakFrames(const unsigned char* p, std::size_t frames, const WaveFormat& format,
                    std::vector<PeakData::Channel>& out, std::size_t outBlock) {
    scanFrames(p, frames, format.channels, format.bitsPerSample / 8, out, outBlock);
}

namespace {

// Scans frames [from, to) of the reader's audio into out from block from / 32 on; from is a
// multiple of 32.
int scanSequenceStretch(SequenceReader& reader, std::uint64_t from, std::uint64_t to,
                        std::vector<PeakData::Channel>& out) {
    const WaveFormat& format = reader.snapshot().format;
    const std::uint64_t runFrames = kPeakReadBytes / format.blockAlign;
    std::vector<unsigned char> run(static_cast<std::size_t>(runFrames) * format.blockAlign);
    for (std::uint64_t at = from; at < to; at += runFrames) {
        const std::uint64_t n = std::min(runFrames, to - at);
        if (reader.read(at, n, run.data()) != 0) return kViewErrCannotRead;
        ScanPeakFrames(run.data(), static_cast<std::size_t>(n), format, out,
                       static_cast<std::size_t>(at / kPeakBlockFrames));
    }
    return kViewOk;
}

}  // namespace

int ScanSequencePeaks(SequenceReader& reader, std::vector<PeakData::Channel>& out) {
    out.clear();
    const WaveFormat& format = reader.snapshot().format;
    if (!isSupportedPcm(format)) return kViewErrCannotRead;
    try {
        SizePeakArrays(out, format.channels, peakBlockCount(reader.frames()));
        const int r = scanSequenceStretch(reader, 0, reader.frames(), out);
        if (r != kViewOk) out.clear();
        return r;
    } catch (const std::bad_alloc&) {
        out.clear();
        return kViewErrNoMemory;
    }
}

int PatchSequencePeaks(SequenceReader& reader, std::uint64_t from, std::uint64_t removed,
                       std::uint64_t inserted, std::vector<PeakData::Channel>& peaks) {
    const WaveFormat& format = reader.snapshot().format;
    const std::uint64_t after = reader.frames();
    if (!isSupportedPcm(format) || peaks.size() != format.channels || after < inserted ||
        after - inserted > std::numeric_limits<std::uint64_t>::max() - removed) {
        return kViewErrPeakStale;
    }
    const std::uint64_t before = after - inserted + removed;
    if (from > after - inserted || peaks[0].size() != peakBlockCount(before))
        return kViewErrPeakStale;
    for (const PeakData::Channel& c : peaks) {
        if (c.size() != peaks[0].size()) return kViewErrPeakStale;
    }
    const std::size_t head = static_cast<std::size_t>(from / kPeakBlockFrames);
    const bool moves =
        (inserted > removed ? inserted - removed : removed - inserted) % kPeakBlockFrames == 0;
    // The first block whose frames all lie after the edit, in the audio after it.
    const std::size_t tail = moves
                                 ? std::min(peakBlockCount(from + inserted), peakBlockCount(after))
                                 : peakBlockCount(after);
    try {
        const std::size_t oldCount = peaks[0].size();
        const std::size_t newCount = peakBlockCount(after);
        for (PeakData::Channel& c : peaks) {
            if (moves && tail < newCount) {
                // Old block k - shift holds the frames new block k holds.
                const std::size_t oldTail = tail + oldCount - newCount;
                if (newCount > oldCount) c.resize(newCount);
                std::memmove(c.data() + tail, c.data() + oldTail,
                             (newCount - tail) * sizeof(TPeak));
            }
            c.resize(newCount);
        }
        return scanSequenceStretch(
            reader, head * std::uint64_t{kPeakBlockFrames},
            std::min<std::uint64_t>(after, tail * std::uint64_t{kPeakBlockFrames}), peaks);
    } catch (const std::bad_alloc&) {
        return kViewErrNoMemory;
    }
}

}  // namespace sonthra
