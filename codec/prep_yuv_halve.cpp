// YUY2 input converted and halved in one pass: the full-size BGR picture is never written.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TARN_YUV_HALVE_AVX2 1
#endif

#include "codec/picture_prep.h"
#include "codec/prep_cpu.h"
#include "codec/prep_geometry.h"
#include "codec/prep_rows.h"
#include "codec/avx512_warnings.h"

namespace tarn::codec {
namespace {

// Output pixels per chunk of the portable pass; its rows live on the stack.
constexpr int kChunkPixels = 64;

// Groups [first, first + count) of two source rows: both converted to BGR, then averaged.
void ConvertAndHalveChunk(const std::uint8_t* upper, const std::uint8_t* lower, int count, std::uint8_t* out) {
  std::uint8_t upperBgr[kChunkPixels * 6];
  std::uint8_t lowerBgr[kChunkPixels * 6];
  ConvertYuvRow(upper, upperBgr, 2 * count);
  ConvertYuvRow(lower, lowerBgr, 2 * count);
  HalveRowPair(upperBgr, lowerBgr, count, out);
}

// Output pixels [first, pixels) of one row pair, chunk by chunk.
void ConvertAndHalvePortable(const std::uint8_t* upper, const std::uint8_t* lower, int first, int pixels,
                             std::uint8_t* out) {
  for (; first < pixels; first += kChunkPixels) {
    const auto groupBytes = static_cast<std::size_t>(first) * 4;
    ConvertAndHalveChunk(upper + groupBytes, lower + groupBytes, std::min(kChunkPixels, pixels - first),
                         out + static_cast<std::size_t>(first) * 3);
  }
}

#if TARN_YUV_HALVE_AVX2
// Eight groups of two rows give eight output pixels: output pixel p is the 2 x 2 average of
// group p in both rows, and a group's two pixels share their chroma. Each pixel is converted
// with the exact 32-bit sums of YuvToRgb (no term or sum leaves 32 bits, so the grouping does
// not matter) and clamped before the averaging, as the two separate steps do.
constexpr std::int32_t kLumaFactor = 1220944;
constexpr std::int32_t kLumaConstant = -19535104;

struct ChannelSums {
  __m256i blue, green, red;  // 16-bit lanes per 128-bit half: even pixels of groups 0-3, odd ones
};

__attribute__((target("avx2"))) inline __m256i ClampedPixels(__m256i chroma, __m256i evenLuma, __m256i oddLuma) {
  const __m256i even = _mm256_srai_epi32(_mm256_add_epi32(chroma, evenLuma), 20);
  const __m256i odd = _mm256_srai_epi32(_mm256_add_epi32(chroma, oddLuma), 20);
  // Unsigned saturation takes negative values to 0; the minimum takes the rest to 255.
  return _mm256_min_epi16(_mm256_packus_epi32(even, odd), _mm256_set1_epi16(255));
}

__attribute__((target("avx2"))) inline ChannelSums ConvertEightGroups(const std::uint8_t* in) {
  const __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in));
  const __m256i byteMask = _mm256_set1_epi32(0xFF);
  const __m256i lumaFactor = _mm256_set1_epi32(kLumaFactor);
  const __m256i evenLuma = _mm256_mullo_epi32(_mm256_and_si256(raw, byteMask), lumaFactor);
  const __m256i oddLuma = _mm256_mullo_epi32(_mm256_and_si256(_mm256_srli_epi32(raw, 16), byteMask), lumaFactor);
  const __m256i u = _mm256_and_si256(_mm256_srli_epi32(raw, 8), byteMask);
  const __m256i v = _mm256_srli_epi32(raw, 24);
  const __m256i red = _mm256_add_epi32(_mm256_mullo_epi32(v, _mm256_set1_epi32(1673555)),
                                       _mm256_set1_epi32(-213690752 + kLumaConstant));
  const __m256i green = _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(v, _mm256_set1_epi32(-852458)),
                                                          _mm256_mullo_epi32(u, _mm256_set1_epi32(-410792))),
                                         _mm256_set1_epi32(162220288 + kLumaConstant));
  const __m256i blue = _mm256_add_epi32(_mm256_mullo_epi32(u, _mm256_set1_epi32(2115221)),
                                        _mm256_set1_epi32(-270224000 + kLumaConstant));
  return {ClampedPixels(blue, evenLuma, oddLuma), ClampedPixels(green, evenLuma, oddLuma),
          ClampedPixels(red, evenLuma, oddLuma)};
}

