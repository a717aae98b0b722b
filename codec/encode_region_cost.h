// The move test's cost kernels: sum of |dB| + |dG| + |dR| between a region of the prepared
// picture and a displaced region of the reference copy (both BGR, 720-byte rows), one
// straight-line routine per region shape, inlined into the motion search.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "codec/screen.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarn::codec::region_cost {

inline constexpr int kStride = static_cast<int>(kRgbStride);

// Reads exactly the region's bytes.
template <int W, int H>
inline int WithinRegion(const std::uint8_t* a, const std::uint8_t* b) {
  int total = 0;
  for (int row = 0; row < H; ++row, a += kStride, b += kStride)
    for (int i = 0; i < W * 3; ++i) total += std::abs(a[i] - b[i]);
  return total;
}

#if defined(__SSE2__)
inline __m128i Load8(const std::uint8_t* at) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)); }
inline __m128i Load16(const std::uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// Bytes 0 to n-1 set.
template <int N>
inline __m128i LowBytesMask() {
  return _mm_set_epi8(N > 15 ? -1 : 0, N > 14 ? -1 : 0, N > 13 ? -1 : 0, N > 12 ? -1 : 0,
                      N > 11 ? -1 : 0, N > 10 ? -1 : 0, N > 9 ? -1 : 0, N > 8 ? -1 : 0,
                      N > 7 ? -1 : 0, N > 6 ? -1 : 0, N > 5 ? -1 : 0, N > 4 ? -1 : 0,
                      N > 3 ? -1 : 0, N > 2 ? -1 : 0, N > 1 ? -1 : 0, N > 0 ? -1 : 0);
}

// Whole 16-byte or 8-byte loads, rows narrower than a load masked; two rows of 6 or 3 bytes
// share one register (a single row of 6 takes one on its own).
template <int W, int H>
inline int Wide(const std::uint8_t* a, const std::uint8_t* b) {
  constexpr int kBytes = W * 3;
  __m128i total = _mm_setzero_si128();
  if constexpr (kBytes == 24) {
    __m128i tails = _mm_setzero_si128();  // a second sum, so the two chains overlap
#pragma GCC unroll 8
    for (int row = 0; row < H; ++row) {
      const int at = row * kStride;
      total = _mm_add_epi64(total, _mm_sad_epu8(Load16(a + at), Load16(b + at)));
      tails = _mm_add_epi64(tails, _mm_sad_epu8(Load8(a + at + 16), Load8(b + at + 16)));
    }
    total = _mm_add_epi64(total, tails);
  } else if constexpr (kBytes == 12) {
    const __m128i mask = LowBytesMask<12>();
#pragma GCC unroll 8
    for (int row = 0; row < H; ++row) {
      const int at = row * kStride;
      total = _mm_add_epi64(total, _mm_sad_epu8(_mm_and_si128(Load16(a + at), mask), _mm_and_si128(Load16(b + at), mask)));
    }
  } else if constexpr (H == 1) {
    const __m128i mask = LowBytesMask<kBytes>();
    total = _mm_sad_epu8(_mm_and_si128(Load8(a), mask), _mm_and_si128(Load8(b), mask));
  } else {
    static_assert(H % 2 == 0);
    const __m128i mask = LowBytesMask<kBytes>();
#pragma GCC unroll 4
    for (int row = 0; row < H; row += 2) {
      const int at = row * kStride;
      const __m128i x = _mm_unpacklo_epi64(_mm_and_si128(Load8(a + at), mask), _mm_and_si128(Load8(a + at + kStride), mask));
      const __m128i y = _mm_unpacklo_epi64(_mm_and_si128(Load8(b + at), mask), _mm_and_si128(Load8(b + at + kStride), mask));
      total = _mm_add_epi64(total, _mm_sad_epu8(x, y));
    }
  }
  return _mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_srli_si128(total, 8));
}
#endif

// Whether the shape has a whole-register kernel.
template <int W, int H>
inline constexpr bool kHasWide =
#if defined(__SSE2__)
    true;
#else
    false;
#endif

// How far from the region's first byte the fast kernel reads (it may pass the region's end).
template <int W, int H>
inline constexpr int kFastReach = !kHasWide<W, H> ? (H - 1) * kStride + W * 3
                                  : W * 3 == 12   ? (H - 1) * kStride + 16
                                  : W * 3 < 12    ? (H - 1) * kStride + 8
                                                  : (H - 1) * kStride + W * 3;

template <int W, int H>
inline int Fast(const std::uint8_t* a, const std::uint8_t* b) {
#if defined(__SSE2__)
  if constexpr (kHasWide<W, H>) return Wide<W, H>(a, b);
#endif
  return WithinRegion<W, H>(a, b);
}

}  // namespace tarn::codec::region_cost
