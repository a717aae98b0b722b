// Halving of oversized pictures, in place in the caller's buffer.
#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec/picture_prep.h"
#include "codec/prep_cpu.h"
#include "codec/prep_geometry.h"
#include "codec/prep_rows.h"

namespace tarn::codec {
namespace {

// Output pixels per pass through the row sums; the sums live on the stack.
constexpr int kChunkPixels = 64;

// Vertical sums of two rows' bytes 0 to end - 1.
void SumRows(const std::uint8_t* upper, const std::uint8_t* lower, int end, std::uint16_t* sums) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= end; i += 16) {
    const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + i));
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i),
                     _mm_add_epi16(_mm_unpacklo_epi8(u, zero), _mm_unpacklo_epi8(l, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i + 8),
                     _mm_add_epi16(_mm_unpackhi_epi8(u, zero), _mm_unpackhi_epi8(l, zero)));
  }
#endif
  for (; i < end; ++i) sums[i] = static_cast<std::uint16_t>(upper[i] + lower[i]);
}

// averages[i] = (sums[i] + sums[i + 3]) >> 2 for i in [0, end): the 2 x 2 average of every
// byte position with the same channel of the pixel to its right. Reads sums up to end + 2.
void AverageAcross(const std::uint16_t* sums, int end, std::uint8_t* averages) {
  int i = 0;
#if defined(__SSE2__)
  for (; i + 11 <= end + 2; i += 8) {
    const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + i));
    const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + i + 3));
    const __m128i average = _mm_srli_epi16(_mm_add_epi16(left, right), 2);  // at most 1020 >> 2
    _mm_storel_epi64(reinterpret_cast<__m128i*>(averages + i), _mm_packus_epi16(average, average));
  }
#endif
  for (; i < end; ++i) averages[i] = static_cast<std::uint8_t>((sums[i] + sums[i + 3]) >> 2);
}

#if defined(__x86_64__) || defined(__i386__)
#define TARN_HALVE_AVX2 1
// Same-channel bytes of horizontally adjacent pixels, summed: two output pixels from the
// first twelve bytes of a 16-byte load, each pair of bytes weighted 1, 1 by maddubs.
__attribute__((target("avx2"))) inline __m256i PairSums(const std::uint8_t* low, const std::uint8_t* high) {
  const __m256i bytes =
      _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
  const __m256i pairs = _mm256_setr_epi8(0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1,  //
                                         0, 3, 1, 4, 2, 5, 6, 9, 7, 10, 8, 11, -1, -1, -1, -1);
  return _mm256_maddubs_epi16(_mm256_shuffle_epi8(bytes, pairs), _mm256_set1_epi8(1));
}

// Output pixels p and p + 1 (first half) with p + 4 and p + 5 (second half) of one row pair,
// the 16-bit sums of all four source values >> 2, counting bytes from output pixel `first`.
__attribute__((target("avx2"))) inline __m256i Averages(const std::uint8_t* upper, const std::uint8_t* lower,
                                                        int first) {
  const int at = first * 6;
  const __m256i sums = _mm256_add_epi16(PairSums(upper + at, upper + at + 24), PairSums(lower + at, lower + at + 24));
  return _mm256_srli_epi16(sums, 2);
}

// Eight output pixels (24 bytes, written after all 52 source bytes of both rows are read).
__attribute__((target("avx2"))) inline void HalveEight(const std::uint8_t* upper, const std::uint8_t* lower,
                                                       std::uint8_t* out) {
  // Per half: pixels 0, 1 (and 4, 5) then 2, 3 (and 6, 7), six bytes each and two zeros.
  const __m256i bytes = _mm256_packus_epi16(Averages(upper, lower, 0), Averages(upper, lower, 2));
  const __m256i order = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1,  //
                                         0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 12, 13, -1, -1, -1, -1);
  const __m256i pixels = _mm256_shuffle_epi8(bytes, order);
  const __m128i last = _mm256_extracti128_si256(pixels, 1);
  // The first store's last four bytes are overwritten by the second.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(pixels));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12), last);
  const int tail = _mm_cvtsi128_si32(_mm_srli_si128(last, 8));
  std::memcpy(out + 20, &tail, 4);
}

// Eight output pixels at a time while the loads (four bytes past the 48 that are used) stay
// inside the rows; returns how many were written. In place, each step writes only bytes at
// or before those it has read, and later steps read further on.
__attribute__((target("avx2"))) int HalveRowPairAvx2(const std::uint8_t* upper, const std::uint8_t* lower, int pixels,
                                                     int rowBytes, std::uint8_t* out) {
  int pixel = 0;
  for (; pixel + 8 <= pixels && (pixel + 8) * 6 + 4 <= rowBytes; pixel += 8) {
    HalveEight(upper + pixel * 6, lower + pixel * 6, out + pixel * 3);
  }
  return pixel;
}
#endif

}  // namespace

// In place, every output byte lies at or before the source bytes of its own chunk, which are
// summed before anything is written.
void HalveRowPair(const std::uint8_t* upper, const std::uint8_t* lower, int pixels, std::uint8_t* out) {
  std::uint16_t sums[kChunkPixels * 6];
  std::uint8_t averages[kChunkPixels * 6];
  for (int first = 0; first < pixels; first += kChunkPixels) {
    const int count = std::min(kChunkPixels, pixels - first);
    const std::size_t sourceStart = static_cast<std::size_t>(first) * 6;
    SumRows(upper + sourceStart, lower + sourceStart, count * 6, sums);
    // Output pixel p is the average at byte 6p; the last one's partner ends the chunk.
    AverageAcross(sums, count * 6 - 3, averages);
    std::uint8_t* target = out + static_cast<std::size_t>(first) * 3;
    // Four bytes a pixel, the fourth overwritten by the next pixel; the last pixel takes three.
    for (int pixel = 0; pixel + 1 < count; ++pixel) std::memcpy(target + pixel * 3, averages + pixel * 6, 4);
    std::memcpy(target + (count - 1) * 3, averages + (count - 1) * 6, 3);
  }
}

void HalvePicture(std::uint8_t* picture, int& width, int& height, const FitSettings& settings) {
  [[maybe_unused]] const bool avx2 = PrepUsesAvx2();
  while (NeedsHalving(width, height, settings)) {
    const auto sourceStride = static_cast<std::size_t>(width) * 3;
    // An odd width drops the last column; rows are packed without a gap byte.
    const int outPixels = width / 2;
    const auto outStride = static_cast<std::size_t>(outPixels) * 3;
    const int outRows = (height + 1) / 2;
    for (int row = 0; row < outRows; ++row) {
      const std::size_t upperRow = static_cast<std::size_t>(row) * 2;
      // An odd height pairs the last row with itself.
      const std::size_t lowerRow = std::min(upperRow + 1, static_cast<std::size_t>(height) - 1);
      const std::uint8_t* upper = picture + upperRow * sourceStride;
      const std::uint8_t* lower = picture + lowerRow * sourceStride;
      std::uint8_t* out = picture + static_cast<std::size_t>(row) * outStride;
      int done = 0;
#if TARN_HALVE_AVX2
      if (avx2) done = HalveRowPairAvx2(upper, lower, outPixels, width * 3, out);
#endif
      const auto skipped = static_cast<std::size_t>(done);
      HalveRowPair(upper + skipped * 6, lower + skipped * 6, outPixels - done, out + skipped * 3);
    }
    width /= 2;
    height /= 2;
  }
}

}  // namespace tarn::codec