// Writes exactly 24 bytes at `out`.
__attribute__((target("avx2"))) void ConvertAndHalveEight(const std::uint8_t* upper, const std::uint8_t* lower,
                                                          std::uint8_t* out) {
  const ChannelSums a = ConvertEightGroups(upper);
  const ChannelSums b = ConvertEightGroups(lower);
  const __m256i blue = _mm256_add_epi16(a.blue, b.blue);
  const __m256i green = _mm256_add_epi16(a.green, b.green);
  const __m256i red = _mm256_add_epi16(a.red, b.red);
  // Even plus odd pixel of each group: blue and green sums side by side, then red.
  const __m256i blueGreen = _mm256_add_epi16(_mm256_unpacklo_epi64(blue, green), _mm256_unpackhi_epi64(blue, green));
  const __m256i reds = _mm256_add_epi16(red, _mm256_srli_si256(red, 8));
  const __m256i bytes = _mm256_packus_epi16(_mm256_srli_epi16(blueGreen, 2), _mm256_srli_epi16(reds, 2));
  // Per half: B0-B3 G0-G3 R0-R3 to B0 G0 R0 .. B3 G3 R3.
  const __m256i order = _mm256_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1,  //
                                         0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
  const __m256i pixels = _mm256_shuffle_epi8(bytes, order);
  const __m128i first = _mm256_castsi256_si128(pixels);
  const __m128i last = _mm256_extracti128_si256(pixels, 1);
  // The first store's last four bytes are overwritten by the second.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), first);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 12), last);
  const int tail = _mm_cvtsi128_si32(_mm_srli_si128(last, 8));
  __builtin_memcpy(out + 20, &tail, 4);
}

// The same on sixteen groups: every instruction works within its 128-bit quarter, so each
// quarter computes what one half of the AVX2 code computes for its four groups.
#define TARN_AVX512 target("avx512f,avx512bw")
TARN_AVX512_KERNELS_BEGIN

__attribute__((TARN_AVX512)) inline __m512i ClampedPixels512(__m512i chroma, __m512i evenLuma, __m512i oddLuma) {
  const __m512i even = _mm512_srai_epi32(_mm512_add_epi32(chroma, evenLuma), 20);
  const __m512i odd = _mm512_srai_epi32(_mm512_add_epi32(chroma, oddLuma), 20);
  return _mm512_min_epi16(_mm512_packus_epi32(even, odd), _mm512_set1_epi16(255));
}

struct ChannelSums512 {
  __m512i blue, green, red;
};

