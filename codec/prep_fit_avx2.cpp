// AVX2 row steps of the fitting: the same 16-bit integer sums as the portable fixed-point
// code, computed on whole pixels (B, G, R and a zero lane) instead of channel planes.
#include "codec/prep_fit_avx2.h"
#include "codec/avx512_warnings.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace tarn::codec {
namespace {

// Eight bytes at each of four offsets, two pixels per 128-bit half.
__attribute__((target("avx2"))) inline __m256i LoadFour(const std::uint8_t* row, const std::int32_t* offsets) {
  const auto load = [&](int i) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + offsets[i])); };
  const __m128i low = _mm_unpacklo_epi64(load(0), load(1));
  const __m128i high = _mm_unpacklo_epi64(load(2), load(3));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// (1 - g) * p(k) + g * p(k + 1) for each channel of four pixels, in 16-bit lanes B, G, R, 0.
__attribute__((target("avx2"))) inline __m256i BlendColumns(const std::uint8_t* row, const std::int32_t* offsets,
                                                            const std::uint8_t* weights) {
  // Pairs each channel byte of p(k) with the same channel of p(k + 1); the fourth pair is 0.
  const __m256i pairs = _mm256_setr_epi8(0, 3, 1, 4, 2, 5, -1, -1, 8, 11, 9, 12, 10, 13, -1, -1,  //
                                         0, 3, 1, 4, 2, 5, -1, -1, 8, 11, 9, 12, 10, 13, -1, -1);
  const __m256i bytes = _mm256_shuffle_epi8(LoadFour(row, offsets), pairs);
  return _mm256_maddubs_epi16(bytes, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights)));
}

__attribute__((target("avx2"))) inline __m256i SampleFour(const std::uint8_t* firstRow, const std::uint8_t* secondRow,
                                                          const std::int32_t* offsets, const std::uint8_t* weights,
                                                          __m256i rowKeep, __m256i rowWeight) {
  const __m256i near = BlendColumns(firstRow, offsets, weights);
  if (secondRow == nullptr) return _mm256_srli_epi16(near, 3);
  const __m256i far = BlendColumns(secondRow, offsets, weights);
  // At most 8 x 8 x 255: the 16-bit sums of the portable code, exactly.
  const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(near, rowKeep), _mm256_mullo_epi16(far, rowWeight));
  return _mm256_srli_epi16(sum, 6);
}

// v + ((2v - a - b) >> shift) for every channel of four pixels in 16-bit lanes B, G, R, 0,
// where a and b are the pixel's other two channels.
__attribute__((target("avx2"))) inline __m256i SaturateFour(__m256i v, __m128i shift) {
  const __m256i next = _mm256_setr_epi8(2, 3, 4, 5, 0, 1, 6, 7, 10, 11, 12, 13, 8, 9, 14, 15,  //
                                        2, 3, 4, 5, 0, 1, 6, 7, 10, 11, 12, 13, 8, 9, 14, 15);
  const __m256i last = _mm256_setr_epi8(4, 5, 0, 1, 2, 3, 6, 7, 12, 13, 8, 9, 10, 11, 14, 15,  //
                                        4, 5, 0, 1, 2, 3, 6, 7, 12, 13, 8, 9, 10, 11, 14, 15);
  const __m256i spread = _mm256_sub_epi16(_mm256_sub_epi16(_mm256_add_epi16(v, v), _mm256_shuffle_epi8(v, next)),
                                          _mm256_shuffle_epi8(v, last));
  // Within -510..765: a 16-bit shift by 16 or more fills with the sign like the 32-bit one.
  return _mm256_add_epi16(v, _mm256_sra_epi16(spread, shift));
}

// Eight toned words to eight saturated pixels, 24 bytes exactly.
__attribute__((target("avx2"))) inline void SaturateEight(const std::uint32_t* toned, __m128i shift,
                                                          std::uint8_t* out) {
  const __m256i words = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(toned));
  const __m256i zero = _mm256_setzero_si256();
  // Unsigned packing clamps to 0-255 and undoes the unpacking's order.
  const __m256i bytes = _mm256_packus_epi16(SaturateFour(_mm256_unpacklo_epi8(words, zero), shift),
                                            SaturateFour(_mm256_unpackhi_epi8(words, zero), shift));
  const __m256i drop = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                        0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i pixels = _mm256_shuffle_epi8(bytes, drop);
  const __m128i last = _mm256_extracti128_si256(pixels, 1);
  // The first store's last four bytes are overwritten by the second.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(pixels));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12), last);
  const int tail = _mm_cvtsi128_si32(_mm_srli_si128(last, 8));
  std::memcpy(out + 20, &tail, 4);
}

