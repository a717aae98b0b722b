// The motion search's diamond walks, compiled once for each instruction set the search
// dispatches to: the including file names the set in TARN_WALK_TARGET (a target attribute's
// string), says in TARN_WALK_AVX512 whether it has AVX-512 with byte and word lanes at every
// register width (BW and VL), and names the entry points its header declares with
// TARN_WALK_NAME(name) (the name with the set's suffix). The kernels live in an unnamed namespace,
// one copy per including file; the entry points are instantiated for every shape of the coder.
#pragma once

#if !defined(TARN_WALK_TARGET) || !defined(TARN_WALK_AVX512) || !defined(TARN_WALK_NAME)
#error "define TARN_WALK_TARGET, TARN_WALK_AVX512 and TARN_WALK_NAME before including the walks"
#endif

#include <array>
#include <cstring>

#include "codec/encode_motion.h"
#include "codec/encode_motion_avx2.h"
#include "codec/encode_region_cost.h"
#include "codec/screen.h"

#include <immintrin.h>

namespace tarn::codec {
namespace {

constexpr int kStride = static_cast<int>(kRgbStride);

inline long long Load8(const std::uint8_t* at) {
  long long bytes;
  std::memcpy(&bytes, at, sizeof bytes);
  return bytes;
}

// The diamond's candidate vectors around `centre`, one to a 32-bit lane (N of them, the rest
// of the lanes repeat the centre).
template <int N>
__attribute__((target(TARN_WALK_TARGET))) inline __m256i DiamondVectors(int centre) {
  const __m256i steps = N == 8
                            ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kLargeDiamond))
                            : _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kSmallDiamond)));
  return _mm256_add_epi32(_mm256_set1_epi32(centre),
                          N == 8 ? steps : _mm256_inserti128_si256(steps, _mm_setzero_si128(), 1));
}

// The byte displacements of vector numbers, one to a 32-bit lane.
__attribute__((target(TARN_WALK_TARGET))) inline __m256i Displacements(__m256i vectors) {
  const __m256i eight = _mm256_set1_epi32(8);
  const __m256i rows = _mm256_sub_epi32(_mm256_srai_epi32(vectors, 4), eight);
  const __m256i columns = _mm256_sub_epi32(_mm256_and_si256(vectors, _mm256_set1_epi32(15)), eight);
  return _mm256_add_epi32(_mm256_mullo_epi32(rows, _mm256_set1_epi32(kStride)),
                          _mm256_mullo_epi32(columns, _mm256_set1_epi32(3)));
}

// The diamond's winner is taken from its costs as eight 16-bit words in candidate order (every
// cost is below 2^16); a small diamond's upper four words are set beyond every cost. The helpers
// below gather the kernels' sums (each in the low bits of its 64-bit lane) so: with AVX2 as
// 32-bit costs in order, then packed; with AVX-512 by one permute of words from two registers.
static_assert(kUnusableCost < 0xFFFF, "the largest cost (an 8x8 region off by 255 everywhere) fits 16 bits");

#if !TARN_WALK_AVX512
// Eight 32-bit costs in candidate order as words (a small diamond's first four).
template <int N>
__attribute__((target(TARN_WALK_TARGET))) inline __m128i PackedCosts(__m256i costs) {
  return _mm_packus_epi32(_mm256_castsi256_si128(costs),
                          N == 4 ? _mm_set1_epi32(0xFFFF) : _mm256_extracti128_si256(costs, 1));
}
#else
// Words `index` of `first` (0-15) and `second` (16-31); a small diamond's upper four beyond every cost.
template <int N>
__attribute__((target(TARN_WALK_TARGET))) inline __m128i PermutedWords(__m256i first, __m256i second, __m128i index) {
  if constexpr (N == 4) second = _mm256_set1_epi16(-1);
  return _mm256_castsi256_si128(_mm256_permutex2var_epi16(first, _mm256_castsi128_si256(index), second));
}
#endif

