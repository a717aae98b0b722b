// Channel sums of the fill test. Regions under four pixels a side sum their own pixels: the fill
// test runs right after the region's motion search, which has just read them, so they are in the
// nearest cache. Larger regions add up the frame's 4x4 cells (FillCells): a few loads instead of
// summing up to 64 pixels, for the many regions (nearly all, on camera footage) whose keep and
// move tests fail.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "codec/encode_planes.h"
#include "codec/encode_region_tests.h"
#include "codec/screen.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarn::codec {

#if defined(__SSE2__)
namespace region_sums {

// `Bytes` (3, 4, 6 or 8) bytes of a row, zero above; never reads past them (the region may end
// the picture). Built in registers: a short copy through memory would stall the wide load.
template <int Bytes>
inline __m128i LoadBytes(const std::uint8_t* at) {
  if constexpr (Bytes == 8) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
  } else if constexpr (Bytes == 3) {
    std::uint16_t low;
    std::memcpy(&low, at, sizeof low);
    return _mm_cvtsi32_si128(low | at[2] << 16);
  } else {
    static_assert(Bytes == 4 || Bytes == 6);
    std::int32_t low;
    std::memcpy(&low, at, sizeof low);
    const __m128i four = _mm_cvtsi32_si128(low);
    if constexpr (Bytes == 4) return four;
    std::uint16_t high;
    std::memcpy(&high, at + 4, sizeof high);
    return _mm_insert_epi16(four, high, 2);
  }
}

// Running sums and sums of squares of byte positions 0-11 of a row, over the rows added so far:
// the squares in 32-bit lanes (positions 0-3, 4-7 and 8-11), the sums as the rows' 16-bit
// lanes (at most four bytes each: a region has at most eight rows), widened once at the end.
struct PositionSums {
  __m128i pairSums[3] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
  __m128i squares[3] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};

  // Two rows' bytes of the same positions interleaved as 16-bit lanes (row a, row b, ...), so
  // that one multiply-add gives each position's sum of the two squares.
  void AddPairs(int lanes, __m128i pairs) {
    pairSums[lanes] = _mm_add_epi16(pairSums[lanes], pairs);
    squares[lanes] = _mm_add_epi32(squares[lanes], _mm_madd_epi16(pairs, pairs));
  }
  // The sums of positions 4 * lanes to 4 * lanes + 3 in 32-bit lanes.
  __m128i Sum(int lanes) const { return _mm_madd_epi16(pairSums[lanes], _mm_set1_epi16(1)); }
  // Positions 0-7 (or fewer: the others zero) of rows a and b.
  void AddEight(__m128i a, __m128i b) {
    const __m128i interleaved = _mm_unpacklo_epi8(a, b);
    AddPairs(0, _mm_unpacklo_epi8(interleaved, _mm_setzero_si128()));
    AddPairs(1, _mm_unpackhi_epi8(interleaved, _mm_setzero_si128()));
  }
  // Positions 8-11 of rows a and b (in their low four bytes).
  void AddFour(__m128i a, __m128i b) { AddPairs(2, _mm_unpacklo_epi8(_mm_unpacklo_epi8(a, b), _mm_setzero_si128())); }
};

// Positions 0-5 in lanes 0-3 of `low` and 0-1 of `high` to the three channels (positions c
// and c + 3) in lanes 0-2.
inline __m128i FoldSix(__m128i low, __m128i high) {
  return _mm_add_epi32(low, _mm_or_si128(_mm_srli_si128(low, 12), _mm_slli_si128(high, 4)));
}

// Positions 0-11 to the three channels: positions 6-11 hold the same channels as 0-5.
inline __m128i FoldTwelve(const __m128i (&lanes)[3]) {
  const __m128i upperLow = _mm_or_si128(_mm_srli_si128(lanes[1], 8), _mm_slli_si128(lanes[2], 8));
  const __m128i upperHigh = _mm_srli_si128(lanes[2], 8);
  return FoldSix(_mm_add_epi32(lanes[0], upperLow), _mm_add_epi32(lanes[1], upperHigh));
}

