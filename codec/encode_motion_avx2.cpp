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

// The region's bytes of each row masked (the rest of the eight read is another pixel), and
// the four 64-bit sums of each register are the four candidates' costs.
template <int W, int H>
__attribute__((target("avx2"))) void EightCosts(const std::uint8_t* current, const std::uint8_t* displacedRegion,
                                                const int* displacements, int* costs) {
  static_assert(HasEightCostsAvx2(W));
  const __m256i mask = _mm256_set1_epi64x(static_cast<long long>((1ULL << (W * 24)) - 1));
  __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();
#pragma GCC unroll 8
  for (int row = 0; row < H; ++row) {
    const __m256i region = _mm256_and_si256(_mm256_set1_epi64x(Load8(current + row * kStride)), mask);
    const std::uint8_t* at = displacedRegion + row * kStride;
    const __m256i first = _mm256_set_epi64x(Load8(at + displacements[3]), Load8(at + displacements[2]),
                                            Load8(at + displacements[1]), Load8(at + displacements[0]));
    const __m256i second = _mm256_set_epi64x(Load8(at + displacements[7]), Load8(at + displacements[6]),
                                             Load8(at + displacements[5]), Load8(at + displacements[4]));
    low = _mm256_add_epi64(low, _mm256_sad_epu8(_mm256_and_si256(first, mask), region));
    high = _mm256_add_epi64(high, _mm256_sad_epu8(_mm256_and_si256(second, mask), region));
  }
  // Each sum is below 2^16: the low 32 bits of each lane, gathered into eight ints.
  const __m256i pick = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  const __m128i lowCosts = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(low, pick));
  const __m128i highCosts = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(high, pick));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(costs), lowCosts);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(costs + 4), highCosts);
}

}  // namespace

template <int W, int H>
void EightCostsAvx2(const std::uint8_t* current, const std::uint8_t* displacedRegion, const int* displacements,
                    int* costs) {
  EightCosts<W, H>(current, displacedRegion, displacements, costs);
}

#define TARN_EIGHT_COSTS(W, H) \
  template void EightCostsAvx2<W, H>(const std::uint8_t*, const std::uint8_t*, const int*, int*);
TARN_EIGHT_COSTS(2, 4)
TARN_EIGHT_COSTS(2, 2)
TARN_EIGHT_COSTS(1, 2)
TARN_EIGHT_COSTS(2, 1)
#undef TARN_EIGHT_COSTS
#endif

}  // namespace tarn::codec
