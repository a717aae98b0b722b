#include "codec/encode_region_tests.h"

#include <cstdlib>
#include <cstring>

#include "codec/screen.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarn::codec {
namespace {

template <int W, int H>
bool KeepTestPlain(const YuvPlane& current, const YuvPlane& reference, int pixel, int e) {
  constexpr int kPixels = W * H;
  constexpr int kMostOutliers = kPixels < 9 ? 2 : kPixels / 4;
  const int hardLimit = 4 * e, softLimit = 2 * e;
  int outliers = 0, total = 0;
  for (int row = 0; row < H; ++row) {
    const int start = pixel + row * kScreenWidth;
    for (int i = start; i < start + W; ++i) {
      const int dy = std::abs(current.y[i] - reference.y[i]);
      const int du = std::abs(current.u[i] - reference.u[i]);
      const int dv = std::abs(current.v[i] - reference.v[i]);
      if (dy > hardLimit || du > hardLimit || dv > hardLimit) return false;
      if (dy > softLimit || du > softLimit || dv > softLimit) ++outliers;
      total += dy + du + dv;
    }
  }
  return outliers <= kMostOutliers && total <= e * kPixels;
}

#if defined(__SSE2__)
// Rows per register: a region's rows of W 16-bit entries side by side, up to eight entries.
template <int W, int H>
constexpr int kRowsPerRegister = W* H < 8 ? H : 8 / W;

int LoadPair(const std::int16_t* at) {
  std::int32_t pair;
  std::memcpy(&pair, at, sizeof pair);
  return pair;
}

// The W entries of each of `Rows` consecutive rows from `at`, side by side in the low lanes,
// zero above.
template <int W, int Rows>
__m128i LoadRows(const std::int16_t* at) {
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

__m128i AbsoluteDifference(__m128i a, __m128i b) {
  const __m128i d = _mm_sub_epi16(a, b);
  return _mm_max_epi16(d, _mm_sub_epi16(_mm_setzero_si128(), d));
}

int HorizontalSum16(__m128i v) {  // eight 16-bit lanes, each small enough not to overflow
  __m128i sums = _mm_madd_epi16(v, _mm_set1_epi16(1));
  sums = _mm_add_epi32(sums, _mm_srli_si128(sums, 8));
  sums = _mm_add_epi32(sums, _mm_srli_si128(sums, 4));
  return _mm_cvtsi128_si32(sums);
}

// The same test on several rows at a time (as many as fill a register, empty lanes equal and so
// no difference); the differences of one region fit in 16 bits.
template <int W, int H>
bool KeepTestWide(const YuvPlane& current, const YuvPlane& reference, int pixel, int e) {
  constexpr int kPixels = W * H;
  constexpr int kMostOutliers = kPixels < 9 ? 2 : kPixels / 4;
  constexpr int kRows = kRowsPerRegister<W, H>;
  const __m128i hardLimit = _mm_set1_epi16(static_cast<std::int16_t>(4 * e));
  const __m128i softLimit = _mm_set1_epi16(static_cast<std::int16_t>(2 * e));
  __m128i overHard = _mm_setzero_si128(), outliers = _mm_setzero_si128(), total = _mm_setzero_si128();
  for (int row = 0; row < H; row += kRows) {
    const int at = pixel + row * kScreenWidth;
    const __m128i dy = AbsoluteDifference(LoadRows<W, kRows>(&current.y[at]), LoadRows<W, kRows>(&reference.y[at]));
    const __m128i du = AbsoluteDifference(LoadRows<W, kRows>(&current.u[at]), LoadRows<W, kRows>(&reference.u[at]));
    const __m128i dv = AbsoluteDifference(LoadRows<W, kRows>(&current.v[at]), LoadRows<W, kRows>(&reference.v[at]));
    const __m128i largest = _mm_max_epi16(dy, _mm_max_epi16(du, dv));
    overHard = _mm_or_si128(overHard, _mm_cmpgt_epi16(largest, hardLimit));
    outliers = _mm_sub_epi16(outliers, _mm_cmpgt_epi16(largest, softLimit));  // -1 per outlier
    total = _mm_add_epi16(total, _mm_add_epi16(dy, _mm_add_epi16(du, dv)));
  }
  if (_mm_movemask_epi8(overHard) != 0) return false;
  return HorizontalSum16(outliers) <= kMostOutliers && HorizontalSum16(total) <= e * kPixels;
}
#endif

template <int W, int H>
constexpr KeepTestFn FastKeepTest() {
#if defined(__SSE2__)
  if constexpr (W >= 2) return &KeepTestWide<W, H>;  // a single column costs as much as the plain test
#endif
  return &KeepTestPlain<W, H>;
}

template <int W, int H>
ChannelSums SumChannels(const std::uint8_t* prepared) {
  ChannelSums sums{};
  for (int row = 0; row < H; ++row) {
    const std::uint8_t* p = prepared + row * static_cast<int>(kRgbStride);
    for (int i = 0; i < W; ++i) {
      for (int c = 0; c < 3; ++c) {
        const int value = p[3 * i + c];
        sums.sum[c] += value;
        sums.sumOfSquares[c] += value * value;
      }
    }
  }
  return sums;
}

template <int W, int H>
constexpr ShapeOps MakeOps() {
  return {W, H, FastKeepTest<W, H>(), &SumChannels<W, H>};
}

constexpr ShapeOps kOps[] = {
    MakeOps<8, 8>(), MakeOps<4, 8>(), MakeOps<8, 4>(), MakeOps<4, 4>(), MakeOps<2, 4>(),
    MakeOps<4, 2>(), MakeOps<2, 2>(), MakeOps<1, 2>(), MakeOps<2, 1>(),
};

}  // namespace

template <int W, int H>
bool KeepTest(const YuvPlane& current, const YuvPlane& reference, int pixel, int e) {
  return FastKeepTest<W, H>()(current, reference, pixel, e);
}
template bool KeepTest<8, 8>(const YuvPlane&, const YuvPlane&, int, int);
template bool KeepTest<4, 8>(const YuvPlane&, const YuvPlane&, int, int);
template bool KeepTest<8, 4>(const YuvPlane&, const YuvPlane&, int, int);
template bool KeepTest<4, 4>(const YuvPlane&, const YuvPlane&, int, int);
template bool KeepTest<2, 4>(const YuvPlane&, const YuvPlane&, int, int);
template bool KeepTest<4, 2>(const YuvPlane&, const YuvPlane&, int, int);
template bool KeepTest<2, 2>(const YuvPlane&, const YuvPlane&, int, int);
template bool KeepTest<1, 2>(const YuvPlane&, const YuvPlane&, int, int);
template bool KeepTest<2, 1>(const YuvPlane&, const YuvPlane&, int, int);

const ShapeOps& OpsForShape(int width, int height) {
  for (const ShapeOps& ops : kOps)
    if (ops.width == width && ops.height == height) return ops;
  std::abort();  // the coder's shapes are fixed; any other is a programming error
}

double VarianceSum(const ChannelSums& sums, int pixelCount) {
  const double n = pixelCount;
  double total = 0.0;
  for (int c = 0; c < 3; ++c) {
    const double mean = sums.sum[c] / n;
    total += sums.sumOfSquares[c] / n - mean * mean;
  }
  return total;
}

}  // namespace tarn::codec