// Candidates 0-3 as the four 64-bit sums of `low`, 4-7 of `high`.
template <int N>
__attribute__((target(TARN_WALK_TARGET))) inline __m128i QuadWords(__m256i low, __m256i high) {
#if TARN_WALK_AVX512
  return PermutedWords<N>(low, high, _mm_setr_epi16(0, 4, 8, 12, 16, 20, 24, 28));
#else
  return PackedCosts<N>(_mm256_permutevar8x32_epi32(_mm256_blend_epi32(low, _mm256_slli_epi64(high, 32), 0xAA),
                                                    _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7)));
#endif
}

// Pair p holds candidate 2p in its low half, 2p + 1 in its high half, each as two 64-bit parts:
// the parts added, then two pairs to a register (32-bit lanes 0 2 . . | 1 3 . . and 4 6 . . | 5 7).
template <int N>
__attribute__((target(TARN_WALK_TARGET))) inline __m128i PairWords(__m256i (&pairs)[4]) {
#pragma GCC unroll 4
  for (__m256i& pair : pairs) pair = _mm256_add_epi64(pair, _mm256_shuffle_epi32(pair, 0x4E));
  const __m256i lowPairs = _mm256_blend_epi32(pairs[0], _mm256_slli_epi64(pairs[1], 32), 0xAA);
  const __m256i highPairs = _mm256_blend_epi32(pairs[2], _mm256_slli_epi64(pairs[3], 32), 0xAA);
#if TARN_WALK_AVX512
  return PermutedWords<N>(lowPairs, highPairs, _mm_setr_epi16(0, 8, 2, 10, 16, 24, 18, 26));
#else
  return PackedCosts<N>(_mm256_permutevar8x32_epi32(_mm256_unpacklo_epi64(lowPairs, highPairs),
                                                    _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
#endif
}

// A large diamond with every step in its row, from the sums of steps 1, 2, 5, 6 (`near`, one to
// each 64-bit lane) and of steps 0, 3, 4, 7 (`others`; 0, 7, 3, 4 for one-pixel regions).
template <int W>
__attribute__((target(TARN_WALK_TARGET))) inline __m128i NearOthersWords(__m256i near, __m256i others) {
#if TARN_WALK_AVX512
  return PermutedWords<8>(
      others, near, W == 1 ? _mm_setr_epi16(0, 16, 20, 8, 12, 24, 28, 4) : _mm_setr_epi16(0, 16, 20, 4, 8, 24, 28, 12));
#else
  // 32-bit lanes near 0, others 0, near 1, others 1, ... hold candidates 1 0 2 3 5 4 6 7, or
  // 1 0 2 7 5 3 6 4 for one pixel.
  const __m256i order = W == 1 ? _mm256_setr_epi32(1, 0, 2, 5, 7, 4, 6, 3) : _mm256_setr_epi32(1, 0, 2, 3, 5, 4, 6, 7);
  return PackedCosts<8>(
      _mm256_permutevar8x32_epi32(_mm256_blend_epi32(near, _mm256_slli_epi64(others, 32), 0xAA), order));
#endif
}

// Eight-byte reads of row `at` at displacements k to k + 3, one to each 64-bit lane.
__attribute__((target(TARN_WALK_TARGET))) inline __m256i FourReads(const std::uint8_t* at, const int* displacements,
                                                                   int k) {
  return _mm256_set_epi64x(Load8(at + displacements[k + 3]), Load8(at + displacements[k + 2]),
                           Load8(at + displacements[k + 1]), Load8(at + displacements[k]));
}

// 16-byte reads of row `at` at displacements 2p and 2p + 1, one to each half.
__attribute__((target(TARN_WALK_TARGET))) inline __m256i TwoReads(const std::uint8_t* at, const int* displacements,
                                                                  int p) {
  return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(at + displacements[2 * p + 1]),
                             reinterpret_cast<const __m128i*>(at + displacements[2 * p]));
}

// The region's rows as the kernels below compare them, made once per walk and taken as whole-
// register operands: rows of at most eight bytes masked to the region's bytes and spread to
// every 64-bit lane; rows of 12 bytes masked and spread to both halves; rows of 24 bytes as
// their first 16 bytes in both halves and their last eight in every 64-bit lane (`tails`).
template <int W, int H>
struct RegionRows {
  __m256i rows[H];
  __m256i tails[W * 3 == 24 ? H : 1];
};

template <int W, int H>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline RegionRows<W, H> MakeRegionRows(
    const std::uint8_t* current) {
  RegionRows<W, H> region;
#pragma GCC unroll 8
  for (int row = 0; row < H; ++row) {
    const std::uint8_t* mine = current + row * kStride;
    if constexpr (W * 3 <= 8) {
      region.rows[row] = _mm256_and_si256(_mm256_set1_epi64x(Load8(mine)),
                                          _mm256_set1_epi64x(static_cast<long long>((1ULL << (W * 24)) - 1)));
    } else {
      region.rows[row] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(mine)));
      if constexpr (W * 3 == 12)
        region.rows[row] = _mm256_and_si256(region.rows[row], _mm256_setr_epi32(-1, -1, -1, 0, -1, -1, -1, 0));
      else
        region.tails[row] = _mm256_set1_epi64x(Load8(mine + 16));
    }
  }
  return region;
}

