#include "codec/encode_planes.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TARN_PLANES_AVX2 1
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarn::codec {
namespace {

// The weighted products of the conversion, looked up instead of multiplied: each product is
// shifted on its own, so a table per term gives the same values.
struct YuvTables {
  std::int32_t yBlue[256], yGreen[256], yRed[256];
  std::int16_t u[511], v[511];  // indexed by blue - y + 255 and red - y + 255

  constexpr YuvTables() : yBlue(), yGreen(), yRed(), u(), v() {
    for (int c = 0; c < 256; ++c) {
      yBlue[c] = (c * 119538) >> 20;
      yGreen[c] = (c * 615514) >> 20;
      yRed[c] = (c * 313524) >> 20;
    }
    for (int d = -255; d <= 255; ++d) {
      u[d + 255] = static_cast<std::int16_t>((d * 589244) >> 20);
      v[d + 255] = static_cast<std::int16_t>((d * 743962) >> 20);
    }
  }
};

constexpr YuvTables kTables;

void ConvertPixels(const std::uint8_t* bgr, std::size_t first, std::size_t end, YuvPlane& plane) {
  bgr += first * 3;
  for (std::size_t i = first; i < end; ++i, bgr += 3) {
    const int blue = bgr[0], green = bgr[1], red = bgr[2];
    const int y = kTables.yGreen[green] + kTables.yBlue[blue] + kTables.yRed[red];
    plane.y[i] = static_cast<std::int16_t>(y);
    plane.u[i] = kTables.u[blue - y + 255];
    plane.v[i] = kTables.v[red - y + 255];
  }
}

#if TARN_PLANES_AVX2
// Packs eight 32-bit values to 16 bits: packs works per half, so the halves' low 64 bits are
// gathered afterwards.
__attribute__((target("avx2"))) inline void StoreAs16Bits(std::int16_t* at, const __m256i& values) {
  const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(values, values), 0x08);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm256_castsi256_si128(packed));
}

// Eight pixels at a time with 32-bit products: the same integer arithmetic as the tables, so
// the planes do not depend on which path the processor takes.
__attribute__((target("avx2"))) void ConvertPixelsAvx2(const std::uint8_t* bgr, std::size_t end, YuvPlane& plane) {
  // Within each 128-bit half: pixels 0-3 of the 12 bytes loaded there, one channel to 32 bits.
  const __m256i takeBlue = _mm256_setr_epi8(0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1, 0, -1, -1, -1,
                                            3, -1, -1, -1, 6, -1, -1, -1, 9, -1, -1, -1);
  const __m256i takeGreen = _mm256_add_epi8(takeBlue, _mm256_set1_epi32(1));
  const __m256i takeRed = _mm256_add_epi8(takeBlue, _mm256_set1_epi32(2));
  const __m256i yBlue = _mm256_set1_epi32(119538), yGreen = _mm256_set1_epi32(615514);
  const __m256i yRed = _mm256_set1_epi32(313524);
  const __m256i uWeight = _mm256_set1_epi32(589244), vWeight = _mm256_set1_epi32(743962);
  // Each group of eight reads 28 bytes for its 24.
  for (std::size_t i = 0; i < end; i += 8) {
    const std::uint8_t* p = bgr + i * 3;
    const __m256i bytes =
        _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 12), reinterpret_cast<const __m128i*>(p));
    const __m256i blue = _mm256_shuffle_epi8(bytes, takeBlue);
    const __m256i green = _mm256_shuffle_epi8(bytes, takeGreen);
    const __m256i red = _mm256_shuffle_epi8(bytes, takeRed);
    const __m256i y = _mm256_add_epi32(_mm256_add_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(green, yGreen), 20),
                                                        _mm256_srai_epi32(_mm256_mullo_epi32(blue, yBlue), 20)),
                                       _mm256_srai_epi32(_mm256_mullo_epi32(red, yRed), 20));
    const __m256i u = _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(blue, y), uWeight), 20);
    const __m256i v = _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(red, y), vWeight), 20);
    StoreAs16Bits(&plane.y[i], y);
    StoreAs16Bits(&plane.u[i], u);
    StoreAs16Bits(&plane.v[i], v);
  }
}
#endif

}  // namespace

void BuildYuvPlane(const std::uint8_t* bgr, YuvPlane& plane) {
#if TARN_PLANES_AVX2
  static const bool hasAvx2 = __builtin_cpu_supports("avx2");
  if (hasAvx2) {
    // The last group's load would pass the picture's end: its pixels take the table path.
    constexpr std::size_t kWide = kReferencePixels - 8;
    ConvertPixelsAvx2(bgr, kWide, plane);
    ConvertPixels(bgr, kWide, kReferencePixels, plane);
    return;
  }
#endif
  ConvertPixels(bgr, 0, kReferencePixels, plane);
}

// The differences stay within 16 bits (|dY| <= 255, |dU| <= 287, |dV| <= 361): eight pixels to a
// register where the processor has SSE2 (every x86-64 does).
void BuildKeepDifferences(const YuvPlane& current, const YuvPlane& reference, KeepDifferences& differences) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const auto load = [](const std::array<std::int16_t, kReferencePixels>& plane, std::size_t at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(&plane[at]));
  };
  const auto absoluteDifference = [](__m128i a, __m128i b) {
    const __m128i d = _mm_sub_epi16(a, b);
    return _mm_max_epi16(d, _mm_sub_epi16(_mm_setzero_si128(), d));
  };
  for (; i + 8 <= kReferencePixels; i += 8) {
    const __m128i dy = absoluteDifference(load(current.y, i), load(reference.y, i));
    const __m128i du = absoluteDifference(load(current.u, i), load(reference.u, i));
    const __m128i dv = absoluteDifference(load(current.v, i), load(reference.v, i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&differences.largest[i]), _mm_max_epi16(dy, _mm_max_epi16(du, dv)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&differences.sum[i]), _mm_add_epi16(dy, _mm_add_epi16(du, dv)));
  }
#endif
  for (; i < kReferencePixels; ++i) {
    const int dy = std::abs(current.y[i] - reference.y[i]);
    const int du = std::abs(current.u[i] - reference.u[i]);
    const int dv = std::abs(current.v[i] - reference.v[i]);
    differences.largest[i] = static_cast<std::int16_t>(std::max(dy, std::max(du, dv)));
    differences.sum[i] = static_cast<std::int16_t>(dy + du + dv);
  }
}

}  // namespace tarn::codec