inline ChannelSums ToSums(__m128i sum, __m128i squares) {
  alignas(16) std::int32_t s[4], q[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(s), sum);
  _mm_store_si128(reinterpret_cast<__m128i*>(q), squares);
  return {{s[0], s[1], s[2]}, {q[0], q[1], q[2]}};
}

}  // namespace region_sums
#endif

#if defined(__SSE2__)
namespace region_sums {

// The position sums of the W x H region at `first`.
template <int W, int H>
inline PositionSums PositionsOf(const std::uint8_t* first) {
  static_assert(W == 1 || W == 2 || W == 4 || W == 8);
  PositionSums positions;
  const auto row = [&](int r, int at) { return first + r * static_cast<int>(kRgbStride) + at; };
  // Rows in pairs (a lone row is paired with zeros); a row of eight pixels as two of four,
  // whose twelve bytes start on the same channel.
  for (int r = 0; r < H; r += 2) {
    for (int half = 0; half < W; half += 4) {
      constexpr int kBytes = W < 4 ? 3 * W : 8;
      const __m128i zero = _mm_setzero_si128();
      const int at = half * 3;
      positions.AddEight(LoadBytes<kBytes>(row(r, at)), H > 1 ? LoadBytes<kBytes>(row(r + 1, at)) : zero);
      if constexpr (W >= 4)
        positions.AddFour(LoadBytes<4>(row(r, at + 8)), H > 1 ? LoadBytes<4>(row(r + 1, at + 8)) : zero);
    }
  }
  return positions;
}

// Position lanes of a region W pixels wide to the three channels, in lanes 0-2 (lane 3 is not a
// channel).
template <int W>
inline __m128i ChannelsOf(const __m128i (&lanes)[3]) {
  if constexpr (W < 4)
    return FoldSix(lanes[0], lanes[1]);
  else
    return FoldTwelve(lanes);
}

// The channel sums and sums of squares of the W x H region at `first`, in lanes 0-2 (blue,
// green, red; lane 3 is not a channel).
template <int W, int H>
inline void ChannelLanes(const std::uint8_t* first, __m128i& sum, __m128i& squares) {
  const PositionSums positions = PositionsOf<W, H>(first);
  const __m128i sums[3] = {positions.Sum(0), positions.Sum(1), positions.Sum(2)};
  sum = ChannelsOf<W>(sums);
  squares = ChannelsOf<W>(positions.squares);
}

}  // namespace region_sums
#endif

// The sums of the W x H region (W 1, 2, 4 or 8; H 1, 2, 4 or 8) whose first byte is `first` in a
// BGR picture of 720-byte rows: the same values as summing its pixels one by one.
template <int W, int H>
inline ChannelSums RegionSums(const std::uint8_t* first) {
#if defined(__SSE2__)
  __m128i sum, squares;
  region_sums::ChannelLanes<W, H>(first, sum, squares);
  return region_sums::ToSums(sum, squares);
#else
  ChannelSums sums{};
  for (int r = 0; r < H; ++r)
    for (int i = 0; i < W * 3; ++i) {
      const int value = first[r * static_cast<int>(kRgbStride) + i];
      sums.sum[i % 3] += value;
      sums.sumOfSquares[i % 3] += value * value;
    }
  return sums;
#endif
}

