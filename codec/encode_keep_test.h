// The keep test of one region shape on the frame's keep differences, inline: the analysis asks
// it first for every region it decides.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "codec/encode_planes.h"
#include "codec/screen.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarn::codec {

// A keep threshold e and its limits, worked out once for all the regions of a run.
struct KeepLimits {
  int e;
#if defined(__SSE2__)
  __m128i soft;  // 2e in every 16-bit lane: a pixel over it is an outlier
  __m128i hard;  // 4e: no pixel may be over it
#endif
  KeepLimits() : KeepLimits(0) {}
  explicit KeepLimits(int threshold)
      : e(threshold)
#if defined(__SSE2__)
        ,
        soft(_mm_set1_epi16(static_cast<std::int16_t>(2 * threshold))),
        hard(_mm_set1_epi16(static_cast<std::int16_t>(4 * threshold)))
#endif
  {
  }
};

namespace keep_test {

// A region of more than eight pixels keeps up to a quarter of them as outliers, a smaller one two.
template <int W, int H>
inline constexpr int kMostOutliers = W* H < 9 ? 2 : W* H / 4;

// No pixel over 4e, at most kMostOutliers over 2e, and a sum of at most e per pixel.
template <int W, int H>
inline bool Plain(const KeepDifferences& differences, int pixel, int e) {
  int largest = 0, outliers = 0, total = 0;
  for (int row = 0; row < H; ++row)
    for (int i = pixel + row * kScreenWidth; i < pixel + row * kScreenWidth + W; ++i) {
      largest = std::max<int>(largest, differences.largest[i]);
      outliers += differences.largest[i] > 2 * e;
      total += differences.sum[i];
    }
  return largest <= 4 * e && outliers <= kMostOutliers<W, H> && total <= e * W * H;
}

#if defined(__SSE2__)
// Rows per register: a region's rows of W 16-bit entries side by side, up to eight entries.
template <int W, int H>
inline constexpr int kRowsPerRegister = W* H < 8 ? H : 8 / W;

inline int LoadPair(const std::int16_t* at) {
  std::int32_t pair;
  std::memcpy(&pair, at, sizeof pair);
  return pair;
}

// The W entries of each of `Rows` consecutive rows from `at`, side by side in the low lanes,
// zero above.
template <int W, int Rows>
inline __m128i LoadRows(const std::int16_t* at) {
  static_assert(W * Rows <= 8);
  if constexpr (W == 8) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  } else if constexpr (W == 4) {
    const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
    if constexpr (Rows == 1)
      return first;
    else
      return _mm_unpacklo_epi64(first, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + kScreenWidth)));
  } else {
    static_assert(W == 2);
    const __m128i first = _mm_cvtsi32_si128(LoadPair(at));
    if constexpr (Rows == 1) return first;
    const __m128i two = _mm_unpacklo_epi32(first, _mm_cvtsi32_si128(LoadPair(at + kScreenWidth)));
    if constexpr (Rows == 2) return two;
    return _mm_unpacklo_epi64(two, _mm_unpacklo_epi32(_mm_cvtsi32_si128(LoadPair(at + 2 * kScreenWidth)),
                                                      _mm_cvtsi32_si128(LoadPair(at + 3 * kScreenWidth))));
  }
}

inline int HorizontalSum16(__m128i v) {  // eight 16-bit lanes, each small enough not to overflow
  __m128i sums = _mm_madd_epi16(v, _mm_set1_epi16(1));
  sums = _mm_add_epi32(sums, _mm_srli_si128(sums, 8));
  sums = _mm_add_epi32(sums, _mm_srli_si128(sums, 4));
  return _mm_cvtsi128_si32(sums);
}

// Several rows at a time (as many as fill a register; the empty lanes are zero, which is never
// over a limit). Each lane sums at most eight pixels' differences: inside 16 bits.
template <int W, int H>
inline bool Wide(const KeepDifferences& differences, int pixel, const KeepLimits& limits) {
  constexpr int kRows = kRowsPerRegister<W, H>;
  const __m128i softLimit = limits.soft;
  __m128i largest = _mm_setzero_si128(), outliers = _mm_setzero_si128(), total = _mm_setzero_si128();
  for (int row = 0; row < H; row += kRows) {
    const int at = pixel + row * kScreenWidth;
    const __m128i rowsLargest = LoadRows<W, kRows>(&differences.largest[at]);
    largest = _mm_max_epi16(largest, rowsLargest);
    outliers = _mm_sub_epi16(outliers, _mm_cmpgt_epi16(rowsLargest, softLimit));  // -1 per outlier
    total = _mm_add_epi16(total, LoadRows<W, kRows>(&differences.sum[at]));
  }
  if (_mm_movemask_epi8(_mm_cmpgt_epi16(largest, limits.hard)) != 0) return false;
  return HorizontalSum16(outliers) <= kMostOutliers<W, H> && HorizontalSum16(total) <= limits.e * W * H;
}
#endif

}  // namespace keep_test

// Keep test of the w x h region at pixel index `pixel` (y * 240 + x) with the limits of a
// threshold.
template <int W, int H>
inline bool KeepTest(const KeepDifferences& differences, int pixel, const KeepLimits& limits) {
#if defined(__SSE2__)
  if constexpr (W >= 2 && W * H > 2) return keep_test::Wide<W, H>(differences, pixel, limits);
#endif
  return keep_test::Plain<W, H>(differences, pixel, limits.e);
}

// The same with threshold `e`.
template <int W, int H>
inline bool KeepTest(const KeepDifferences& differences, int pixel, int e) {
  return KeepTest<W, H>(differences, pixel, KeepLimits(e));
}

}  // namespace tarn::codec
