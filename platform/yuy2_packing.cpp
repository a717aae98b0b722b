#include "platform/yuy2_packing.h"

#include <algorithm>
#include <array>
#include <cstddef>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tarn::platform {

namespace {

#if defined(__x86_64__)
// GCC's 256-to-512-bit cast starts from an "undefined" register its uninitialised-value
// warnings report, although the insert overwrites that half.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Byte picks of one 64-byte output register from luma (bytes 0-63) and chroma (64-127: thirty-two
// U, then thirty-two V): pairs `first` to `first + 15` as Y0 U Y1 V.
constexpr std::array<std::uint8_t, 64> PairPicks(int first) {
  std::array<std::uint8_t, 64> picks{};
  for (int i = 0; i < 16; ++i) {
    const int pair = first + i;
    picks[4 * i] = static_cast<std::uint8_t>(2 * pair);
    picks[4 * i + 1] = static_cast<std::uint8_t>(64 + pair);
    picks[4 * i + 2] = static_cast<std::uint8_t>(2 * pair + 1);
    picks[4 * i + 3] = static_cast<std::uint8_t>(96 + pair);
  }
  return picks;
}

constexpr std::array<std::uint8_t, 64> kFirstPairs = PairPicks(0);
constexpr std::array<std::uint8_t, 64> kSecondPairs = PairPicks(16);

// Thirty-two chroma pairs at a time, each output register one byte permute of the luma and the
// chroma; the last pairs of the row through masks, so the whole row is done here.
__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi"))) void PackRowAvx512(const std::uint8_t* luma,
                                                                                   const std::uint8_t* u,
                                                                                   const std::uint8_t* v,
                                                                                   std::uint8_t* out, int pairs) {
  const __m512i firstPicks = _mm512_loadu_si512(kFirstPairs.data());
  const __m512i secondPicks = _mm512_loadu_si512(kSecondPairs.data());
  for (int pair = 0; pair < pairs; pair += 32) {
    const int count = std::min(32, pairs - pair);
    // Bit i of a mask for each of the first n bytes (n at most 64).
    auto bytes = [](int n) { return n >= 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1; };
    const __m512i lumas = _mm512_maskz_loadu_epi8(bytes(2 * count), luma + 2 * pair);
    const __m256i us = _mm256_maskz_loadu_epi8(static_cast<__mmask32>(bytes(count)), u + pair);
    const __m256i vs = _mm256_maskz_loadu_epi8(static_cast<__mmask32>(bytes(count)), v + pair);
    const __m512i chroma = _mm512_inserti64x4(_mm512_castsi256_si512(us), vs, 1);
    std::uint8_t* packed = out + 4 * pair;
    _mm512_mask_storeu_epi8(packed, bytes(4 * count), _mm512_permutex2var_epi8(lumas, firstPicks, chroma));
    if (count > 16)
      _mm512_mask_storeu_epi8(packed + 64, bytes(4 * (count - 16)),
                              _mm512_permutex2var_epi8(lumas, secondPicks, chroma));
  }
}

#pragma GCC diagnostic pop

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
#endif

// One row: luma pairs with the chroma pair they share, as Y0 U Y1 V.
void PackRow(const std::uint8_t* luma, const std::uint8_t* u, const std::uint8_t* v, std::uint8_t* out, int pairs,
             PackingKernel kernel) {
  int pair = 0;
#if defined(__x86_64__)
  if (kernel == PackingKernel::kAvx512) return PackRowAvx512(luma, u, v, out, pairs);
  if (kernel == PackingKernel::kAvx2) pair = PackPairsAvx2(luma, u, v, out, pairs);
#endif
#if defined(__SSE2__)
  // Sixteen chroma pairs, thirty-two pixels, at a time.
  for (; kernel != PackingKernel::kPortable && pair + 16 <= pairs; pair += 16) {
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

PackingKernel FindBestKernel() {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
      __builtin_cpu_supports("avx512vbmi"))
    return PackingKernel::kAvx512;
  if (__builtin_cpu_supports("avx2")) return PackingKernel::kAvx2;
#endif
#if defined(__SSE2__)
  return PackingKernel::kSse2;
#else
  return PackingKernel::kPortable;
#endif
}

}  // namespace

PackingKernel BestPackingKernel() {
  static const PackingKernel best = FindBestKernel();
  return best;
}

bool PackYuv420AsYuy2(const AVFrame& frame, std::uint8_t* out, int outStride) {
  return PackYuv420AsYuy2(frame, out, outStride, BestPackingKernel());
}

bool PackYuv420AsYuy2(const AVFrame& frame, std::uint8_t* out, int outStride, PackingKernel kernel) {
  if (frame.format != AV_PIX_FMT_YUV420P || frame.width <= 0 || frame.height <= 0 || frame.width % 2 != 0) return false;
  kernel = std::min(kernel, BestPackingKernel());
  const int pairs = frame.width / 2;
  for (int row = 0; row < frame.height; ++row) {
    const std::ptrdiff_t chromaRow = row / 2;
    PackRow(frame.data[0] + static_cast<std::ptrdiff_t>(row) * frame.linesize[0],
            frame.data[1] + chromaRow * frame.linesize[1], frame.data[2] + chromaRow * frame.linesize[2],
            out + static_cast<std::ptrdiff_t>(row) * outStride, pairs, kernel);
  }
  return true;
}

}  // namespace tarn::platform
