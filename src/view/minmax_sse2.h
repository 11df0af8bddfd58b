// The SSE2 reduction the peak scan and the peak summary share. Internal to the view library.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

namespace sonthra {

// Lane-wise minimum and maximum of `count` unaligned registers of 16-bit values, folded so that
// the low 32 bits of `lo` and `hi` hold the minimum and maximum of the even and of the odd
// lanes (lanes 0 and 1 after the fold).
inline void minMaxEvenOddLanes(const __m128i* v, int count, __m128i& lo, __m128i& hi) {
    lo = _mm_loadu_si128(v);
    hi = lo;
    for (int i = 1; i < count; ++i) {
        const __m128i x = _mm_loadu_si128(v + i);
        lo = _mm_min_epi16(lo, x);
        hi = _mm_max_epi16(hi, x);
    }
    lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 8));
    hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 8));
    lo = _mm_min_epi16(lo, _mm_srli_si128(lo, 4));
    hi = _mm_max_epi16(hi, _mm_srli_si128(hi, 4));
}

}  // namespace sonthra
#endif