// Rows of at most eight bytes: each row's bytes masked (the rest of the eight read is another
// pixel), four candidates to a register, one 64-bit sum each.
template <int W, int H, int N>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline __m128i NarrowCosts(const RegionRows<W, H>& regionRows,
                                                                                    const std::uint8_t* displacedRegion,
                                                                                    const int* displacements) {
  const __m256i mask = _mm256_set1_epi64x(static_cast<long long>((1ULL << (W * 24)) - 1));
  __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();
#pragma GCC unroll 8
  for (int row = 0; row < H; ++row) {
    const __m256i region = regionRows.rows[row];
    const std::uint8_t* at = displacedRegion + row * kStride;
    low = _mm256_add_epi64(low, _mm256_sad_epu8(_mm256_and_si256(FourReads(at, displacements, 0), mask), region));
    if constexpr (N == 8)
      high = _mm256_add_epi64(high, _mm256_sad_epu8(_mm256_and_si256(FourReads(at, displacements, 4), mask), region));
  }
  return QuadWords<N>(low, high);
}

// The byte shuffle that places the two candidates of a 16-byte read from the column left of
// the centre's (bytes 0 and 6: the columns either side of the centre) in the two 64-bit lanes of
// each half, their first 3W bytes and zeros after, so no mask is needed.
template <int W>
constexpr std::array<char, 32> SidesShuffle() {
  std::array<char, 32> shuffle{};
  for (int i = 0; i < 32; ++i) {
    const int lane = (i % 16) / 8, byte = i % 8;
    shuffle[i] = static_cast<char>(byte < W * 3 ? lane * 6 + byte : -128);
  }
  return shuffle;
}

// For one-pixel regions: the shuffle that keeps the first three bytes of each 64-bit lane of
// the lower half (two 8-byte reads) and places bytes 0 and 12 of the upper half's 16-byte read
// (two columns left and right of the centre's) in its two lanes.
constexpr std::array<char, 32> kOnePixelOthersShuffle = {
    0, 1, 2, -128, -128, -128, -128, -128, 8,  9,  10, -128, -128, -128, -128, -128,
    0, 1, 2, -128, -128, -128, -128, -128, 12, 13, 14, -128, -128, -128, -128, -128};

// Steps 0, 3, 4 and 7 of the large diamond for region row `row`, one to each 64-bit lane. A
// one-pixel region's steps 3 and 4 come from one 16-byte read two columns left of the centre's
// (lanes: steps 0, 7, 3, 4); wider ones are read as in NarrowCosts (steps 0, 3, 4, 7).
template <int W>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline __m256i LargeDiamondOthers(const std::uint8_t* at) {
  if constexpr (W == 1) {
    const __m128i aboveBelow = _mm_insert_epi64(_mm_cvtsi64_si128(Load8(at - 2 * kStride)), Load8(at + 2 * kStride), 1);
    const __m256i reads = _mm256_inserti128_si256(_mm256_castsi128_si256(aboveBelow),
                                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 6)), 1);
    return _mm256_shuffle_epi8(reads,
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kOnePixelOthersShuffle.data())));
  } else {
    static constexpr int kOthers[4] = {-2 * kStride, -6, 6, 2 * kStride};
    return _mm256_and_si256(FourReads(at, kOthers, 0),
                            _mm256_set1_epi64x(static_cast<long long>((1ULL << (W * 24)) - 1)));
  }
}