#if defined(__SSE2__)
namespace region_sums {

// What the fill test measures of a region of more than two pixels: n^2 times its variance sum,
// and the channel sums (lanes 0-2).
struct FillMeasure {
  int scaled;
  __m128i sum;
};

template <int W, int H>
inline FillMeasure MeasureFill(const std::uint8_t* first) {
  constexpr int kShift = W * H == 4 ? 2 : W * H == 8 ? 3 : W * H == 16 ? 4 : W * H == 32 ? 5 : 6;
  static_assert(1 << kShift == W * H);
  const PositionSums positions = PositionsOf<W, H>(first);
  const __m128i sums[3] = {positions.Sum(0), positions.Sum(1), positions.Sum(2)};
  const __m128i sum = ChannelsOf<W>(sums);
  // n^2 times the variance sum is n times the sum of every byte's square less each channel's
  // sum squared: the squares need no sorting into channels. Each sum is below 2^15: one
  // multiply-add of its low 16 bits (the high ones are zero) squares it; lane 3 is cleared.
  const __m128i channels = _mm_and_si128(sum, _mm_set_epi32(0, -1, -1, -1));
  const __m128i allSquares =
      W < 4 ? _mm_add_epi32(positions.squares[0], positions.squares[1])
            : _mm_add_epi32(_mm_add_epi32(positions.squares[0], positions.squares[1]), positions.squares[2]);
  const __m128i scaled = _mm_sub_epi32(_mm_slli_epi32(allSquares, kShift), _mm_madd_epi16(channels, channels));
  const __m128i half = _mm_add_epi32(scaled, _mm_srli_si128(scaled, 8));
  return {_mm_cvtsi128_si32(_mm_add_epi32(half, _mm_srli_si128(half, 4))), sum};
}

// The mean colour of a region of 2^kShift pixels from its channel sums (lanes 0-2, never
// negative) into colour's three bytes.
template <int kShift>
inline void StoreMeanColour(__m128i sums, std::uint8_t* colour) {
  const __m128i means = _mm_srli_epi32(sums, kShift);
  const auto packed = static_cast<std::uint32_t>(
      _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(means, means), _mm_setzero_si128())));
  colour[0] = static_cast<std::uint8_t>(packed);
  colour[1] = static_cast<std::uint8_t>(packed >> 8);
  colour[2] = static_cast<std::uint8_t>(packed >> 16);
}

// A pixel pair: n^2 times a channel's variance is 2 (a^2 + b^2) - (a + b)^2 = (a - b)^2.
inline int PairScaled(const std::uint8_t* first, const std::uint8_t* second) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i differences =
      _mm_sub_epi16(_mm_unpacklo_epi8(LoadBytes<3>(first), zero), _mm_unpacklo_epi8(LoadBytes<3>(second), zero));
  const __m128i squares = _mm_madd_epi16(differences, differences);  // blue^2 + green^2, red^2
  return _mm_cvtsi128_si32(_mm_add_epi32(squares, _mm_srli_si128(squares, 4)));
}

}  // namespace region_sums
#endif

// n^2 times the variance sum of the W x H region at `first`, exactly (n = W * H).
template <int W, int H>
inline int FillScaled(const std::uint8_t* first) {
#if defined(__SSE2__)
  if constexpr (W * H == 2)
    return region_sums::PairScaled(first, first + (W == 1 ? static_cast<int>(kRgbStride) : 3));
  else
    return region_sums::MeasureFill<W, H>(first).scaled;
#else
  const ChannelSums sums = RegionSums<W, H>(first);
  int scaled = 0;
  for (int c = 0; c < 3; ++c) scaled += W * H * sums.sumOfSquares[c] - sums.sum[c] * sums.sum[c];
  return scaled;
#endif
}

// The fill test of a region whose FillScaled is `scaled`: the comparison, and when it passes
// the mean colour, from the region's sums.
template <int W, int H>
inline bool FillTestOfScaled(int scaled, const std::uint8_t* first, int limit, std::uint8_t* colour) {
  if (!ScaledVarianceSumAtMost(scaled, W * H, limit, [&] { return RegionSums<W, H>(first); })) return false;
  const ChannelSums sums = RegionSums<W, H>(first);
  for (int c = 0; c < 3; ++c) colour[c] = static_cast<std::uint8_t>(sums.sum[c] / (W * H));
  return true;
}

