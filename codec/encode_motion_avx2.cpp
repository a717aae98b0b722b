#include "codec/encode_motion_avx2.h"

#include <cstring>

#include "codec/screen.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tarn::codec {

#if defined(__x86_64__) || defined(__i386__)
namespace {

constexpr int kStride = static_cast<int>(kRgbStride);

inline long long Load8(const std::uint8_t* at) {
  long long bytes;
  std::memcpy(&bytes, at, sizeof bytes);
  return bytes;
}

// Rows of at most eight bytes: the region's bytes of each row masked (the rest of the eight
// read is another pixel), four candidates to a register, one 64-bit sum each.
template <int H>
__attribute__((target("avx2"))) inline void AddNarrowRows(const std::uint8_t* current, const std::uint8_t* at,
                                                        const int* displacements, int bytes, __m256i& low,
                                                        __m256i& high) {
  const __m256i mask = _mm256_set1_epi64x(static_cast<long long>(~0ULL >> (64 - 8 * bytes)));
#pragma GCC unroll 8
  for (int row = 0; row < H; ++row, current += kStride, at += kStride) {
    const __m256i region = _mm256_and_si256(_mm256_set1_epi64x(Load8(current)), mask);
    const __m256i first = _mm256_set_epi64x(Load8(at + displacements[3]), Load8(at + displacements[2]),
                                            Load8(at + displacements[1]), Load8(at + displacements[0]));
    const __m256i second = _mm256_set_epi64x(Load8(at + displacements[7]), Load8(at + displacements[6]),
                                             Load8(at + displacements[5]), Load8(at + displacements[4]));
    low = _mm256_add_epi64(low, _mm256_sad_epu8(_mm256_and_si256(first, mask), region));
    high = _mm256_add_epi64(high, _mm256_sad_epu8(_mm256_and_si256(second, mask), region));
  }
}

// The first sixteen bytes of each row (twelve of them the region's when masked), two
// candidates to a register; sums[p] holds candidates 2p and 2p + 1, two 64-bit sums each.
template <int H>
__attribute__((target("avx2"))) inline void AddSixteenByteRows(const std::uint8_t* current, const std::uint8_t* at,
                                                             const int* displacements, int bytes,
                                                             __m256i* sums) {
  const __m128i half = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(bytes)),
                                      _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
  const __m256i mask = _mm256_broadcastsi128_si256(half);
#pragma GCC unroll 8
  for (int row = 0; row < H; ++row, current += kStride, at += kStride) {
    const __m256i region = _mm256_and_si256(
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(current))), mask);
    for (int p = 0; p < 4; ++p) {
      const __m256i pair = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(at + displacements[2 * p + 1]),
                                               reinterpret_cast<const __m128i*>(at + displacements[2 * p]));
      sums[p] = _mm256_add_epi64(sums[p], _mm256_sad_epu8(_mm256_and_si256(pair, mask), region));
    }
  }
}

// Each cost is below 2^16: the low 32 bits of the 64-bit lanes are the costs.
template <int W, int H>
__attribute__((target("avx2"))) void EightCosts(const std::uint8_t* current, const std::uint8_t* displacedRegion,
                                                const int* displacements, int* costs) {
  constexpr int kBytes = W * 3;
  __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();
  if constexpr (kBytes <= 8) {
    AddNarrowRows<H>(current, displacedRegion, displacements, kBytes, low, high);
  } else {
    __m256i sums[4] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256(),
                       _mm256_setzero_si256()};
    AddSixteenByteRows<H>(current, displacedRegion, displacements, kBytes < 16 ? kBytes : 16, sums);
    if constexpr (kBytes > 16)
      AddNarrowRows<H>(current + 16, displacedRegion + 16, displacements, kBytes - 16, low, high);
    // The two 64-bit sums of each 128-bit lane together: candidate 2p in sums[p]'s first
    // 64-bit lane, 2p + 1 in its third. Unpacking leaves candidates 0, 2, 1, 3; the
    // permutation puts them in order.
    for (int p = 0; p < 4; ++p) sums[p] = _mm256_add_epi64(sums[p], _mm256_srli_si256(sums[p], 8));
    low = _mm256_add_epi64(low, _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(sums[0], sums[1]), 0xD8));
    high = _mm256_add_epi64(high, _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(sums[2], sums[3]), 0xD8));
  }
  const __m256i pick = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(costs),
                   _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(low, pick)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(costs + 4),
                   _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(high, pick)));
}

}  // namespace

template <int W, int H>
void EightCostsAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion,
                    const int* displacements, int* costs) {
  EightCosts<W, H>(current, displacedRegion, displacements, costs);
}

#define TARN_EIGHT_COSTS(W, H) \
  template void EightCostsAvx2<W, H>(const std::uint8_t*, const std::uint8_t*, const int*, int*);
TARN_EIGHT_COSTS(8, 8)
TARN_EIGHT_COSTS(4, 8)
TARN_EIGHT_COSTS(8, 4)
TARN_EIGHT_COSTS(4, 4)
TARN_EIGHT_COSTS(2, 4)
TARN_EIGHT_COSTS(4, 2)
TARN_EIGHT_COSTS(2, 2)
TARN_EIGHT_COSTS(1, 2)
TARN_EIGHT_COSTS(2, 1)
#undef TARN_EIGHT_COSTS
#endif

}  // namespace tarn::codec