// The large diamond of narrow rows with no step crossing a row of vector numbers, around the
// region at `centre`. The candidates a row either side of the centre's (steps 1, 2, 5, 6) lie one
// column left and right of it: one 16-byte read of each reference row from that left column
// holds both, shared by the region rows above and below it and split into lanes by one byte
// shuffle. Costs in candidate order.
template <int W, int H>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline __m128i NarrowLargeCosts(
    const RegionRows<W, H>& regionRows, const std::uint8_t* centre) {
  static constexpr std::array<char, 32> kShuffle = SidesShuffle<W>();
  const __m256i shuffle = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kShuffle.data()));
  __m128i sides[H + 2];  // reference rows -1 .. H from the column left of the centre's
#pragma GCC unroll 8
  for (int row = -1; row <= H; ++row)
    sides[row + 1] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + row * kStride - 3));
  __m256i near = _mm256_setzero_si256(), others = _mm256_setzero_si256();
#pragma GCC unroll 8
  for (int row = 0; row < H; ++row) {
    const __m256i region = regionRows.rows[row];
    const __m256i aboveBelow = _mm256_inserti128_si256(_mm256_castsi128_si256(sides[row]), sides[row + 2], 1);
    near = _mm256_add_epi64(near, _mm256_sad_epu8(_mm256_shuffle_epi8(aboveBelow, shuffle), region));
    others = _mm256_add_epi64(others, _mm256_sad_epu8(LargeDiamondOthers<W>(centre + row * kStride), region));
  }
  return NearOthersWords<W>(near, others);
}