__attribute__((TARN_AVX512)) inline ChannelSums512 ConvertSixteenGroups(const std::uint8_t* in) {
  const __m512i raw = _mm512_loadu_si512(in);
  const __m512i byteMask = _mm512_set1_epi32(0xFF);
  const __m512i lumaFactor = _mm512_set1_epi32(kLumaFactor);
  const __m512i evenLuma = _mm512_mullo_epi32(_mm512_and_si512(raw, byteMask), lumaFactor);
  const __m512i oddLuma = _mm512_mullo_epi32(_mm512_and_si512(_mm512_srli_epi32(raw, 16), byteMask), lumaFactor);
  const __m512i u = _mm512_and_si512(_mm512_srli_epi32(raw, 8), byteMask);
  const __m512i v = _mm512_srli_epi32(raw, 24);
  const __m512i red = _mm512_add_epi32(_mm512_mullo_epi32(v, _mm512_set1_epi32(1673555)),
                                       _mm512_set1_epi32(-213690752 + kLumaConstant));
  const __m512i green = _mm512_add_epi32(_mm512_add_epi32(_mm512_mullo_epi32(v, _mm512_set1_epi32(-852458)),
                                                          _mm512_mullo_epi32(u, _mm512_set1_epi32(-410792))),
                                         _mm512_set1_epi32(162220288 + kLumaConstant));
  const __m512i blue = _mm512_add_epi32(_mm512_mullo_epi32(u, _mm512_set1_epi32(2115221)),
                                        _mm512_set1_epi32(-270224000 + kLumaConstant));
  return {ClampedPixels512(blue, evenLuma, oddLuma), ClampedPixels512(green, evenLuma, oddLuma),
          ClampedPixels512(red, evenLuma, oddLuma)};
}

// Sixteen output pixels, each 128-bit quarter holding four: B0-B3 G0-G3 R0-R3, four spare.
__attribute__((TARN_AVX512)) inline __m512i HalvedSixteen(const std::uint8_t* upper, const std::uint8_t* lower) {
  const ChannelSums512 a = ConvertSixteenGroups(upper);
  const ChannelSums512 b = ConvertSixteenGroups(lower);
  const __m512i blue = _mm512_add_epi16(a.blue, b.blue);
  const __m512i green = _mm512_add_epi16(a.green, b.green);
  const __m512i red = _mm512_add_epi16(a.red, b.red);
  const __m512i blueGreen = _mm512_add_epi16(_mm512_unpacklo_epi64(blue, green), _mm512_unpackhi_epi64(blue, green));
  const __m512i reds = _mm512_add_epi16(red, _mm512_bsrli_epi128(red, 8));
  return _mm512_packus_epi16(_mm512_srli_epi16(blueGreen, 2), _mm512_srli_epi16(reds, 2));
}

// Writes exactly 48 bytes at `out`.
__attribute__((TARN_AVX512)) void ConvertAndHalveSixteen(const std::uint8_t* upper, const std::uint8_t* lower,
                                                         std::uint8_t* out) {
  const __m512i bytes = HalvedSixteen(upper, lower);
  const __m512i order = _mm512_broadcast_i32x4(_mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1));
  const __m512i pixels = _mm512_shuffle_epi8(bytes, order);
  // Each quarter's twelve bytes; a 16-byte store's last four are overwritten by the next.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm512_castsi512_si128(pixels));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 12), _mm512_extracti32x4_epi32(pixels, 1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 24), _mm512_extracti32x4_epi32(pixels, 2));
  const __m128i last = _mm512_extracti32x4_epi32(pixels, 3);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 36), last);
  const int tail = _mm_cvtsi128_si32(_mm_srli_si128(last, 8));
  __builtin_memcpy(out + 44, &tail, 4);
}

// Sixteen output pixels at a time; returns how many were written.
__attribute__((TARN_AVX512)) int ConvertAndHalveAvx512(const std::uint8_t* upper, const std::uint8_t* lower, int pixels,
                                                       std::uint8_t* out) {
  int pixel = 0;
  for (; pixel + 16 <= pixels; pixel += 16, upper += 64, lower += 64, out += 48) {
    ConvertAndHalveSixteen(upper, lower, out);
  }
  return pixel;
}

// With byte permutes across the register (VBMI) the four quarters' pixels are put in order in
// one step and stored with two whole stores.
#define TARN_AVX512_VBMI target("avx512f,avx512bw,avx512vbmi")

struct HalvedOrder {
  std::uint8_t index[64];  // output byte j: quarter j / 12, channel j % 3 of pixel j % 12 / 3
};

constexpr HalvedOrder MakeHalvedOrder() {
  HalvedOrder order{};
  for (int j = 0; j < 48; ++j) order.index[j] = static_cast<std::uint8_t>(j / 12 * 16 + j % 3 * 4 + j % 12 / 3);
  return order;
}