// One pixel's B, G, R (and the byte after them) as four doubles.
__attribute__((target("avx2"))) inline __m256d PixelValues(const std::uint8_t* at) {
  std::int32_t bytes;
  std::memcpy(&bytes, at, 4);
  return _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes)));
}

// keep * p(first) + weight * p(second): products first, then their sum, as written.
__attribute__((target("avx2"))) inline __m256d BlendReal(const std::uint8_t* row, std::int32_t first,
                                                         std::int32_t second, __m256d keep, __m256d weight) {
  return _mm256_add_pd(_mm256_mul_pd(keep, PixelValues(row + first)), _mm256_mul_pd(weight, PixelValues(row + second)));
}

// The 256-byte table in four registers: bits 0-6 pick one of 128 entries, bit 7 the half.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i ToneBytes(__m512i bytes, __m512i low0,
                                                                                __m512i low1, __m512i high0,
                                                                                __m512i high1) {
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(bytes), _mm512_permutex2var_epi8(low0, bytes, low1),
                                _mm512_permutex2var_epi8(high0, bytes, high1));
}

}  // namespace

__attribute__((target("avx2"))) void SampleRealRowAvx2(const std::uint8_t* firstRow, const std::uint8_t* secondRow,
                                                       const std::int32_t* firstBytes, const std::int32_t* secondBytes,
                                                       const double* keep, const double* weight, int pixels,
                                                       double rowKeep, double rowWeight, std::uint32_t* sampled) {
  const __m256d nearShare = _mm256_set1_pd(rowKeep);
  const __m256d farShare = _mm256_set1_pd(rowWeight);
  for (int x = 0; x < pixels; ++x) {
    const __m256d k = _mm256_broadcast_sd(keep + x);
    const __m256d g = _mm256_broadcast_sd(weight + x);
    __m256d value = BlendReal(firstRow, firstBytes[x], secondBytes[x], k, g);
    if (secondRow != nullptr) {
      const __m256d far = BlendReal(secondRow, firstBytes[x], secondBytes[x], k, g);
      value = _mm256_add_pd(_mm256_mul_pd(value, nearShare), _mm256_mul_pd(far, farShare));
    }
    // Truncated like the portable cast; every value lies within 0-255.
    const __m128i words = _mm256_cvttpd_epi32(value);
    sampled[x] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packus_epi32(words, words), words)));
  }
}

__attribute__((target("avx2"))) void SampleFixedRowAvx2(const std::uint8_t* firstRow, const std::uint8_t* secondRow,
                                                        const std::int32_t* firstBytes, const std::uint8_t* pairWeights,
                                                        int pixels, int rowKeep, int rowWeight,
                                                        std::uint32_t* sampled) {
  const __m256i keep = _mm256_set1_epi16(static_cast<std::int16_t>(rowKeep));
  const __m256i weight = _mm256_set1_epi16(static_cast<std::int16_t>(rowWeight));
  for (int x = 0; x < pixels; x += 8) {
    const __m256i low = SampleFour(firstRow, secondRow, firstBytes + x, pairWeights + 8 * x, keep, weight);
    const __m256i high = SampleFour(firstRow, secondRow, firstBytes + x + 4, pairWeights + 8 * (x + 4), keep, weight);
    // Packing works per 128-bit half (pixels 0, 1, 4, 5 then 2, 3, 6, 7): put them in order.
    const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), _MM_SHUFFLE(3, 1, 2, 0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(sampled + x), words);
  }
}

