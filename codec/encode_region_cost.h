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
  return _mm_set_epi8(N > 15 ? -1 : 0, N > 14 ? -1 : 0, N > 13 ? -1 : 0, N > 12 ? -1 : 0, N > 11 ? -1 : 0,
                      N > 10 ? -1 : 0, N > 9 ? -1 : 0, N > 8 ? -1 : 0, N > 7 ? -1 : 0, N > 6 ? -1 : 0, N > 5 ? -1 : 0,
                      N > 4 ? -1 : 0, N > 3 ? -1 : 0, N > 2 ? -1 : 0, N > 1 ? -1 : 0, N > 0 ? -1 : 0);
}

// Whole 16-byte or 8-byte loads, rows narrower than a load masked; two rows of 6 or 3 bytes
// share one register (a single row of 6 takes one on its own). The region of the prepared
// picture is loaded once, then compared with any number of displaced regions.
template <int W, int H>
class WideRegion {
 public:
  explicit WideRegion(const std::uint8_t* a) {
    for (int i = 0; i < kRegisters; ++i) rows_[i] = Register(a, i);
  }

  int Cost(const std::uint8_t* b) const {
    __m128i total = _mm_setzero_si128();
    __m128i tails = _mm_setzero_si128();  // a second sum, so the two chains overlap
#pragma GCC unroll 16
    for (int i = 0; i < kRegisters; i += 2) {
      total = _mm_add_epi64(total, _mm_sad_epu8(rows_[i], Register(b, i)));
      if (i + 1 < kRegisters) tails = _mm_add_epi64(tails, _mm_sad_epu8(rows_[i + 1], Register(b, i + 1)));
    }
    total = _mm_add_epi64(total, tails);
    return _mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_srli_si128(total, 8));
  }

 private:
  static constexpr int kBytes = W * 3;
  // 24-byte rows: a 16-byte and an 8-byte register each; 12-byte rows one masked register;
  // narrower rows two to a register (or one alone).
  static constexpr int kRegisters = kBytes == 24 ? 2 * H : kBytes == 12 || H == 1 ? H : H / 2;
  static_assert(kBytes == 24 || kBytes == 12 || H == 1 || H % 2 == 0);

  // Register i of the region starting at `at`.
  static __m128i Register(const std::uint8_t* at, int i) {
    if constexpr (kBytes == 24) {
      const std::uint8_t* row = at + (i >> 1) * kStride;
      return (i & 1) == 0 ? Load16(row) : Load8(row + 16);
    } else if constexpr (kBytes == 12) {
      return _mm_and_si128(Load16(at + i * kStride), LowBytesMask<12>());
    } else if constexpr (H == 1) {
      return _mm_and_si128(Load8(at), LowBytesMask<kBytes>());
    } else {
      const __m128i mask = LowBytesMask<kBytes>();
      const std::uint8_t* row = at + 2 * i * kStride;
      return _mm_unpacklo_epi64(_mm_and_si128(Load8(row), mask), _mm_and_si128(Load8(row + kStride), mask));
    }
  }

  __m128i rows_[kRegisters];
};
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

// One region of the prepared picture compared with many displaced ones through the fast
// kernel; held in registers where the shape has a whole-register kernel.
#if defined(__SSE2__)
template <int W, int H>
using FastRegion = WideRegion<W, H>;
#else
template <int W, int H>
class FastRegion {
 public:
  explicit FastRegion(const std::uint8_t* a) : a_(a) {}
  int Cost(const std::uint8_t* b) const { return WithinRegion<W, H>(a_, b); }

 private:
  const std::uint8_t* a_;
};
#endif

}  // namespace tarn::codec::region_cost
