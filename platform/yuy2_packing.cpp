#include "platform/yuy2_packing.h"

#include <cstddef>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tarn::platform {

namespace {

#if defined(__x86_64__)
// Thirty-two chroma pairs, sixty-four pixels, at a time; returns the pairs done. Within each
// 128-bit lane the unpacks give pixels 0-7 and 16-23 (low) and 8-15 and 24-31 (high): the lane
// permutes put them in order.
__attribute__((target("avx2"))) int PackPairsAvx2(const std::uint8_t* luma, const std::uint8_t* u,
                                                  const std::uint8_t* v, std::uint8_t* out, int pairs) {
  int pair = 0;
  for (; pair + 32 <= pairs; pair += 32) {
    const __m256i us = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + pair));
    const __m256i vs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + pair));
    const __m256i chromaLow = _mm256_unpacklo_epi8(us, vs);   // pairs 0-7 | 16-23
    const __m256i chromaHigh = _mm256_unpackhi_epi8(us, vs);  // pairs 8-15 | 24-31
    // Chroma of pairs 0-15 and 16-31 each in one register, lanes in order.
    const __m256i chromaFirst = _mm256_permute2x128_si256(chromaLow, chromaHigh, 0x20);
    const __m256i chromaSecond = _mm256_permute2x128_si256(chromaLow, chromaHigh, 0x31);
    const __m256i lumaFirst = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma + 2 * pair));
    const __m256i lumaSecond = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(luma + 2 * pair + 32));
    auto* packed = reinterpret_cast<__m256i*>(out + 4 * pair);
    const __m256i firstLow = _mm256_unpacklo_epi8(lumaFirst, chromaFirst);   // pixels 0-7 | 16-23
    const __m256i firstHigh = _mm256_unpackhi_epi8(lumaFirst, chromaFirst);  // pixels 8-15 | 24-31
    const __m256i secondLow = _mm256_unpacklo_epi8(lumaSecond, chromaSecond);
    const __m256i secondHigh = _mm256_unpackhi_epi8(lumaSecond, chromaSecond);
    _mm256_storeu_si256(packed, _mm256_permute2x128_si256(firstLow, firstHigh, 0x20));
    _mm256_storeu_si256(packed + 1, _mm256_permute2x128_si256(firstLow, firstHigh, 0x31));
    _mm256_storeu_si256(packed + 2, _mm256_permute2x128_si256(secondLow, secondHigh, 0x20));
    _mm256_storeu_si256(packed + 3, _mm256_permute2x128_si256(secondLow, secondHigh, 0x31));
  }
  return pair;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

// One row: luma pairs with the chroma pair they share, as Y0 U Y1 V.
void PackRow(const std::uint8_t* luma, const std::uint8_t* u, const std::uint8_t* v, std::uint8_t* out, int pairs) {
  int pair = 0;
#if defined(__x86_64__)
  if (HasAvx2()) pair = PackPairsAvx2(luma, u, v, out, pairs);
#endif
#if defined(__SSE2__)
  // Sixteen chroma pairs, thirty-two pixels, at a time.
  for (; pair + 16 <= pairs; pair += 16) {
    const __m128i us = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + pair));
    const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + pair));
    const __m128i chromaLow = _mm_unpacklo_epi8(us, vs);
    const __m128i chromaHigh = _mm_unpackhi_epi8(us, vs);
    const __m128i lumaLow = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + 2 * pair));
    const __m128i lumaHigh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + 2 * pair + 16));
    auto* packed = reinterpret_cast<__m128i*>(out + 4 * pair);
    _mm_storeu_si128(packed, _mm_unpacklo_epi8(lumaLow, chromaLow));
    _mm_storeu_si128(packed + 1, _mm_unpackhi_epi8(lumaLow, chromaLow));
    _mm_storeu_si128(packed + 2, _mm_unpacklo_epi8(lumaHigh, chromaHigh));
    _mm_storeu_si128(packed + 3, _mm_unpackhi_epi8(lumaHigh, chromaHigh));
  }
#endif
  for (; pair < pairs; ++pair) {
    out[4 * pair] = luma[2 * pair];
    out[4 * pair + 1] = u[pair];
    out[4 * pair + 2] = luma[2 * pair + 1];
    out[4 * pair + 3] = v[pair];
  }
}

}  // namespace

bool PackYuv420AsYuy2(const AVFrame& frame, std::uint8_t* out, int outStride) {
  if (frame.format != AV_PIX_FMT_YUV420P || frame.width <= 0 || frame.height <= 0 || frame.width % 2 != 0) return false;
  const int pairs = frame.width / 2;
  for (int row = 0; row < frame.height; ++row) {
    const std::ptrdiff_t chromaRow = row / 2;
    PackRow(frame.data[0] + static_cast<std::ptrdiff_t>(row) * frame.linesize[0],
            frame.data[1] + chromaRow * frame.linesize[1], frame.data[2] + chromaRow * frame.linesize[2],
            out + static_cast<std::ptrdiff_t>(row) * outStride, pairs);
  }
  return true;
}

}  // namespace tarn::platform