// Rows of 12 bytes: one 16-byte read per row masked to 12, two candidates to a register (one
// to each half), whose two 64-bit sums per half add up to the candidate's cost.
template <int H, int N>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline __m128i TwelveByteCosts(
    const RegionRows<4, H>& regionRows, const std::uint8_t* displacedRegion, const int* displacements) {
  const __m256i mask = _mm256_setr_epi32(-1, -1, -1, 0, -1, -1, -1, 0);
  __m256i pairs[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
#pragma GCC unroll 8
  for (int row = 0; row < H; ++row) {
    const __m256i region = regionRows.rows[row];
    const std::uint8_t* at = displacedRegion + row * kStride;
#pragma GCC unroll 4
    for (int p = 0; p < N / 2; ++p)
      pairs[p] =
          _mm256_add_epi64(pairs[p], _mm256_sad_epu8(_mm256_and_si256(TwoReads(at, displacements, p), mask), region));
  }
  return PairWords<N>(pairs);
}

// Rows of 24 bytes: the first 16 as for rows of 12 (unmasked), the last 8 as for narrow rows.
template <int H, int N>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline __m128i TwentyFourByteCosts(
    const RegionRows<8, H>& regionRows, const std::uint8_t* displacedRegion, const int* displacements) {
  __m256i pairs[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
  __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();
#pragma GCC unroll 8
  for (int row = 0; row < H; ++row) {
    const __m256i head = regionRows.rows[row], tail = regionRows.tails[row];
    const std::uint8_t* at = displacedRegion + row * kStride;
#pragma GCC unroll 4
    for (int p = 0; p < N / 2; ++p)
      pairs[p] = _mm256_add_epi64(pairs[p], _mm256_sad_epu8(TwoReads(at, displacements, p), head));
    low = _mm256_add_epi64(low, _mm256_sad_epu8(FourReads(at + 16, displacements, 0), tail));
    if constexpr (N == 8) high = _mm256_add_epi64(high, _mm256_sad_epu8(FourReads(at + 16, displacements, 4), tail));
  }
  // The heads' and the tails' words add up to each cost (below 2^16); a small diamond's upper
  // words stay beyond every cost (the sum saturates).
  return _mm_adds_epu16(PairWords<N>(pairs), QuadWords<N>(low, high));
}

// The winner is the lowest cost's first lane: the processor's search for the lowest word
// returns the first lane of the lowest cost, as the walk's rule has it.
__attribute__((target(TARN_WALK_TARGET))) inline DiamondWinner FirstLowest(__m128i words, int centreCost) {
  const int found = _mm_cvtsi128_si32(_mm_minpos_epu16(words));  // the lowest word, its lane above
  const int lowestCost = found & 0xFFFF;
  if (lowestCost >= centreCost) return {-1, centreCost};
  return {found >> 16, lowestCost};
}

template <int W, int H, int N>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline __m128i Costs(const RegionRows<W, H>& regionRows,
                                                                              const std::uint8_t* displacedRegion,
                                                                              const int* displacements) {
  if constexpr (W * 3 == 24)
    return TwentyFourByteCosts<H, N>(regionRows, displacedRegion, displacements);
  else if constexpr (W * 3 == 12)
    return TwelveByteCosts<H, N>(regionRows, displacedRegion, displacements);
  else
    return NarrowCosts<W, H, N>(regionRows, displacedRegion, displacements);
}

// A diamond's steps as byte displacements when no step crosses a row of vector numbers (the
// centre's column 2 to 13 for the large diamond, 1 to 14 for the small one): then candidate k
// lies at the centre's displacement plus step k's, constants the reads take as offsets.
constexpr int kLargeSteps[8] = {-2 * kStride, -kStride - 3, -kStride + 3, -6, 6, kStride - 3, kStride + 3, 2 * kStride};
constexpr int kSmallSteps[8] = {-kStride, -3, 3, kStride, 0, 0, 0, 0};

// The large diamond of rows of 24 bytes with no step crossing a row of vector numbers, around
// the region at `centre`: the first 16 bytes as in TwentyFourByteCosts; of the last eight, those
// of the candidates a row either side of the centre's (steps 1, 2, 5, 6), six bytes apart, come
// from one 16-byte read of that row and a byte shuffle, as for narrow rows.
template <int H>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline __m128i WideLargeCosts(
    const RegionRows<8, H>& regionRows, const std::uint8_t* centre) {
  static constexpr std::array<char, 32> kTails = {0, 1, 2, 3, 4, 5, 6, 7, 6, 7, 8, 9, 10, 11, 12, 13,
                                                  0, 1, 2, 3, 4, 5, 6, 7, 6, 7, 8, 9, 10, 11, 12, 13};
  static constexpr int kOthers[4] = {-2 * kStride, -6, 6, 2 * kStride};
  const __m256i tails = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kTails.data()));
  __m256i pairs[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
  __m256i near = _mm256_setzero_si256(), others = _mm256_setzero_si256();
#pragma GCC unroll 8
  for (int row = 0; row < H; ++row) {
    const __m256i head = regionRows.rows[row], tail = regionRows.tails[row];
    const std::uint8_t* at = centre + row * kStride;
#pragma GCC unroll 4
    for (int p = 0; p < 4; ++p)
      pairs[p] = _mm256_add_epi64(pairs[p], _mm256_sad_epu8(TwoReads(at, kLargeSteps, p), head));
    const __m256i aboveBelow = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(at + kStride + 13),
                                                   reinterpret_cast<const __m128i*>(at - kStride + 13));
    near = _mm256_add_epi64(near, _mm256_sad_epu8(_mm256_shuffle_epi8(aboveBelow, tails), tail));
    others = _mm256_add_epi64(others, _mm256_sad_epu8(FourReads(at + 16, kOthers, 0), tail));
  }
  // As in NarrowLargeCosts: the tails of steps 1, 2, 5, 6 in `near`, of 0, 3, 4, 7 in `others`.
  return _mm_adds_epu16(PairWords<8>(pairs), NearOthersWords<8>(near, others));
}

template <int N>
inline bool StepsStayInRow(int centre) {
  constexpr int kReach = N == 8 ? 2 : 1;
  return static_cast<unsigned>((centre & 15) - kReach) < static_cast<unsigned>(16 - 2 * kReach);
}