__attribute__((target("avx2"))) void ToneWordsAvx2(std::uint32_t* words, int pixels, const std::int32_t* toneWords) {
  const __m256i byteMask = _mm256_set1_epi32(0xFF);
  int x = 0;
  for (; x + 8 <= pixels; x += 8) {
    auto* at = reinterpret_cast<__m256i*>(words + x);
    const __m256i w = _mm256_loadu_si256(at);
    const __m256i blue = _mm256_i32gather_epi32(toneWords, _mm256_and_si256(w, byteMask), 4);
    const __m256i green = _mm256_i32gather_epi32(toneWords, _mm256_and_si256(_mm256_srli_epi32(w, 8), byteMask), 4);
    const __m256i red = _mm256_i32gather_epi32(toneWords, _mm256_and_si256(_mm256_srli_epi32(w, 16), byteMask), 4);
    _mm256_storeu_si256(
        at, _mm256_or_si256(blue, _mm256_or_si256(_mm256_slli_epi32(green, 8), _mm256_slli_epi32(red, 16))));
  }
  for (; x < pixels; ++x) {
    const std::uint32_t w = words[x];
    words[x] = static_cast<std::uint32_t>(toneWords[w & 0xFF]) |
               static_cast<std::uint32_t>(toneWords[(w >> 8) & 0xFF]) << 8 |
               static_cast<std::uint32_t>(toneWords[(w >> 16) & 0xFF]) << 16;
  }
}

#define TARN_FIT_AVX512 target("avx512f,avx512bw,avx512vbmi")
TARN_AVX512_KERNELS_BEGIN

// The AVX2 saturation step on 16-bit lanes B, G, R, X of eight pixels, two per 128-bit part.
__attribute__((TARN_FIT_AVX512)) inline __m512i SaturateEight512(__m512i v, __m128i shift) {
  const __m512i next = _mm512_broadcast_i32x4(_mm_setr_epi8(2, 3, 4, 5, 0, 1, 6, 7, 10, 11, 12, 13, 8, 9, 14, 15));
  const __m512i last = _mm512_broadcast_i32x4(_mm_setr_epi8(4, 5, 0, 1, 2, 3, 6, 7, 12, 13, 8, 9, 10, 11, 14, 15));
  const __m512i spread = _mm512_sub_epi16(_mm512_sub_epi16(_mm512_add_epi16(v, v), _mm512_shuffle_epi8(v, next)),
                                          _mm512_shuffle_epi8(v, last));
  return _mm512_add_epi16(v, _mm512_sra_epi16(spread, shift));
}

struct DropFourthBytes {
  std::uint8_t index[64];  // output byte j of pixel j / 3 from its word's byte j % 3
};

constexpr DropFourthBytes MakeDropFourthBytes() {
  DropFourthBytes drop{};
  for (int j = 0; j < 48; ++j) drop.index[j] = static_cast<std::uint8_t>(4 * (j / 3) + j % 3);
  return drop;
}

constexpr DropFourthBytes kDropFourthBytes = MakeDropFourthBytes();

// Sixteen sampled words toned, saturated and packed to 48 bytes of B, G, R.
__attribute__((TARN_FIT_AVX512)) inline __m512i ToneAndSaturateSixteen(__m512i words, const __m512i* tone,
                                                                       __m128i shift) {
  const __m512i toned = ToneBytes(words, tone[0], tone[1], tone[2], tone[3]);
  const __m512i zero = _mm512_setzero_si512();
  // Unsigned packing clamps to 0-255 and undoes the unpacking's order.
  const __m512i bytes = _mm512_packus_epi16(SaturateEight512(_mm512_unpacklo_epi8(toned, zero), shift),
                                            SaturateEight512(_mm512_unpackhi_epi8(toned, zero), shift));
  return _mm512_permutexvar_epi8(_mm512_loadu_si512(kDropFourthBytes.index), bytes);
}

// (1 - g) * p(k) + g * p(k + 1) for the sixteen pixels of a chunk, in 16-bit lanes B, G, R, 0:
// the first register's pixels, then the second's.
struct BlendedChunk {
  __m512i first, second;
};

[[gnu::always_inline]] inline __attribute__((TARN_FIT_AVX512)) BlendedChunk BlendChunk(const std::uint8_t* row,
                                                                                       const WideSampleChunk& chunk,
                                                                                       __m512i index0, __m512i index1,
                                                                                       __m512i weights0,
                                                                                       __m512i weights1) {
  const std::uint8_t* at = row + chunk.base;
  const int bytes = chunk.bytes;
  const __mmask64 low = bytes >= 64 ? ~__mmask64{0} : (__mmask64{1} << bytes) - 1;
  const __mmask64 high = bytes >= 128 ? ~__mmask64{0} : bytes > 64 ? (__mmask64{1} << (bytes - 64)) - 1 : 0;
  // Only the bytes the pairs take are read: the plan keeps them inside the source.
  const __m512i lower = _mm512_maskz_loadu_epi8(low, at);
  const __m512i upper = _mm512_maskz_loadu_epi8(high, at + 64);
  return {_mm512_maddubs_epi16(_mm512_permutex2var_epi8(lower, index0, upper), weights0),
          _mm512_maddubs_epi16(_mm512_permutex2var_epi8(lower, index1, upper), weights1)};
}