// The fill test of the W x H region at `first`: VarianceSumAtMost(RegionSums, W * H, limit),
// and when it passes, the region's mean colour (each channel's sum / (W * H)) in `colour`'s
// three bytes. The sums stay in registers: with n a power of two, n^2 times the variance sum is
// (squares << log2 n) - sum^2 per channel, which fits 32 bits (at most 64 * 64 * 255^2 each).
template <int W, int H>
inline bool FillTest(const std::uint8_t* first, int limit, std::uint8_t* colour) {
  constexpr int kPixels = W * H;
#if defined(__SSE2__)
  if constexpr (kPixels == 2) {
    const std::uint8_t* const second = first + (W == 1 ? static_cast<int>(kRgbStride) : 3);
    if (!ScaledVarianceSumAtMost(region_sums::PairScaled(first, second), kPixels, limit,
                                 [&] { return RegionSums<W, H>(first); }))
      return false;
    for (int c = 0; c < 3; ++c) colour[c] = static_cast<std::uint8_t>((first[c] + second[c]) >> 1);
    return true;
  } else {
    using namespace region_sums;
    const FillMeasure measure = MeasureFill<W, H>(first);
    if (!ScaledVarianceSumAtMost(measure.scaled, kPixels, limit, [&] { return RegionSums<W, H>(first); })) return false;
    constexpr int kShift = std::countr_zero(static_cast<unsigned>(kPixels));
    StoreMeanColour<kShift>(measure.sum, colour);
    return true;
  }
#else
  const ChannelSums sums = RegionSums<W, H>(first);
  if (!VarianceSumAtMost(sums, kPixels, limit)) return false;
  for (int c = 0; c < 3; ++c) colour[c] = static_cast<std::uint8_t>(sums.sum[c] / kPixels);
  return true;
#endif
}

// The fill test of the W x H region (W and H 4 or 8) whose first byte is `first`, from the
// frame's cells (`cell` its top-left one): the same answer and colour as FillTest.
template <int W, int H>
inline bool FillTestOfCells(const std::int32_t* cell, const std::uint8_t* first, int limit, std::uint8_t* colour) {
  constexpr int kSide = FillCells::kSide;
  static_assert(W % kSide == 0 && H % kSide == 0);
  constexpr int kPixels = W * H;
  constexpr int kShift = std::countr_zero(static_cast<unsigned>(kPixels));
#if defined(__SSE2__)
  __m128i total = _mm_load_si128(reinterpret_cast<const __m128i*>(cell));
  for (int row = 0; row < H / kSide; ++row)
    for (int column = row == 0 ? 1 : 0; column < W / kSide; ++column)
      total = _mm_add_epi32(
          total, _mm_load_si128(reinterpret_cast<const __m128i*>(cell + row * FillCells::kRowValues + column * 4)));
  // n^2 times the variance sum: n times the squares less each channel's sum squared. A sum is
  // below 2^15: one multiply-add of its low 16 bits (the high ones are zero) squares it.
  const __m128i sums = _mm_and_si128(total, _mm_set_epi32(0, -1, -1, -1));
  __m128i squared = _mm_madd_epi16(sums, sums);
  squared = _mm_add_epi32(squared, _mm_srli_si128(squared, 8));
  squared = _mm_add_epi32(squared, _mm_srli_si128(squared, 4));
  const int scaled = (_mm_cvtsi128_si32(_mm_srli_si128(total, 12)) << kShift) - _mm_cvtsi128_si32(squared);
  if (!ScaledVarianceSumAtMost(scaled, kPixels, limit, [&] { return RegionSums<W, H>(first); })) return false;
  region_sums::StoreMeanColour<kShift>(sums, colour);
  return true;
#else
  std::int32_t total[4] = {};
  for (int row = 0; row < H / kSide; ++row)
    for (int column = 0; column < W / kSide; ++column)
      for (int i = 0; i < 4; ++i) total[i] += cell[row * FillCells::kRowValues + column * 4 + i];
  const int scaled = (total[3] << kShift) - total[0] * total[0] - total[1] * total[1] - total[2] * total[2];
  if (!ScaledVarianceSumAtMost(scaled, kPixels, limit, [&] { return RegionSums<W, H>(first); })) return false;
  for (int c = 0; c < 3; ++c) colour[c] = static_cast<std::uint8_t>(total[c] >> kShift);
  return true;
#endif
}

}  // namespace tarn::codec