// A diamond's costs when no step crosses a row of vector numbers, around the region at `centre`.
template <int W, int H, int N>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline __m128i InRowCosts(const RegionRows<W, H>& regionRows,
                                                                                   const std::uint8_t* centre) {
  if constexpr (N == 8 && W * 3 <= 8)
    return NarrowLargeCosts<W, H>(regionRows, centre);
  else if constexpr (N == 8 && W * 3 == 24)
    return WideLargeCosts<H>(regionRows, centre);
  else
    return Costs<W, H, N>(regionRows, centre, N == 8 ? kLargeSteps : kSmallSteps);
}

// `centreRegion` is the region displaced by `centre`, which the walk follows step by step.
template <int W, int H, int N>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline DiamondWinner Diamond(
    const RegionRows<W, H>& regionRows, const std::uint8_t* displacedRegion, const std::uint8_t* centreRegion,
    int centre, int centreCost) {
  if (StepsStayInRow<N>(centre)) return FirstLowest(InRowCosts<W, H, N>(regionRows, centreRegion), centreCost);
  alignas(32) int displacements[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(displacements), Displacements(DiamondVectors<N>(centre)));
  return FirstLowest(Costs<W, H, N>(regionRows, displacedRegion, displacements), centreCost);
}

// A diamond near the ends of the usable vectors low .. high - 1: a candidate outside them costs
// kUnusableCost, as the candidate-by-candidate search has it, and is read at the nearest usable
// vector instead, so that every read stays within the pictures.
template <int W, int H, int N>
__attribute__((target(TARN_WALK_TARGET), always_inline)) inline DiamondWinner ClampedDiamond(
    const RegionRows<W, H>& regionRows, const std::uint8_t* displacedRegion, int centre, int centreCost, int low,
    int high) {
  const __m256i vectors = DiamondVectors<N>(centre);
  const __m256i usable =
      _mm256_min_epi32(_mm256_max_epi32(vectors, _mm256_set1_epi32(low)), _mm256_set1_epi32(high - 1));
  alignas(32) int displacements[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(displacements), Displacements(usable));
  const __m256i inRange = _mm256_cmpeq_epi32(vectors, usable);
  const __m128i inRangeWords = _mm_packs_epi32(_mm256_castsi256_si128(inRange), _mm256_extracti128_si256(inRange, 1));
  __m128i words = _mm_blendv_epi8(_mm_set1_epi16(static_cast<short>(kUnusableCost)),
                                  Costs<W, H, N>(regionRows, displacedRegion, displacements), inRangeWords);
  if constexpr (N == 4) words = _mm_or_si128(words, _mm_setr_epi16(0, 0, 0, 0, -1, -1, -1, -1));
  return FirstLowest(words, centreCost);
}