constexpr HalvedOrder kHalvedOrder = MakeHalvedOrder();

__attribute__((TARN_AVX512_VBMI)) int ConvertAndHalveAvx512Vbmi(const std::uint8_t* upper, const std::uint8_t* lower,
                                                                int pixels, std::uint8_t* out) {
  const __m512i order = _mm512_loadu_si512(kHalvedOrder.index);
  int pixel = 0;
  for (; pixel + 16 <= pixels; pixel += 16, upper += 64, lower += 64, out += 48) {
    const __m512i ordered = _mm512_permutexvar_epi8(order, HalvedSixteen(upper, lower));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_castsi512_si256(ordered));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm512_extracti32x4_epi32(ordered, 2));
  }
  return pixel;
}
TARN_AVX512_KERNELS_END

// Eight output pixels at a time; returns how many were written.
__attribute__((target("avx2"))) int ConvertAndHalveAvx2(const std::uint8_t* upper, const std::uint8_t* lower,
                                                        int pixels, std::uint8_t* out) {
  int pixel = 0;
  for (; pixel + 8 <= pixels; pixel += 8, upper += 32, lower += 32, out += 24) {
    ConvertAndHalveEight(upper, lower, out);
  }
  return pixel;
}
#endif

void ConvertAndHalveRowPair(const std::uint8_t* upper, const std::uint8_t* lower, int pixels, std::uint8_t* out) {
  int first = 0;
#if TARN_YUV_HALVE_AVX2
  if (PrepUsesAvx512Vbmi()) {
    first = ConvertAndHalveAvx512Vbmi(upper, lower, pixels, out);
  } else if (PrepUsesAvx512()) {
    first = ConvertAndHalveAvx512(upper, lower, pixels, out);
  }
  if (PrepUsesAvx2()) {
    const auto done = static_cast<std::size_t>(first);
    first += ConvertAndHalveAvx2(upper + done * 4, lower + done * 4, pixels - first, out + done * 3);
  }
#endif
  ConvertAndHalvePortable(upper, lower, first, pixels, out);
}

}  // namespace

void YuvToHalvedRgb(const std::uint8_t* source, std::uint8_t* target, int& width, int& height,
                    const FitSettings& settings) {
  if (width <= 0 || height <= 0) return;
  if (!NeedsHalving(width, height, settings)) {
    YuvToRgb(source, target, width, height);
    return;
  }
  const auto sourceStride = static_cast<std::size_t>((width + 1) / 2) * 4;
  // Only whole groups take part: an odd width drops its last column, like the halving does.
  const int outPixels = width / 2;
  const auto outStride = static_cast<std::size_t>(outPixels) * 3;
  const int outRows = (height + 1) / 2;
  // The converted picture is bottom-up: its rows 2k and 2k + 1 are source rows height - 1 - 2k
  // and height - 2 - 2k; an odd height pairs the last converted row with itself.
  for (int row = 0; row < outRows; ++row) {
    const int upperRow = height - 1 - 2 * row;
    const int lowerRow = std::max(upperRow - 1, 0);
    // The rows run backwards through the source, which the processor does not foresee: ask
    // for the next pair while this one is converted.
    if (lowerRow >= 2) {
      const std::uint8_t* next = source + static_cast<std::size_t>(lowerRow - 2) * sourceStride;
      for (std::size_t at = 0; at < 2 * sourceStride; at += 64) __builtin_prefetch(next + at);
    }
    ConvertAndHalveRowPair(source + static_cast<std::size_t>(upperRow) * sourceStride,
                           source + static_cast<std::size_t>(lowerRow) * sourceStride, outPixels,
                           target + static_cast<std::size_t>(row) * outStride);
  }
  width /= 2;
  height /= 2;
  HalvePicture(target, width, height, settings);
}

}  // namespace tarn::codec