__attribute__((TARN_FIT_AVX512)) void SampleFixedRowAvx512(const std::uint8_t* firstRow, const std::uint8_t* secondRow,
                                                           const WideSampleChunk* chunks, int chunkCount, int rowKeep,
                                                           int rowWeight, std::uint32_t* sampled) {
  const __m512i keep = _mm512_set1_epi16(static_cast<std::int16_t>(rowKeep));
  const __m512i weight = _mm512_set1_epi16(static_cast<std::int16_t>(rowWeight));
  for (int c = 0; c < chunkCount; ++c) {
    const WideSampleChunk& chunk = chunks[c];
    const __m512i index0 = _mm512_loadu_si512(chunk.index[0]), index1 = _mm512_loadu_si512(chunk.index[1]);
    const __m512i weights0 = _mm512_loadu_si512(chunk.weights[0]), weights1 = _mm512_loadu_si512(chunk.weights[1]);
    BlendedChunk near = BlendChunk(firstRow, chunk, index0, index1, weights0, weights1);
    if (secondRow == nullptr) {
      near.first = _mm512_srli_epi16(near.first, 3);
      near.second = _mm512_srli_epi16(near.second, 3);
    } else {
      const BlendedChunk far = BlendChunk(secondRow, chunk, index0, index1, weights0, weights1);
      // At most 8 x 8 x 255: the 16-bit sums of the portable code, exactly.
      near.first = _mm512_srli_epi16(
          _mm512_add_epi16(_mm512_mullo_epi16(near.first, keep), _mm512_mullo_epi16(far.first, weight)), 6);
      near.second = _mm512_srli_epi16(
          _mm512_add_epi16(_mm512_mullo_epi16(near.second, keep), _mm512_mullo_epi16(far.second, weight)), 6);
    }
    // Packing works per 128-bit quarter: two pixels of the first register, then two of the
    // second, which is the pixels' own order.
    _mm512_storeu_si512(sampled + 16 * c, _mm512_packus_epi16(near.first, near.second));
  }
}

__attribute__((TARN_FIT_AVX512)) void ToneAndSaturateAvx512(const std::uint32_t* sampled, int pixels, int shift,
                                                            const std::uint8_t* tone, std::uint8_t* out) {
  const __m512i tables[4] = {_mm512_loadu_si512(tone), _mm512_loadu_si512(tone + 64), _mm512_loadu_si512(tone + 128),
                             _mm512_loadu_si512(tone + 192)};
  const __m128i count = _mm_cvtsi32_si128(shift);
  int x = 0;
  for (; x + 16 <= pixels; x += 16) {
    const __m512i pixelBytes = ToneAndSaturateSixteen(_mm512_loadu_si512(sampled + x), tables, count);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 3 * x), _mm512_castsi512_si256(pixelBytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x + 32), _mm512_extracti32x4_epi32(pixelBytes, 2));
  }
  if (x < pixels) {
    // The last step takes only the words that are there and writes only their bytes.
    const int rest = pixels - x;
    const __m512i words = _mm512_maskz_loadu_epi32(static_cast<__mmask16>((1u << rest) - 1), sampled + x);
    const __mmask64 bytes = (__mmask64{1} << (3 * rest)) - 1;
    _mm512_mask_storeu_epi8(out + 3 * x, bytes, ToneAndSaturateSixteen(words, tables, count));
  }
}
TARN_AVX512_KERNELS_END

__attribute__((target("avx2"))) void SaturateWordsAvx2(const std::uint32_t* toned, int pixels, int shift,
                                                       std::uint8_t* out) {
  const __m128i count = _mm_cvtsi32_si128(shift);
  int x = 0;
  for (; x + 8 <= pixels; x += 8) SaturateEight(toned + x, count, out + 3 * x);
  if (x < pixels) {
    std::uint32_t words[8] = {};
    std::uint8_t bytes[24];
    std::memcpy(words, toned + x, static_cast<std::size_t>(pixels - x) * 4);
    SaturateEight(words, count, bytes);
    std::memcpy(out + 3 * x, bytes, static_cast<std::size_t>(pixels - x) * 3);
  }
}

}  // namespace tarn::codec

#endif