// One call for the whole walk: the diamonds inline into one loop, which keeps the region's rows
// and the constants in registers from one diamond to the next. Clamped, the walk goes on near
// the range's ends (the range is then exactly the usable vectors) instead of handing back.
template <int W, int H, bool kClamped>
__attribute__((target(TARN_WALK_TARGET))) WalkEnd WalkDiamonds(const std::uint8_t* current,
                                                               const std::uint8_t* displacedRegion, int low, int high,
                                                               int vector, int cost) {
  const RegionRows<W, H> regionRows = MakeRegionRows<W, H>(current);
  int centre = vector, centreCost = cost;
  const std::uint8_t* centreRegion = displacedRegion + VectorDisplacement(centre);
  if (centreCost < 0) {
    if (kClamped && static_cast<unsigned>(centre - low) >= static_cast<unsigned>(high - low))
      centreCost = kUnusableCost;
    else
      centreCost = region_cost::FastRegion<W, H>(current).Cost(centreRegion);
  }
  // The walk ends with the small diamond around the centre of the last large one. With every step
  // of a large diamond in its row, the small one's steps are too: its costs are taken in the same
  // pass from the same centre (the compiler puts them on the path that ends the walk), without a
  // second look at the centre's row and range after the loop.
  const auto end = [](int lastCentre, int lastCost, DiamondWinner small) {
    return small.step < 0 ? WalkEnd{lastCentre, lastCost, true}
                          : WalkEnd{lastCentre + kSmallDiamond[small.step], small.cost, true};
  };
  for (;;) {
    DiamondWinner winner;
    if (centre >= low + 32 && centre < high - 32) {
      if (StepsStayInRow<8>(centre)) {
        const __m128i small = InRowCosts<W, H, 4>(regionRows, centreRegion);
        winner = FirstLowest(InRowCosts<W, H, 8>(regionRows, centreRegion), centreCost);
        if (winner.step < 0) return end(centre, centreCost, FirstLowest(small, centreCost));
      } else {
        winner = Diamond<W, H, 8>(regionRows, displacedRegion, centreRegion, centre, centreCost);
      }
    } else if constexpr (kClamped) {
      winner = ClampedDiamond<W, H, 8>(regionRows, displacedRegion, centre, centreCost, low, high);
    } else {
      return {centre, centreCost, false};
    }
    if (winner.step < 0) break;
    // A step that stays in its row of vector numbers moves the region by the step's bytes.
    centreRegion = StepsStayInRow<8>(centre)
                       ? centreRegion + kLargeSteps[winner.step]
                       : displacedRegion + VectorDisplacement(centre + kLargeDiamond[winner.step]);
    centre += kLargeDiamond[winner.step];
    centreCost = winner.cost;
  }
  // Unclamped, the large diamond's range holds the small one's.
  return end(centre, centreCost,
             !kClamped || (centre >= low + 16 && centre < high - 16)
                 ? Diamond<W, H, 4>(regionRows, displacedRegion, centreRegion, centre, centreCost)
                 : ClampedDiamond<W, H, 4>(regionRows, displacedRegion, centre, centreCost, low, high));
}

template <int W, int H>
__attribute__((target(TARN_WALK_TARGET))) DiamondWinner SmallDiamond(const std::uint8_t* current,
                                                                     const std::uint8_t* displacedRegion, int centre,
                                                                     int centreCost) {
  return Diamond<W, H, 4>(MakeRegionRows<W, H>(current), displacedRegion, displacedRegion + VectorDisplacement(centre),
                          centre, centreCost);
}

}  // namespace

template <int W, int H>
WalkEnd TARN_WALK_NAME(DiamondWalk)(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high,
                                    int vector, int cost) {
  return WalkDiamonds<W, H, false>(current, displacedRegion, low, high, vector, cost);
}

template <int W, int H>
WalkEnd TARN_WALK_NAME(ClampedWalk)(const std::uint8_t* current, const std::uint8_t* displacedRegion, int low, int high,
                                    int vector, int cost) {
  return WalkDiamonds<W, H, true>(current, displacedRegion, low, high, vector, cost);
}

template <int W, int H>
DiamondWinner TARN_WALK_NAME(SmallDiamond)(const std::uint8_t* current, const std::uint8_t* displacedRegion, int centre,
                                           int centreCost) {
  return SmallDiamond<W, H>(current, displacedRegion, centre, centreCost);
}

#define TARN_WALK_SHAPE(W, H)                                                                                       \
  template WalkEnd TARN_WALK_NAME(DiamondWalk)<W, H>(const std::uint8_t*, const std::uint8_t*, int, int, int, int); \
  template WalkEnd TARN_WALK_NAME(ClampedWalk)<W, H>(const std::uint8_t*, const std::uint8_t*, int, int, int, int); \
  template DiamondWinner TARN_WALK_NAME(SmallDiamond)<W, H>(const std::uint8_t*, const std::uint8_t*, int, int);
TARN_WALK_SHAPE(8, 8)
TARN_WALK_SHAPE(8, 4)
TARN_WALK_SHAPE(4, 8)
TARN_WALK_SHAPE(4, 4)
TARN_WALK_SHAPE(4, 2)
TARN_WALK_SHAPE(2, 4)
TARN_WALK_SHAPE(2, 2)
TARN_WALK_SHAPE(1, 2)
TARN_WALK_SHAPE(2, 1)
#undef TARN_WALK_SHAPE

}  // namespace tarn::codec
