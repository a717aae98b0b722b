// Halving of oversized pictures, in place in the caller's buffer.
#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec/picture_prep.h"
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

}  // namespace

// In place, every output byte lies at or before the source bytes of its own chunk, which are
// summed before anything is written.
void HalveRowPair(const std::uint8_t* upper, const std::uint8_t* lower, int pixels,
                  std::uint8_t* out) {
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
    for (int pixel = 0; pixel + 1 < count; ++pixel)
      std::memcpy(target + pixel * 3, averages + pixel * 6, 4);
    std::memcpy(target + (count - 1) * 3, averages + (count - 1) * 6, 3);
  }
}

void HalvePicture(std::uint8_t* picture, int& width, int& height, const FitSettings& settings) {
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
      HalveRowPair(picture + upperRow * sourceStride, picture + lowerRow * sourceStride,
                   outPixels, picture + static_cast<std::size_t>(row) * outStride);
    }
    width /= 2;
    height /= 2;
  }
}

}  // namespace tarn::codec
